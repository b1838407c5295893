#include "manage/processes/win/ProcessesPage.h"

#include <commctrl.h>

#include <utility>

#include "ui/Controls.h"
#include "app/PageTable.h"
#include "ui/Window.h"
#include "common/ByteSize.h"
#include "common/win/Handles.h"

namespace zorvik {

namespace {
constexpr const char* kReading = "正在读取...";
constexpr COLORREF kGrey = RGB(130, 130, 130);
constexpr COLORREF kLinkColour = RGB(0, 102, 204);
constexpr int kStatsHeight = 58;
constexpr int kMarkWidth = 17, kMarkHeight = 16, kCheckSide = 13;

enum Column {
  kIconColumn, kNameColumn, kSystemColumn, kCpuColumn, kMemoryColumn, kPidColumn, kMoreColumn, kCheckColumn,
  kColumnCount
};

// The system mark: a filled blue badge for the system's own processes, a grey ring for the rest.
void drawSystemMark(HDC dc, const RECT& cell, bool system) {
  const int x = (cell.left + cell.right - kMarkWidth) / 2, y = (cell.top + cell.bottom - kMarkHeight) / 2;
  UniquePen pen(CreatePen(PS_SOLID, 1, system ? RGB(30, 100, 200) : RGB(180, 180, 180)));
  UniqueBrush brush(CreateSolidBrush(system ? RGB(60, 130, 220) : RGB(255, 255, 255)));
  SelectObjectScope p(dc, pen.get());
  SelectObjectScope b(dc, brush.get());
  Ellipse(dc, x + 2, y + 1, x + 15, y + 14);
}

void drawCheckBox(HDC dc, const RECT& cell, bool checked) {
  RECT box{(cell.left + cell.right - kCheckSide) / 2, (cell.top + cell.bottom - kCheckSide) / 2, 0, 0};
  box.right = box.left + kCheckSide;
  box.bottom = box.top + kCheckSide;
  DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | (checked ? DFCS_CHECKED : 0));
}

void twoLines(HDC dc, const RECT& cell, const std::string& upper, const std::string& lower, UINT align) {
  RECT top = cell, bottom = cell;
  InflateRect(&top, -4, 0);
  InflateRect(&bottom, -4, 0);
  top.bottom = bottom.top = (cell.top + cell.bottom) / 2;
  const UINT flags = DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX | align;
  SetTextColor(dc, RGB(0, 0, 0));
  DrawTextA(dc, upper.c_str(), -1, &top, flags | DT_BOTTOM);
  SetTextColor(dc, kGrey);
  DrawTextA(dc, lower.c_str(), -1, &bottom, flags | DT_TOP);
}

std::string memoryText(const ProcessRecord& p) {
  // The whole 64-bit count: its low 32 bits alone would show a 5 GiB process as 1 GiB.
  return byteSizeText(p.memoryBytes < 0 ? 0 : static_cast<uint64_t>(p.memoryBytes));
}
}  // namespace

// What a list-load worker hands to the UI thread.
struct ProcessesPage::Loaded {
  AgentResult memory = AgentResult::Ok;
  int32_t freeMemory = 0;
  AgentResult result = AgentResult::Ok;
  std::vector<ProcessRecord> records;
};

ProcessesPage::ProcessesPage(const PageInfo& info, PageHost& host) : Page(info, host) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    font_ = reinterpret_cast<HFONT>(SendMessageA(hwnd(), WM_GETFONT, 0, 0));
    HINSTANCE inst = GetModuleHandleA(nullptr);
    auto make = [&](const char* cls, const char* text, DWORD style, int id) {
      HWND w = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, hwnd(),
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
      if (font_) SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
      return w;
    };
    make("BUTTON", "Zorvik 手机任务管理器统计信息", BS_GROUPBOX, IDC_PROCESS_STATS);
    make("STATIC", "剩余运行内存 (RAM) ", SS_LEFT, IDC_PROCESS_FREE_LABEL);
    make("STATIC", "N/A", SS_LEFT, IDC_PROCESS_FREE_VALUE);
    HWND listWindow = make(WC_LISTVIEWA, "", WS_TABSTOP | WS_BORDER | LVS_REPORT, IDC_PROCESS_LIST);
    list_.attach(listWindow, {.columns = {{"图标", 70}, {"应用名称", 250}, {"系统自带", 80}, {"CPU 使用率", 80},
                                          {"内存占用", 90}, {"PID", 60}, {"其他", 60}, {"选择", 44}},
                              .imageCapacity = kMaxProcessIcon,
                              .checkColumn = true});
    for (int c = 0; c < kColumnCount; ++c) {
      LVCOLUMNA col{};
      col.mask = LVCF_FMT;
      col.fmt = c == kMemoryColumn ? LVCFMT_LEFT : LVCFMT_CENTER;
      if (c != kIconColumn) SendMessageA(list_.hwnd(), LVM_SETCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
    }
    list_.setCellPainter([this](HDC dc, const RECT& cell, int row, int column, bool selected) {
      return paintCell(dc, cell, row, column, selected);
    });
    layout();
    m.result = TRUE;
  });
  map_.on(WM_SIZE, [this](WinMsg&) { layout(); });
  // "详细" in the seventh column does nothing; a click elsewhere may tick a row. The busy cursor
  // shows while the list loads or processes are being ended.
  wireList(list_, IDC_PROCESS_LIST, [this] { return busy(); });
}

ProcessesPage::~ProcessesPage() {
  work_.stop();
  if (hwnd()) DestroyWindow(hwnd());
}

