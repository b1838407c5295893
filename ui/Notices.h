#pragma once
// The shared dialogs of the list pages: the notice shown when a delete finds no ticked row, and
// the delete confirmation.
#include <windows.h>

#include <string>

namespace zorvik {

constexpr const char* kCheckFirstText = "请先勾选每项最后的复选框后，再执行删除操作";

// "确定" closes; "使用帮助" closes and shows the help page (0x432 with group 0, page 6 to the
// main window). Returns true when the user asked for help.
bool CheckFirstNotice(HWND parent);

// Buttons "删除" and "取消". Returns true only for "删除".
bool DeleteConfirmDialog(HWND parent, const std::string& text);

}  // namespace zorvik
