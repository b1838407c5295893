#pragma once
// Page 1, "手机参数": phone models from Data/device.xml browsed by platform, manufacturer and model,
// and a web search for a keyword. Reads a local file on the UI thread; needs no phone.
#include <functional>
#include <string>

#include "app/Page.h"
#include "common/win/Handles.h"
#include "common/win/XmlDocument.h"

namespace zorvik {

// Control ids on the page.
enum PhoneParamsControl : int {
  kSpecsPlatformList = 2301, kSpecsMakerList, kSpecsModelList, kSpecsParamList,
  kSpecsSearchEdit, kSpecsSearchButton, kSpecsStatusLabel,
};

// The platform choices and the element each reads, in the order offered.
struct SpecsPlatform {
  const char* caption;
  const wchar_t* path;
};
extern const SpecsPlatform kSpecsPlatforms[5];
// The parameter rows: element name and row label, in the order shown.
struct SpecsField {
  const wchar_t* element;
  const char* label;
};
extern const SpecsField kSpecsFields[18];

// Keywords go to this address, percent-encoded.
extern const char kSpecsSearchPrefix[];
// The keyword's bytes with everything but letters, digits and "-._~" percent-encoded.
std::string percentEncode(const std::string& bytes);

class PhoneParamsPage : public Page {
 public:
  PhoneParamsPage(const PageInfo& info, PageHost& host);
  ~PhoneParamsPage() override;

  // Tests: another data file, and the browser replaced.
  void setDataPath(std::wstring path) { dataPath_ = std::move(path); doc_.reset(); }
  void setUrlOpener(std::function<void(const std::string&)> open) { openUrl_ = std::move(open); }

 private:
  void createControls();
  bool ensureDocument();
  void onPlatform();
  void onMaker();
  void onModel();
  void onSearch();

  std::wstring dataPath_;
  ComPtr<IXMLDOMDocument> doc_;
  std::wstring makerPath_;  // "main/<platform>/<tag>" of the manufacturer shown
  std::function<void(const std::string&)> openUrl_;
  UniqueFont font_;
};

}  // namespace zorvik
