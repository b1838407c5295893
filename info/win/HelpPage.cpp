#include "info/win/HelpPage.h"

#include "devlink/BasicFacts.h"

#include <shellapi.h>


#include "ui/Controls.h"
#include "app/PageData.h"
#include "settings/SettingsWin.h"
#include "common/FormPost.h"
#include "common/Md5.h"
#include "devlink/AdbBridge.h"
#include "devlink/AgentSession.h"
#include "devlink/DeviceTables.h"
#include "info/win/InfoControls.h"

namespace zorvik {

struct HelpPage::Loaded {
  AgentResult result = AgentResult::Ok;
  std::optional<BasicFacts> facts;
};

const char* const kHelpLinks[4] = {
    "mailto:support@zorvik.com",
    "http://bbs.zorvik.com/",
    "http://t.zorvik.com/zorvik",
    "http://help.zorvik.com/",
};

int runningWindowsPc() {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = sizeof v;
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  auto get = ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                   : nullptr;
  if (!get || get(&v) != 0) return 0;
  return feedbackPc(v.dwMajorVersion, v.dwMinorVersion);
}

HelpPage::HelpPage(const PageInfo& info, PageHost& host) : Page(info, host) {
  openUrl_ = [this](const std::string& url) {
    ShellExecuteA(hwnd(), "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  };
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    createControls();
    m.result = TRUE;
  });
  for (int i = 0; i < 4; ++i)
    map_.onCommand(kHelpMailButton + i, [this, i](WinMsg& m) {
      if (m.commandCode() == BN_CLICKED) openUrl_(kHelpLinks[i]);
    });
  map_.onCommand(kHelpSubmitButton, [this](WinMsg& m) {
    if (m.commandCode() == BN_CLICKED) submit();
  });
  map_.onCommand(kHelpNoticesButton, [this](WinMsg& m) {
    if (m.commandCode() == BN_CLICKED) openNotices();
  });
}

// The notices as a local file beside the program, opened with the handler of .txt files.
void HelpPage::openNotices() {
  const std::string path = programFolder() + kHelpNoticesFile;
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    SetDlgItemTextA(hwnd(), kHelpStatusLabel, kHelpNoticesMissing);
    return;
  }
  openUrl_(path);
}

void HelpPage::createControls() {
  font_.reset(createPageFont());
  const char* links[4] = {"邮件反馈", "官方论坛", "官方微博", "帮助中心"};
  for (int i = 0; i < 4; ++i)
    createChild(hwnd(), "BUTTON", links[i], BS_PUSHBUTTON | WS_TABSTOP, 12 + i * 146, 10, 136, 30, kHelpMailButton + i, 0, font_.get());

  createChild(hwnd(), "BUTTON", "意见反馈", BS_GROUPBOX, 8, 50, 586, 332, -1, 0, font_.get());
  const DWORD edit = ES_AUTOHSCROLL | WS_TABSTOP;
  createChild(hwnd(), "STATIC", "手机平台：", 0, 20, 74, 70, 16, -1, 0, font_.get());
  HWND platforms = createChild(hwnd(), "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 90, 70, 190, 200, kHelpPlatformList, 0, font_.get());
  for (const char* p : kFeedbackPlatformCaptions) SendMessageA(platforms, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p));
  SendMessageA(platforms, CB_SETCURSEL, 0, 0);
  createChild(hwnd(), "STATIC", "手机型号：", 0, 300, 74, 70, 16, -1, 0, font_.get());
  createChild(hwnd(), "EDIT", "", edit, 370, 70, 212, 22, kHelpModelEdit, WS_EX_CLIENTEDGE, font_.get());
  createChild(hwnd(), "STATIC", "固件版本：", 0, 20, 104, 70, 16, -1, 0, font_.get());
  createChild(hwnd(), "EDIT", "", edit, 90, 100, 190, 22, kHelpFirmwareEdit, WS_EX_CLIENTEDGE, font_.get());
  createChild(hwnd(), "STATIC", "反馈内容：", 0, 20, 134, 70, 16, -1, 0, font_.get());
  createChild(hwnd(), "EDIT", "", ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP, 90, 130, 492, 150, kHelpContentEdit, WS_EX_CLIENTEDGE, font_.get());
  createChild(hwnd(), "STATIC", "QQ：", 0, 20, 294, 70, 16, -1, 0, font_.get());
  createChild(hwnd(), "EDIT", "", edit, 90, 290, 190, 22, kHelpQqEdit, WS_EX_CLIENTEDGE, font_.get());
  createChild(hwnd(), "STATIC", "Email：", 0, 300, 294, 70, 16, -1, 0, font_.get());
  createChild(hwnd(), "EDIT", "", edit, 370, 290, 212, 22, kHelpEmailEdit, WS_EX_CLIENTEDGE, font_.get());
  createChild(hwnd(), "BUTTON", "提交反馈", BS_PUSHBUTTON | WS_TABSTOP, 90, 326, 100, 28, kHelpSubmitButton, 0, font_.get());
  createChild(hwnd(), "STATIC", "", 0, 200, 334, 380, 16, kHelpStatusLabel, 0, font_.get());
  createChild(hwnd(), "BUTTON", "第三方软件许可", BS_PUSHBUTTON | WS_TABSTOP, 8, 392, 136, 28, kHelpNoticesButton, 0, font_.get());
}

