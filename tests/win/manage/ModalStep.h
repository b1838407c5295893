#pragma once
// Driving modal dialogs from a UI test: a thread timer finds the dialog by its caption once it is
// shown and runs a step on it (fill, read, click), while the code under test sits in its modal loop.
#include <windows.h>

#include <functional>
#include <string>

namespace zorvik::test {

struct ModalStep {
  std::string title;
  std::function<void(HWND)> step;
  bool done = false;
};
inline ModalStep*& currentModalStep() {
  static ModalStep* step = nullptr;
  return step;
}

inline void CALLBACK modalStepTimer(HWND, UINT, UINT_PTR id, DWORD) {
  ModalStep* s = currentModalStep();
  if (!s || s->done) return;
  HWND w = FindWindowA(nullptr, s->title.c_str());
  if (!w || !IsWindowVisible(w)) return;
  s->done = true;
  KillTimer(nullptr, id);
  s->step(w);
}

// Runs `action` (which opens a modal window) with `step` done on the window titled `title`.
inline bool withModal(const std::string& title, std::function<void(HWND)> step, const std::function<void()>& action) {
  ModalStep s{title, std::move(step)};
  currentModalStep() = &s;
  UINT_PTR timer = SetTimer(nullptr, 0, 30, modalStepTimer);
  action();
  if (!s.done) KillTimer(nullptr, timer);
  currentModalStep() = nullptr;
  return s.done;
}

inline void clickButton(HWND dialog, int id) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

inline std::string itemText(HWND dialog, int id) {
  char text[512] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

inline bool boxChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

}  // namespace zorvik::test
