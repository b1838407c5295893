#include "manage/apps/win/AppsPage.h"

#include <commctrl.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <utility>

#include "ui/Controls.h"
#include "ui/Notices.h"
#include "app/PageData.h"
#include "app/PageTable.h"
#include "ui/PageWork.h"
#include "settings/SettingsWin.h"
#include "ui/Window.h"
#include "common/ByteSize.h"
#include "common/FormPost.h"
#include "common/Md5.h"
#include "common/TimeFormat.h"
#include "common/win/Handles.h"
#include "devlink/CurrentDevice.h"

namespace zorvik {

namespace {
constexpr const char* kReading = "正在读取...";
constexpr COLORREF kGrey = RGB(130, 130, 130);
constexpr COLORREF kLinkColour = RGB(0, 102, 204);
constexpr COLORREF kCurrentColour = RGB(0, 140, 60);
constexpr int kCheckSide = 13;
constexpr int kRatingWidth = 120, kRatingHeight = 24, kRatingRows = 10;

enum Column {
  kIconColumn, kNameColumn, kCategoryColumn, kRatingColumn, kVersionColumn, kHintColumn, kDateColumn, kCheckColumn,
  kColumnCount
};

// The rating strip: ten 120 x 24 cells stacked 24 pixels apart on white; cell n (n >= 1) holds
// (n + 1) / 2 stars, so ratings 1..5 use the cells at 24, 72, 120, 168 and 216 and cell 0 none.
UniqueBitmap makeRatingStrip() {
  return drawBitmap(kRatingWidth, kRatingHeight * kRatingRows, RGB(255, 255, 255), [](HDC dc) {
    UniqueBrush gold(CreateSolidBrush(RGB(250, 180, 20)));
    UniqueBrush empty(CreateSolidBrush(RGB(215, 215, 215)));
    UniquePen edge(CreatePen(PS_SOLID, 1, RGB(200, 140, 10)));
    UniquePen grey(CreatePen(PS_SOLID, 1, RGB(190, 190, 190)));
    for (int n = 0; n < kRatingRows; ++n) {
      const int halves = n == 0 ? 0 : n + 1;  // filled half-stars in this cell
      for (int s = 0; s < 5; ++s) {
        const int cx = s * 24 + 12, cy = n * kRatingHeight + 12;
        POINT p[10];
        for (int k = 0; k < 10; ++k) {
          const double a = -3.14159265 / 2 + k * 3.14159265 / 5;
          const double r = (k % 2) ? 4.5 : 10.5;
          p[k] = {cx + static_cast<LONG>(r * std::cos(a)), cy + static_cast<LONG>(r * std::sin(a))};
        }
        const bool full = halves >= (s + 1) * 2, half = halves == s * 2 + 1;
        SelectObjectScope pen(dc, full || half ? edge.get() : grey.get());
        SelectObjectScope brush(dc, full ? gold.get() : empty.get());
        Polygon(dc, p, 10);
        if (half) {
          UniqueRegion left(CreateRectRgn(cx - 12, cy - 12, cx, cy + 12));
          SelectClipRgn(dc, left.get());
          SelectObjectScope fill(dc, gold.get());
          Polygon(dc, p, 10);
          SelectClipRgn(dc, nullptr);
        }
      }
    }
  });
}

int ratingCellOffset(int rating) {
  if (rating < 1 || rating > 5) return 0;
  return (rating * 2 - 1) * kRatingHeight;
}

double msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}
}  // namespace

struct AppsPage::Looked {
  std::vector<std::string> names;
  std::vector<std::optional<StoreFacts>> facts;
  std::chrono::steady_clock::time_point start;
  BasicFacts phone;
};

