#pragma once
// The store pages: the maker's software store in the embedded browser (page 20, "商城主页") and
// its category pages (21..27). Page 20 opens the store home, an item (0x4FB from the main
// window) and searches (0x464); a link to a package (an address holding ".apk") becomes a
// download request instead of a navigation.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "ui/HtmlCtrl.h"
#include "app/Page.h"
#include "manage/apps/AppStore.h"

namespace zorvik {

// Where store pages hand their download requests (the downloads page connects it; UI thread).
// Without a handler the status line says the download cannot start yet.
using DownloadRequestHandler = std::function<void(const DownloadRequest&)>;
void setDownloadRequestHandler(DownloadRequestHandler handler);

class StorePage : public Page {
public:
  StorePage(const PageInfo& info, PageHost& host);
  ~StorePage() override;  // where Browser is complete

  // First display of page 20: the store home.
  void load() override;
  void onShown() override;
  void onToolbar(int index) override;
  LRESULT onRouted(UINT msg, WPARAM wp, LPARAM lp) override;

  void openHome();
  void openItem(int32_t itemNumber);
  // The shell's search box: refuses keywords shorter than two bytes (the status line says so);
  // true when the search address was opened.
  bool search(const std::string& keyword);
  // The embedded browser is about to open `address`; true when it must not (a package link).
  bool beforeNavigate(const std::string& address);

  // The last address the page asked its browser to open (tests; the browser may draw nothing).
  const std::string& lastAddress() const { return lastAddress_; }

private:
  class Browser;
  void navigate(const std::string& address);

  std::unique_ptr<Browser> browser_;
  std::string lastAddress_;
  bool categoryShown_ = false;
};

}  // namespace zorvik
