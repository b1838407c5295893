#pragma once
// The bookmark editor ("新建书签 - Zorvik" / "修改书签 - Zorvik": title and address required,
// storage state and visit count optional) and the sync dialog ("同步收藏夹 - Zorvik"). The editor
// only collects the bookmark; the page sends it.
#include <windows.h>

#include "ui/Window.h"
#include "manage/alarms/BookmarkWire.h"

namespace zorvik {

class BookmarkEditor : public Dialog {
public:
  static constexpr const char* kAddCaption = "新建书签 - Zorvik";
  static constexpr const char* kChangeCaption = "修改书签 - Zorvik";
  static constexpr const char* kMissingText = "【提示】请填写标题和网址";
  static constexpr const char* kBadCountText = "【提示】访问次数应为不大于2147483647的数字";

  BookmarkEditor();
  explicit BookmarkEditor(const BookmarkRow& row);

  bool isChange() const { return change_; }
  const BookmarkEdit& bookmark() const { return bookmark_; }

private:
  // Reads the controls; false with a hint (the dialog stays open) when the title or address is
  // empty or the visit count is no number.
  bool accept();

  bool change_ = false;
  BookmarkEdit bookmark_;
};

// The three sync directions. The transfer behind them is not there yet: each button says so in
// the dialog and changes nothing.
class BookmarkSyncDialog : public Dialog {
public:
  static constexpr const char* kNotYetText = "【提示】书签同步暂不可用，手机和电脑上的书签都没有改动";
  BookmarkSyncDialog();
};

}  // namespace zorvik