void ProcessesPage::layout() {
  RECT client = clientRectOf(hwnd());
  MoveWindow(item(IDC_PROCESS_STATS), 4, 2, client.right - 8, kStatsHeight - 6, TRUE);
  MoveWindow(item(IDC_PROCESS_FREE_LABEL), 18, 24, 150, 20, TRUE);
  MoveWindow(item(IDC_PROCESS_FREE_VALUE), 170, 24, 200, 20, TRUE);
  MoveWindow(list_.hwnd(), 0, kStatsHeight, client.right, client.bottom - kStatsHeight, TRUE);
}

std::string ProcessesPage::freeMemoryText() const { return windowText(item(IDC_PROCESS_FREE_VALUE)); }

void ProcessesPage::onToolbar(int index) {
  switch (index) {
    case toolbar::kRefreshProcesses: reload(); break;
    case toolbar::kEndProcesses: endChecked(); break;
    default: break;
  }
}

void ProcessesPage::load() {
  if (loading_) return;
  loading_ = true;
  host().setStatusText(kReading);
  // The old rows go before the phone is asked: a failed load leaves the list empty, not stale.
  SendMessageA(list_.hwnd(), WM_SETREDRAW, FALSE, 0);
  list_.clear();
  records_.clear();
  SendMessageA(list_.hwnd(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_.hwnd(), nullptr, TRUE);
  work_.run(
      [](ExchangeCancel* cancel) {
        Loaded loaded;
        // 871806 answers with one word where a length would be: it is the free memory itself.
        loaded.memory = exchangeForStatus(bareRequest(AgentCommand::FreeMemory), &loaded.freeMemory, cancel);
        AgentBody body;
        loaded.result = exchangeForBody(bareRequest(AgentCommand::ListProcesses), body, cancel);
        // Only a complete, well-formed reply is shown: a cut one is not the phone's list.
        if (loaded.result == AgentResult::Ok) {
          ProcessList list = parseProcessList(body.bytes.data(), body.bytes.size());
          if (list.malformed) loaded.result = AgentResult::Malformed;
          else loaded.records = std::move(list.records);
        }
        return loaded;
      },
      [this](Loaded& loaded) {
        showFreeMemory(loaded.memory, loaded.freeMemory);
        fillList(loaded);
      });
}

void ProcessesPage::showFreeMemory(AgentResult result, int32_t word) {
  if (result != AgentResult::Ok) return;  // the value shown before stays; the list load reports
  SetWindowTextA(item(IDC_PROCESS_FREE_VALUE), byteSizeText(static_cast<uint32_t>(word)).c_str());
}

void ProcessesPage::fillList(Loaded& loaded) {
  loading_ = false;
  if (loaded.result != AgentResult::Ok && loaded.result != AgentResult::NoReply) {
    const char* failure = agentFailureText(loaded.result);
    host().setStatusText(failure ? failure : "");
    markFailed();
    return;
  }
  // A refusal (kAgentNoReply) ends quietly with an empty list.
  host().setStatusText("");
  SendMessageA(list_.hwnd(), WM_SETREDRAW, FALSE, 0);
  list_.clear();
  records_ = std::move(loaded.records);
  for (const ProcessRecord& p : records_) {
    TwoLineRow row;
    row.image.assign(p.icon.begin(), p.icon.end());
    row.cells = {"", p.label, "", cpuShareText(p.cpuPercent), memoryText(p), pidText(p.pid), "详细", ""};
    row.secondLine = p.processName;
    list_.addRow(std::move(row));
  }
  SendMessageA(list_.hwnd(), WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_.hwnd(), nullptr, TRUE);
  markLoaded();
}

bool ProcessesPage::paintCell(HDC dc, const RECT& cell, int row, int column, bool) {
  if (row < 0 || static_cast<size_t>(row) >= records_.size()) return false;
  const ProcessRecord& p = records_[static_cast<size_t>(row)];
  switch (column) {
    case kNameColumn:
      twoLines(dc, cell, p.label, p.processName, DT_CENTER);
      return true;
    case kMemoryColumn:
      twoLines(dc, cell, importanceText(p.importance), memoryText(p), DT_LEFT);
      return true;
    case kSystemColumn:
      drawSystemMark(dc, cell, p.systemFlag != 0);
      return true;
    case kCpuColumn: {
      RECT r = cell;
      SetTextColor(dc, kLinkColour);
      DrawTextA(dc, cpuShareText(p.cpuPercent).c_str(), -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
      return true;
    }
    case kCheckColumn:
      drawCheckBox(dc, cell, list_.row(row).checked);
      return true;
    default:
      return false;
  }
}

void ProcessesPage::endChecked() {
  if (ending_) return;
  std::vector<std::string> names;
  for (int row : list_.checkedRows())
    if (static_cast<size_t>(row) < records_.size()) names.push_back(records_[static_cast<size_t>(row)].processNameUtf8);
  // No confirmation, as on the phone's own task manager; with nothing ticked the request names none.
  ending_ = true;
  // The answer word is read and not interpreted.
  work_.run([request = endProcessesRequest(names)](ExchangeCancel* cancel) {
              return exchangeForStatus(request, nullptr, cancel);
            },
            [this](AgentResult result) {
              ending_ = false;
              if (const char* failure = agentFailureText(result)) host().setStatusText(failure);
              reload();  // the list shows what runs on the phone now, whatever the request did
            });
}

}  // namespace zorvik