void HelpPage::load() {
  if (loading_) return;
  loading_ = true;
  work_.run(
      [](ExchangeCancel* cancel) {
        Loaded loaded;
        AgentBody body;
        loaded.result = exchangeForBody(bareRequest(AgentCommand::PhoneInfo), body, cancel);
        BasicFacts facts;
        if (loaded.result != AgentResult::Ok) return loaded;
        // The end mark in place of the model means the agent has nothing to tell: the form stays.
        // A reply too short for its fields is no answer either, and says so.
        switch (readBasicFacts(body.bytes.data(), body.bytes.size(), facts)) {
          case BasicFactsRead::Complete: loaded.facts = std::move(facts); break;
          case BasicFactsRead::ModelEnded: break;
          case BasicFactsRead::Short: loaded.result = AgentResult::Malformed; break;
        }
        return loaded;
      },
      [this](Loaded& loaded) { fill(loaded); });
}

void HelpPage::fill(const Loaded& loaded) {
  loading_ = false;
  finishLoad(loaded.result, [&] {
    if (!loaded.facts) return;  // nothing to tell: the form stays as it is
    clientCode_ = loaded.facts->clientCode;
    sdk_ = loaded.facts->apiLevel;
    model_ = loaded.facts->modelName;
    SetDlgItemTextA(hwnd(), kHelpFirmwareEdit, versionNameForSdk(sdk_));
    SetDlgItemTextA(hwnd(), kHelpModelEdit, model_.c_str());
  });
}

FeedbackForm HelpPage::readForm() const {
  FeedbackForm form;
  form.platformIndex = static_cast<int>(SendMessageA(GetDlgItem(hwnd(), kHelpPlatformList), CB_GETCURSEL, 0, 0));
  form.firmware = Control(hwnd(), kHelpFirmwareEdit).text();
  form.model = Control(hwnd(), kHelpModelEdit).text();
  form.content = Control(hwnd(), kHelpContentEdit).text();
  form.qq = Control(hwnd(), kHelpQqEdit).text();
  form.email = Control(hwnd(), kHelpEmailEdit).text();
  form.clientCode = clientCode_;
  form.pc = runningWindowsPc();
  return form;
}

void HelpPage::submit() {
  if (!gate_.tryStart()) return;  // one at a time, five a run: the click does nothing
  PageDataTable::instance().forget(kKeyHelp);
  PageDataTable::instance().beginLoad(kKeyHelp);
  SetDlgItemTextA(hwnd(), kHelpStatusLabel, kFeedbackSending);
  const FeedbackRequest request = buildFeedbackRequest(readForm(), md5hex);
  if (request.refusal) {
    SetDlgItemTextA(hwnd(), kHelpStatusLabel, request.refusal);
    gate_.finish(false);
    PageDataTable::instance().markLoaded(kKeyHelp);
    return;
  }
  const std::string url = feedbackUrl(serviceBase());
  work_.run([url, json = request.json](ExchangeCancel* cancel) {
              return feedbackAccepted(FormPostWithin(url, {{"feedback", json}}, kFormPostDeadlineMs,
                                                     [cancel] { return cancel->cancelled(); })
                                          .value_or(""));
            },
            [this](bool& accepted) { finishSubmit(accepted); });
}

void HelpPage::finishSubmit(bool accepted) {
  SetDlgItemTextA(hwnd(), kHelpStatusLabel, accepted ? kFeedbackThanks : kFeedbackFailed);
  gate_.finish(true);
  PageDataTable::instance().markLoaded(kKeyHelp);
}

}  // namespace zorvik
