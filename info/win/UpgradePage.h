#pragma once
// Page 4, "版本升级": the program's own version, and on "检查更新" the maker's update document
// (serviceBase() + "update.xml") fetched on a worker and listed: the latest version, then one row
// per change, newest on top. It only informs; nothing is downloaded.
#include <memory>
#include <string>

#include "app/Page.h"
#include "ui/PageWork.h"
#include "common/win/Handles.h"
#include "info/win/UpdateDocument.h"

namespace zorvik {

enum UpgradeControl : int {
  kUpgradeCurrentVersion = 2701, kUpgradeLatestVersion, kUpgradeCheckButton, kUpgradeStatusLabel, kUpgradeList,
};

// "ProductVersion" of the executable's version resource, through its first translation; empty
// when it has none.
std::string productVersion(const std::string& exePath);

struct UpdateFetch {
  bool ok = false;
  std::string error;
  UpdateInfo info;
};
// The worker's part (COM initialised inside): the document made by the XML factory, the text
// fetched with a deadline and loaded into it, the items read.
UpdateFetch fetchUpdateDocument(const std::string& url);

class UpgradePage : public Page {
 public:
  UpgradePage(const PageInfo& info, PageHost& host);
  ~UpgradePage() override;

  void check();
  bool checking() const { return checking_; }

 private:
  void createControls();
  void show(UpdateFetch& fetch);

  bool checking_ = false;
  UniqueFont font_;
  PageWork work_;
};

}  // namespace zorvik
