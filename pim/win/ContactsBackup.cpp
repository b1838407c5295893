// The contacts page's backup strip: vCard export and import (see ContactsPage.h).
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "common/LocalFile.h"
#include "common/win/Handles.h"
#include "common/win/WideText.h"
#include "devlink/AgentSession.h"
#include "devlink/FetchList.h"
#include "pim/ContactWire.h"
#include "pim/win/ContactsPage.h"
#include "pim/win/ContactsResource.h"
#include "pim/VCard.h"

namespace zorvik {

namespace {
constexpr const char* kExporting = "正在导出联系人 %d/%d";
constexpr const char* kImporting = "正在导入联系人 %d/%d";
constexpr const wchar_t kVCardFilter[] = L"vCard 联系人 (*.vcf)\0*.vcf\0所有文件 (*.*)\0*.*\0";

std::string formatted(const char* format, int a, int b) {
  char text[96];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

// The whole file, or nothing when it cannot be read or is larger than a vCard file may be.
bool readWholeFile(const std::wstring& path, std::string& bytes) {
  return zorvik::readWholeFile(fromWide(path, CP_UTF8), bytes, kMaxVCardFile);
}

// A failed export leaves the file the user had (or none), never half of one.
bool writeWholeFile(const std::wstring& path, const std::string& bytes) {
  return writeFileAtomically(fromWide(path, CP_UTF8), bytes);
}

// The common file dialog; empty when the user cancels.
std::wstring askForFile(HWND owner, bool save) {
  wchar_t path[MAX_PATH] = L"";
  if (save) wcscpy(path, L"联系人.vcf");
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = kVCardFilter;
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrDefExt = L"vcf";
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
              (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  const BOOL chosen = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  return chosen ? std::wstring(path) : std::wstring();
}

struct Exported {
  AgentResult result = AgentResult::Ok;
  bool written = false;
  int count = 0;
  int gone = 0;  // deleted on the phone since the list was read: skipped
};

struct Imported {
  AgentResult result = AgentResult::Ok;  // the exchange that stopped the import, if one did
  bool readable = true;
  bool sent = false;  // at least one card went to the phone: the list is read again
  int added = 0, skipped = 0;
};

// How many contacts the phone holds now, read apart from the page's list; -1 when it cannot say.
int phoneContactCount(const ExchangeCancel* cancel) {
  auto fetched = fetchRecords(bareRequest(AgentCommand::ListContacts), parseContactList, cancel);
  if (fetched.result == AgentResult::NoReply) return 0;  // an empty store
  return fetched.result == AgentResult::Ok ? static_cast<int>(fetched.list.size()) : -1;
}
}  // namespace

std::string ContactsPage::backupText() const { return windowText(item(IDC_CONTACT_BACKUP_TEXT)); }

void ContactsPage::startBackup(const char* firstText) {
  backupRunning_ = true;
  EnableWindow(item(IDC_CONTACT_EXPORT), FALSE);
  EnableWindow(item(IDC_CONTACT_IMPORT), FALSE);
  SetWindowTextA(item(IDC_CONTACT_BACKUP_TEXT), "");
  ShowWindow(item(IDC_CONTACT_BACKUP_TEXT), SW_HIDE);
  SendMessageA(item(IDC_CONTACT_PROGRESS), PBM_SETPOS, 0, 0);
  ShowWindow(item(IDC_CONTACT_PROGRESS), SW_SHOW);
  host().setStatusText(firstText);
}

void ContactsPage::backupProgress(int done, int total, const char* format) {
  SendMessageA(item(IDC_CONTACT_PROGRESS), PBM_SETRANGE32, 0, total > 0 ? total : 1);
  SendMessageA(item(IDC_CONTACT_PROGRESS), PBM_SETPOS, done, 0);
  host().setStatusText(formatted(format, done, total));
}

void ContactsPage::endBackup(const std::string& summary) {
  backupRunning_ = false;
  ShowWindow(item(IDC_CONTACT_PROGRESS), SW_HIDE);
  SetWindowTextA(item(IDC_CONTACT_BACKUP_TEXT), summary.c_str());
  ShowWindow(item(IDC_CONTACT_BACKUP_TEXT), SW_SHOW);
  EnableWindow(item(IDC_CONTACT_EXPORT), TRUE);
  EnableWindow(item(IDC_CONTACT_IMPORT), TRUE);
}

void ContactsPage::exportContacts() {
  if (backupRunning_) return;
  const std::wstring path = askForFile(hwnd(), true);
  if (!path.empty()) exportTo(path);
}

void ContactsPage::importContacts() {
  if (backupRunning_) return;
  const std::wstring path = askForFile(hwnd(), false);
  if (!path.empty()) importFrom(path);
}

// Every contact the list shows, each card read from the phone in turn (the list's photo goes
// with it); written only when every card came whole. A contact deleted on the phone since the list
// was read (the phone has no card for it) is skipped and counted; an empty list writes nothing, so
// the chosen file is not replaced by an empty one.
void ContactsPage::exportTo(const std::wstring& path) {
  if (backupRunning_) return;
  if (records_.empty()) {
    host().setStatusText("");
    endBackup("没有联系人可导出，文件未写入");
    return;
  }
  startBackup(formatted(kExporting, 0, static_cast<int>(records_.size())).c_str());
  auto post = work_.poster();
  work_.run(
      [this, path, post, records = records_](ExchangeCancel* cancel) {
        Exported out;
        std::vector<VCardContact> contacts;
        contacts.reserve(records.size());
        const int total = static_cast<int>(records.size());
        for (const ContactRecord& record : records) {
          AgentBody body;
          out.result = exchangeForBody(contactDetailsRequest(record.contactId), body, cancel);
          VCardContact contact;
          if (out.result == AgentResult::NoReply) {
            out.result = AgentResult::Ok;
            ++out.gone;
            continue;
          }
          if (out.result != AgentResult::Ok || !parseContactCard(body.bytes.data(), body.bytes.size(), contact.card)) {
            if (out.result == AgentResult::Ok) out.result = AgentResult::Malformed;
            return out;
          }
          contact.photo = record.photo;
          contacts.push_back(std::move(contact));
          const int done = static_cast<int>(contacts.size()) + out.gone;
          if (done % 20 == 0 || done == total) post([this, done, total] { backupProgress(done, total, kExporting); });
        }
        out.count = static_cast<int>(contacts.size());
        if (contacts.empty()) return out;
        out.written = writeWholeFile(path, writeVCards(contacts));
        return out;
      },
      [this](Exported& out) {
        if (out.result != AgentResult::Ok) {
          const char* failure = agentFailureText(out.result);
          host().setStatusText(failure ? failure : "");
          endBackup("导出失败：联系人读取不完整，文件未写入");
        } else if (out.count == 0) {
          host().setStatusText("");
          endBackup("没有联系人可导出，文件未写入");
        } else if (!out.written) {
          host().setStatusText("");
          endBackup("导出失败：无法写入文件");
        } else {
          host().setStatusText("");
          endBackup(out.gone == 0 ? formatted("已导出 %d 条联系人", out.count, 0)
                                  : formatted("已导出 %d 条联系人，跳过 %d 条（已在手机上删除）", out.count, out.gone));
        }
      });
}

// Each card of the file added through 870103 in turn; then the list is read again, and the summary
// counts the contacts the phone gained.
void ContactsPage::importFrom(const std::wstring& path) {
  if (backupRunning_) return;
  startBackup(formatted(kImporting, 0, 0).c_str());
  auto post = work_.poster();
  work_.run(
      [this, path, post](ExchangeCancel* cancel) {
        Imported out;
        std::string bytes;
        if (!readWholeFile(path, bytes)) {
          out.readable = false;
          return out;
        }
        VCardReadResult file = readVCards(bytes);
        const int total = static_cast<int>(file.contacts.size());
        // The status word of an add says nothing the phone keeps to: what counts is how many
        // contacts the phone holds afterwards. Only when it cannot say are the cards it answered
        // counted.
        const int before = total > 0 ? phoneContactCount(cancel) : -1;
        int answered = 0;
        for (int i = 0; i < total; ++i) {
          const AgentResult result =
              exchangeForStatus(addContactRequest(file.contacts[static_cast<size_t>(i)].card), nullptr, cancel);
          out.sent = true;
          if (result == AgentResult::Ok) {
            ++answered;
          } else if (result != AgentResult::NoReply) {
            out.result = result;  // the phone went silent or away: the rest are not sent
            break;
          }
          const int done = i + 1;
          if (done % 10 == 0 || done == total) post([this, done, total] { backupProgress(done, total, kImporting); });
        }
        const int after = out.sent && before >= 0 ? phoneContactCount(cancel) : -1;
        out.added = after >= 0 ? std::clamp(after - before, 0, total) : answered;
        out.skipped = static_cast<int>(file.skipped) + total - out.added;
        return out;
      },
      [this](Imported& out) {
        if (!out.readable) {
          host().setStatusText("");
          endBackup("导入失败：无法读取文件");
          return;
        }
        const char* failure = agentFailureText(out.result);
        host().setStatusText(failure ? failure : "");
        endBackup(formatted("导入 %d 条，跳过 %d 条", out.added, out.skipped));
        if (out.sent) reload();  // whatever the phone made of the cards, the list shows what it holds
      });
}

}  // namespace zorvik