AppsPage::AppsPage(const PageInfo& info, PageHost& host)
    : ListPage(info, host,
               {.listId = IDC_APPS_LIST,
                .list = {.columns = {{"图标", 60}, {"应用名称和描述", 180, LVCFMT_CENTER}, {"分类", 80, LVCFMT_CENTER},
                                     {"评级", 130, LVCFMT_CENTER}, {"版本", 56}, {"提示", 74, LVCFMT_CENTER},
                                     {"安装日期", 120, LVCFMT_CENTER}, {"选择", 40, LVCFMT_CENTER}},
                         .imageCapacity = kMaxAppIcon},
                .readingText = kReading,
                .extraStyle = WS_BORDER | LVS_NOSORTHEADER},  // not sortable: a click on a header does nothing
               [](const ExchangeCancel* cancel) {
                 auto apps = fetchRecords(bareRequest(AgentCommand::ListApplications), parseAppList, cancel);
                 Fetched<std::vector<AppRow>> rows;
                 rows.result = apps.result;
                 for (AppRecord& a : apps.list) {
                   AppRow r;
                   r.label = a.label;
                   r.packageName = a.packageName;
                   r.versionName = a.versionName;
                   r.extraValue = a.extraValue;
                   // The shell's byte-size text of the low 32 bits, as the list has always shown it.
                   r.sizeText = byteSizeText(static_cast<uint32_t>(a.sizeBytes));
                   r.installDate = formatPhoneTime(a.installTimeMs, "从未");
                   r.icon = std::move(a.icon);
                   rows.list.push_back(std::move(r));
                 }
                 return rows;
               }) {
  runner_ = std::make_unique<AdbProcessRunner>(static_cast<AdbOutputSink&>(*this));
  map_.onNotify(IDC_APPS_LIST, NM_CLICK, [this](WinMsg& m) {
    const auto& click = *reinterpret_cast<const NMITEMACTIVATE*>(m.lp);
    if (list_.lastClickToggled()) return;
    int row = -1;
    if (overLink(click.ptAction, &row)) openInStore(row);
  });
  map_.onNotify(IDC_APPS_LIST, NM_RCLICK, [this](WinMsg&) { showContextMenu(); });
  // The hand over the "详细" link (the list's own busy cursor comes first while it loads).
  map_.on(WM_SETCURSOR, [this](WinMsg& m) {
    if (reinterpret_cast<HWND>(m.wp) == list_.hwnd() && LOWORD(m.lp) == HTCLIENT) {
      POINT p;
      GetCursorPos(&p);
      ScreenToClient(list_.hwnd(), &p);
      if (overLink(p)) {
        SetCursor(LoadCursor(nullptr, IDC_HAND));
        m.result = TRUE;
        return;
      }
    }
    m.handled = false;
  });
}

void AppsPage::onInit() { ratingStrip_ = makeRatingStrip(); }

void AppsPage::close() {
  runner_.reset();
  ListPage::close();
}

void AppsPage::onToolbar(int index) {
  switch (index) {
    case toolbar::kRefetchApplications: reload(); break;
    case toolbar::kDeleteApplications: uninstallChecked(); break;
    default: break;
  }
}

void AppsPage::load() {
  if (loading()) return;
  ++loadsStarted_;
  loadStart_ = std::chrono::steady_clock::now();
  ListPage::load();
}

TwoLineRow AppsPage::rowOf(AppRow& r) {
  TwoLineRow row;
  row.image = std::move(r.icon);
  row.cells = {"", r.label, r.category, "", r.sizeText, "已最新", r.installDate, ""};
  row.secondLine = r.descriptionLine;
  return row;
}

void AppsPage::onRowsShown() {
  lastFillMs_ = msSince(loadStart_);
  startLookup();
}

void AppsPage::startLookup() {
  if (lookupRunning_) {
    lookupOwed_ = true;
    return;
  }
  lookupRunning_ = true;
  std::vector<std::string> names;
  for (const AppRow& r : records_) names.push_back(r.packageName);
  const std::string address = apkListAddress(serviceBase());
  BasicFacts known = facts_;
  work_.run(
      [address, names, known](ExchangeCancel* cancel) {
        Looked looked;
        looked.start = std::chrono::steady_clock::now();
        // The phone's facts go with the lookup; a refused or failed 870002 keeps the old ones.
        looked.phone = known;
        AgentBody body;
        if (exchangeForBody(bareRequest(AgentCommand::PhoneInfo), body, cancel) == AgentResult::Ok)
          readBasicFacts(body.bytes.data(), body.bytes.size(), looked.phone);
        if (!names.empty()) {
          ApkListQuery q;
          q.checkSum = apkListCheckSum(names.size(), names.back(), md5hex);
          q.clientCode = looked.phone.clientCode;
          q.apiLevel = looked.phone.apiLevel;
          q.modelName = looked.phone.modelName;
          q.packageNames = names;
          const std::string reply = FormPostWithin(address, {{"apps", apkListRequestJson(q)}}, kFormPostDeadlineMs,
                                                   [cancel] { return cancel->cancelled(); })
                                        .value_or("");
          looked.facts = matchApkListReply(reply, names);
        }
        looked.names = names;
        return looked;
      },
      [this](Looked& looked) { applyLookup(looked); });
}

