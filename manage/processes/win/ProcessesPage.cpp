#include "manage/processes/win/ProcessesPage.h"

#include <commctrl.h>

#include <utility>

#include "ui/Controls.h"
#include "app/PageTable.h"
#include "ui/Window.h"
#include "common/ByteSize.h"
#include "devlink/FetchList.h"
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

std::string memoryText(const ProcessRecord& p) {
  // The whole 64-bit count: its low 32 bits alone would show a 5 GiB process as 1 GiB.
  return byteSizeText(p.memoryBytes < 0 ? 0 : static_cast<uint64_t>(p.memoryBytes));
}

// What a load worker hands to the UI thread: the free memory, then the list.
struct Loaded {
  AgentResult memory = AgentResult::Ok;
  int32_t freeMemory = 0;
  Fetched<std::vector<ProcessRecord>> list;
};
}  // namespace

ProcessesPage::ProcessesPage(const PageInfo& info, PageHost& host)
    : ListPage(info, host,
               {.listId = IDC_PROCESS_LIST,
                .list = {.columns = {{"图标", 70}, {"应用名称", 250, LVCFMT_CENTER}, {"系统自带", 80, LVCFMT_CENTER},
                                     {"CPU 使用率", 80, LVCFMT_CENTER}, {"内存占用", 90}, {"PID", 60, LVCFMT_CENTER},
                                     {"其他", 60, LVCFMT_CENTER}, {"选择", 44, LVCFMT_CENTER}},
                         .imageCapacity = kMaxProcessIcon},
                .top = kStatsHeight,
                .readingText = kReading,
                .extraStyle = WS_BORDER},
               nullptr) {}

// "详细" in the seventh column does nothing; a click elsewhere may tick a row.
void ProcessesPage::onInit() {
  createChild(hwnd(), {.className = "BUTTON", .text = "Zorvik 手机任务管理器统计信息", .style = BS_GROUPBOX,
                       .id = IDC_PROCESS_STATS});
  createChild(hwnd(), {.className = "STATIC", .text = "剩余运行内存 (RAM) ", .style = SS_LEFT, .id = IDC_PROCESS_FREE_LABEL});
  createChild(hwnd(), {.className = "STATIC", .text = "N/A", .style = SS_LEFT, .id = IDC_PROCESS_FREE_VALUE});
}

void ProcessesPage::layout(const RECT& client) {
  ListPageBase::layout(client);
  MoveWindow(item(IDC_PROCESS_STATS), 4, 2, client.right - 8, kStatsHeight - 6, TRUE);
  MoveWindow(item(IDC_PROCESS_FREE_LABEL), 18, 24, 150, 20, TRUE);
  MoveWindow(item(IDC_PROCESS_FREE_VALUE), 170, 24, 200, 20, TRUE);
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
  if (!beginLoad()) return;
  work_.run(
      [](ExchangeCancel* cancel) {
        Loaded loaded;
        // 871806 answers with one word where a length would be: it is the free memory itself.
        loaded.memory = exchangeForStatus(bareRequest(AgentCommand::FreeMemory), &loaded.freeMemory, cancel);
        loaded.list = fetchRecords(bareRequest(AgentCommand::ListProcesses), parseProcessList, cancel);
        return loaded;
      },
      [this](Loaded& loaded) {
        // A value is shown only when the phone gave it; a failure of either half says why and
        // leaves the page to be loaded again, a whole list is shown even so.
        if (loaded.memory == AgentResult::Ok)
          SetWindowTextA(item(IDC_PROCESS_FREE_VALUE), byteSizeText(static_cast<uint32_t>(loaded.freeMemory)).c_str());
        const bool memoryFailed = loaded.memory != AgentResult::Ok && loaded.memory != AgentResult::NoReply;
        endLoad(loaded.list.result, [&] { show(std::move(loaded.list.list)); });
        if (memoryFailed && loaded.list.finished()) failLoad(loaded.memory);
      });
}

TwoLineRow ProcessesPage::rowOf(ProcessRecord& p) {
  TwoLineRow row;
  row.image.assign(p.icon.begin(), p.icon.end());
  row.cells = {"", p.label, "", cpuShareText(p.cpuPercent), memoryText(p), pidText(p.pid), "详细", ""};
  row.secondLine = p.processName;
  return row;
}

bool ProcessesPage::paintCell(HDC dc, const RECT& cell, int row, int column, bool) {
  if (row < 0 || static_cast<size_t>(row) >= records_.size()) return false;
  const ProcessRecord& p = records_[static_cast<size_t>(row)];
  switch (column) {
    case kNameColumn:
      drawTwoLines(dc, cell, p.label, p.processName, DT_CENTER);
      return true;
    case kMemoryColumn:
      drawTwoLines(dc, cell, importanceText(p.importance), memoryText(p), DT_LEFT);
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
      drawCheckBox(dc, cell, list_.row(row).checked, kCheckSide);
      return true;
    default:
      return false;
  }
}

void ProcessesPage::endChecked() {
  if (sending()) return;
  std::vector<std::string> names;
  for (int row : list_.checkedRows())
    if (static_cast<size_t>(row) < records_.size()) names.push_back(records_[static_cast<size_t>(row)].processNameUtf8);
  // No confirmation, as on the phone's own task manager; with nothing ticked the request names
  // none. The answer word is read and not interpreted; the list shows what runs on the phone
  // now, whatever the request did.
  sendChange(endProcessesRequest(names));
}

}  // namespace zorvik