// What the service said of each package goes to every row of that package now shown: a reload
// meanwhile (same packages, new rows) keeps its descriptions.
void AppsPage::applyLookup(Looked& looked) {
  lookupRunning_ = false;
  facts_ = looked.phone;
  ++lookupsDone_;
  std::map<std::string, const StoreFacts*> byPackage;
  for (size_t i = 0; i < looked.names.size() && i < looked.facts.size(); ++i)
    if (looked.facts[i]) byPackage[looked.names[i]] = &*looked.facts[i];
  for (size_t i = 0; i < records_.size(); ++i) {
    auto it = byPackage.find(records_[i].packageName);
    if (it == byPackage.end()) continue;
    AppRow& r = records_[i];
    r.rating = it->second->rating;
    r.storeId = it->second->storeId;
    r.category = it->second->category;
    r.descriptionLine = it->second->description;
    list_.view().setCell(static_cast<int>(i), kCategoryColumn, r.category);
  }
  lastLookupMs_ = msSince(looked.start);
  InvalidateRect(list_.hwnd(), nullptr, TRUE);
  if (lookupOwed_) {
    lookupOwed_ = false;
    startLookup();
  }
}

bool AppsPage::paintCell(HDC dc, const RECT& cell, int row, int column, bool) {
  if (row < 0 || static_cast<size_t>(row) >= records_.size()) return false;
  const AppRow& r = records_[static_cast<size_t>(row)];
  switch (column) {
    case kNameColumn:
      drawTwoLines(dc, cell, r.label, r.descriptionLine, DT_LEFT);
      return true;
    case kCategoryColumn: {
      drawTwoLines(dc, cell, r.category, "", DT_CENTER);
      RECT link = cell;
      link.top = (cell.top + cell.bottom) / 2;
      UniqueFont underlined;
      if (HFONT base = reinterpret_cast<HFONT>(SendMessageA(list_.hwnd(), WM_GETFONT, 0, 0))) {
        LOGFONTA lf{};
        GetObjectA(base, sizeof lf, &lf);
        lf.lfUnderline = TRUE;
        underlined.reset(CreateFontIndirectA(&lf));
      }
      SelectObjectScope f(dc, underlined ? underlined.get() : GetCurrentObject(dc, OBJ_FONT));
      SetTextColor(dc, kLinkColour);
      DrawTextA(dc, r.linkText.c_str(), -1, &link, DT_SINGLELINE | DT_CENTER | DT_TOP | DT_NOPREFIX);
      return true;
    }
    case kRatingColumn: {
      if (!ratingStrip_) return true;
      BitmapDc strip(dc, ratingStrip_.get());
      const int x = cell.left + (cell.right - cell.left - kRatingWidth) / 2;
      const int y = (cell.top + cell.bottom - kRatingHeight) / 2;
      TransparentBlt(dc, x, y, kRatingWidth, kRatingHeight, strip.get(), 0, ratingCellOffset(r.rating), kRatingWidth,
                     kRatingHeight, RGB(255, 255, 255));
      return true;
    }
    case kVersionColumn:
      drawTwoLines(dc, cell, r.versionName, r.sizeText, DT_LEFT);
      return true;
    case kHintColumn: {
      RECT t = cell;
      SetTextColor(dc, r.hintState == 1 ? kCurrentColour : RGB(200, 60, 0));
      DrawTextA(dc, "已最新", -1, &t, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
      return true;
    }
    case kCheckColumn:
      drawCheckBox(dc, cell, list_.row(row).checked, kCheckSide);
      return true;
    default:
      return false;
  }
}

bool AppsPage::overLink(POINT client, int* rowOut) const {
  LVHITTESTINFO hit{};
  hit.pt = client;
  if (SendMessageA(list_.hwnd(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0) return false;
  if (hit.iItem < 0 || hit.iItem >= static_cast<int>(records_.size()) || hit.iSubItem != kCategoryColumn) return false;
  RECT cell{};
  ListView_GetSubItemRect(list_.hwnd(), hit.iItem, kCategoryColumn, LVIR_BOUNDS, &cell);
  if (client.y < (cell.top + cell.bottom) / 2) return false;  // the link is the lower line
  if (rowOut) *rowOut = hit.iItem;
  return true;
}

UniqueMenu makeAppContextMenu() {
  UniqueMenu menu(CreatePopupMenu());
  AppendMenuA(menu.get(), MF_STRING, IDM_APP_RUN, "立即运行");
  AppendMenuA(menu.get(), MF_STRING, IDM_APP_UNINSTALL, "删除卸载");
  AppendMenuA(menu.get(), MF_STRING, IDM_APP_STORE, "商城搜索");
  return menu;
}

void AppsPage::showContextMenu() {
  const int row = list_.view().selected();
  if (row < 0 || row >= static_cast<int>(records_.size())) return;
  UniqueMenu menu = makeAppContextMenu();
  POINT p;
  GetCursorPos(&p);
  const UINT chosen = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, p.x, p.y, 0, hwnd(), nullptr);
  switch (chosen) {
    case IDM_APP_RUN: runPackage(row); break;
    case IDM_APP_UNINSTALL: uninstallOne(records_[static_cast<size_t>(row)].packageName); break;
    case IDM_APP_STORE: openInStore(row); break;
    default: break;
  }
}

void AppsPage::runPackage(int row) {
  if (row < 0 || row >= static_cast<int>(records_.size())) return;
  const AppRow& record = records_[static_cast<size_t>(row)];
  const Bytes request = startApplicationRequest(record.packageName);
  struct Started {
    AgentResult result = AgentResult::Ok;
    int32_t status = 0;
  };
  // The phone answers 1 when it started (or brought forward) the package, 0 when it could not.
  work_.run(
      [request](ExchangeCancel* cancel) {
        Started started;
        started.result = exchangeForStatus(request, &started.status, cancel);
        return started;
      },
      [this, label = record.label.empty() ? record.packageName : record.label](Started& started) {
        host().setStatusText(runPackageText(started.result, started.status, label));
      });
}

void AppsPage::openInStore(int row) {
  // The store page opens this item instead of its home page.
  PageDataTable::instance().beginLoad(kKeyStore);
  PageDataTable::instance().markLoaded(kKeyStore);
  if (row < 0 || row >= static_cast<int>(records_.size())) return;
  const int32_t id = records_[static_cast<size_t>(row)].storeId;
  if (id == -1) return;
  host().openStoreItem(id);
}

void AppsPage::uninstallChecked() {
  std::vector<std::string> names;
  for (int row : list_.checkedRows())
    if (static_cast<size_t>(row) < records_.size()) names.push_back(records_[static_cast<size_t>(row)].packageName);
  if (names.empty()) {
    CheckFirstNotice(hwnd());
    return;
  }
  char text[128];
  std::snprintf(text, sizeof text, "您真的要删除选择的【 %d 】个应用吗？", static_cast<int>(names.size()));
  if (!DeleteConfirmDialog(hwnd(), text)) return;
  for (const std::string& name : names) uninstallOne(name);
}

void AppsPage::uninstallOne(const std::string& packageName) {
  const std::string command = appUninstallCommand(adbPath(), currentSerial(), packageName);
  if (command.empty()) {
    std::string text = "【错误】应用包名不合法，不能卸载：" + packageName;
    MessageBoxA(hwnd(), text.c_str(), "Zorvik", MB_OK | MB_ICONWARNING);
    return;
  }
  // One runner runs one command at a time: the batch waits in a queue, each started when the
  // one before it has ended, so every uninstall reports its end and the list reloads once. Each
  // has a deadline, so a held-up phone holds the rest of the batch up for that long at most.
  ++pendingUninstalls_;
  uninstallQueue_.push_back({command, packageName});
  if (!uninstallRunning_) startNextUninstall();
}

void AppsPage::startNextUninstall() {
  while (!uninstallQueue_.empty()) {
    Uninstall next = std::move(uninstallQueue_.front());
    uninstallQueue_.pop_front();
    uninstalling_ = next.packageName;
    if (runner_->run(next.commandLine, uninstallDeadlineMs_)) {
      uninstallRunning_ = true;
      return;
    }
    uninstallRunning_ = false;
    uninstallEnded();  // a tool that cannot start counts as ended
    return;
  }
  uninstallRunning_ = false;
}

void AppsPage::receive(const std::string& text, int kind) {
  if (kind == kAdbOutputChunk) {
    OutputDebugStringA(text.c_str());
    return;
  }
  // Ended, timed out or read failed: either way the command is over and reports no more.
  post_([this, timedOut = kind == kAdbOutputTimedOut] {
    if (timedOut) host().setStatusText(adbTimeoutText(("卸载 " + uninstalling_).c_str()));
    uninstallRunning_ = false;
    uninstallEnded();
  });
}

void AppsPage::uninstallEnded() {
  if (pendingUninstalls_ > 0) --pendingUninstalls_;
  if (!uninstallQueue_.empty()) {
    startNextUninstall();
    return;
  }
  if (pendingUninstalls_ == 0) reload();
}

}  // namespace zorvik
