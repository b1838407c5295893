// The file page against the virtual phone, under Wine: the root's rows and columns as the user
// sees them, a folder opened with a double click and left with "向上", and files both ways
// (pushed from a picked list and from a drop, pulled into a folder, a pull cancelled midway);
// the question before a file is replaced, answered with its buttons both ways; a folder link
// that leads back into itself; a phone file named COM1; a folder's sizes and times, and a folder
// the phone refuses.
// with_vphone.sh starts the phone, forwards ZORVIK_AGENT_PORT to it and exports its ADB port.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "PageTestSupport.h"
#include "app/PageData.h"
#include "app/PageTable.h"
#include "ui/Window.h"
#include "common/ByteSize.h"
#include "common/TimeFormat.h"
#include "common/win/WideText.h"
#include "devlink/CurrentDevice.h"
#include "common/LocalFile.h"
#include "manage/files/FileWire.h"
#include "manage/files/win/FilesPage.h"

namespace zorvik {
namespace {

using test::phoneControl;
using test::pumpUntil;

constexpr const char* kSerial = "ZRVK0A1B2C3D4E5F";

FileListing phoneListing(const Bytes& request) {
  AgentBody body;
  if (exchangeForBody(request, body) != AgentResult::Ok) return {};
  return parseFileListing(body.bytes.data(), body.bytes.size());
}

// A fresh folder under the temporary folder, as UTF-8.
std::string freshFolder(const char* name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::string folder = fromWide(temp, CP_UTF8) + name + std::to_string(GetTickCount());
  makeLocalFolder(folder);
  return folder;
}

std::string readLocal(const std::string& path) {
  LocalFile f = LocalFile::openRead(path);
  std::string out;
  char buf[65536];
  for (long long n; (n = f.read(buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
  return out;
}

void writeLocal(const std::string& path, const std::string& content) {
  LocalFile f = LocalFile::create(path);
  f.write(content.data(), content.size());
}

class FilesPageTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("ZORVIK_AGENT_PORT") || !std::getenv("ZORVIK_TEST_CONTROL_PORT"))
      GTEST_SKIP() << "run through with_vphone.sh";
    phoneControl("reset");
    setCurrentSerial(kSerial);
    ASSERT_TRUE(ui_.open(kPageFiles, "Files test", 900, 600));
    page_ = ui_.page.get();
    info_ = ui_.info;
  }
  void TearDown() override {
    if (page_) page_->cancelTransfer();
    ui_.close(20000);
    phoneControl("reset");
  }
  void waitIdle() { ASSERT_TRUE(pumpUntil([&] { return !page_->busy(); }, 30000)); }
  void listRoot() {
    PageDataTable::instance().forget(info_->pageKey);
    page_->onToolbar(toolbar::kGoToRoot);
    waitIdle();
  }
  int rowNamed(const std::string& name) {
    for (int r = 0; r < page_->list().count(); ++r)
      if (page_->list().cell(r, 0) == name) return r;
    return -1;
  }
  void doubleClick(int row) {
    NMITEMACTIVATE n{};
    n.hdr.hwndFrom = page_->list().hwnd();
    n.hdr.idFrom = IDC_FILES_LIST;
    n.hdr.code = NM_DBLCLK;
    n.iItem = row;
    SendMessageA(page_->hwnd(), WM_NOTIFY, IDC_FILES_LIST, reinterpret_cast<LPARAM>(&n));
    waitIdle();
  }
  void openSdcard() {
    listRoot();
    const int row = rowNamed("sdcard");
    ASSERT_GE(row, 0);
    doubleClick(row);
    ASSERT_EQ(page_->currentFolderUtf8(), "/sdcard");
  }
  void selectOnly(int row) {
    ListView_SetItemState(page_->list().hwnd(), -1, 0, LVIS_SELECTED);
    ListView_SetItemState(page_->list().hwnd(), row, LVIS_SELECTED, LVIS_SELECTED);
  }

  test::PageUnderTest<FilesPage> ui_;
  FilesPage* page_ = nullptr;
  const PageInfo* info_ = nullptr;
};

TEST_F(FilesPageTest, RootRowsAndColumnsThenDownAndUp) {
  listRoot();
  EXPECT_EQ(PageDataTable::instance().state(kKeyFiles), PageDataState::Loaded);
  const FileListing root = phoneListing(bareRequest(AgentCommand::ListRoot));
  ASSERT_GE(root.records.size(), 2u);
  ListView view = page_->list();
  ASSERT_EQ(view.columnCount(), 5);
  const char* titles[] = {"文件名", "大小", "文件类型", "上次修改时间", "属性"};
  const int widths[] = {254, 100, 100, 160, 110};
  for (int c = 0; c < 5; ++c) {
    EXPECT_EQ(view.columnTitle(c), titles[c]);
    EXPECT_EQ(view.columnWidth(c), widths[c]);
  }
  ASSERT_EQ(view.count(), static_cast<int>(root.records.size()));
  for (int r = 0; r < view.count(); ++r) {
    const FileRecord& want = root.records[static_cast<size_t>(r)];
    EXPECT_EQ(view.cell(r, 0), fileDisplayName(want.path)) << r;
    EXPECT_EQ(view.cell(r, 2), fileTypeText(want)) << r;
    EXPECT_EQ(view.cell(r, 3), formatPhoneTime(want.modified, "未知")) << r;
    EXPECT_EQ(view.cell(r, 4), fileAttributeText(want)) << r;
  }
  EXPECT_EQ(page_->upPath(), root.upPath);

  const int sdcard = rowNamed("sdcard");
  ASSERT_GE(sdcard, 0);
  doubleClick(sdcard);
  const FileListing inside = phoneListing(listFolderRequest("/sdcard"));
  ASSERT_EQ(page_->list().count(), static_cast<int>(inside.records.size()));
  EXPECT_EQ(page_->upPath(), inside.upPath);
  EXPECT_TRUE(test::saveWindowPng(ui_.frame.hwnd(), test::artifactPath("files-page-sdcard.png")));

  // A file row opens nothing: the rows stay, no listing starts.
  for (int r = 0; r < page_->list().count(); ++r)
    if (!page_->rows()[static_cast<size_t>(r)].isFolder()) {
      const int before = page_->list().count();
      doubleClick(r);
      EXPECT_EQ(page_->list().count(), before);
      break;
    }

  SendMessageA(page_->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_FILES_UP, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(page_->hwnd(), IDC_FILES_UP)));
  waitIdle();
  const FileListing up = phoneListing(listFolderRequest(inside.upPath));
  EXPECT_EQ(page_->list().count(), static_cast<int>(up.records.size()));
  EXPECT_GE(rowNamed("sdcard"), 0);
}

// Opened from the root one folder at a time, as the user would: the files' sizes and times as the
// phone gives them, and a folder the phone refuses says why and leaves the folder shown. On the
// package (with_jvm_agent.sh) the folder is its host's own, whose entries are read here too.
TEST_F(FilesPageTest, AFolderShowsSizesAndTimesAndARefusedOneSaysWhy) {
  const char* jvmFolder = std::getenv("ZORVIK_JVM_AGENT_FOLDER");
  const std::string folder = jvmFolder ? jvmFolder : "/sdcard";
  listRoot();
  for (size_t at = 1; at < folder.size();) {
    const size_t end = std::min(folder.find('/', at), folder.size());
    // By path: a row's name drops what follows a dot, as Explorer's does.
    int row = -1;
    for (size_t r = 0; r < page_->rows().size() && row < 0; ++r)
      if (page_->rows()[r].pathUtf8 == folder.substr(0, end)) row = static_cast<int>(r);
    ASSERT_GE(row, 0) << folder.substr(0, end);
    doubleClick(row);
    at = end + 1;
  }
  ASSERT_EQ(page_->currentFolderUtf8(), folder);
  const FileListing listing = phoneListing(listFolderRequestUtf8(folder));
  ASSERT_EQ(page_->list().count(), static_cast<int>(listing.records.size()));
  int files = 0;
  for (int r = 0; r < page_->list().count(); ++r) {
    const FileRecord& want = listing.records[static_cast<size_t>(r)];
    EXPECT_EQ(page_->list().cell(r, 3), formatPhoneTime(want.modified, "未知")) << r;
    if (want.isFolder()) continue;
    ++files;
    EXPECT_EQ(page_->list().cell(r, 1), byteSizeText(static_cast<uint64_t>(want.size))) << r;
    if (!jvmFolder) continue;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(toWide("Z:" + want.pathUtf8, CP_UTF8).c_str(), GetFileExInfoStandard, &data))
        << want.pathUtf8;
    EXPECT_EQ(want.size, static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow));
    const uint64_t ticks = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                           data.ftLastWriteTime.dwLowDateTime;
    EXPECT_EQ(want.modified / 1000, static_cast<int64_t>(ticks / 10000000 - 11644473600ULL)) << want.pathUtf8;
  }
  EXPECT_GE(files, jvmFolder ? 2 : 1);

  // vphone is told to refuse; the package's host may not read "locked".
  const int before = page_->list().count();
  int refused = -1;
  if (jvmFolder) {
    refused = rowNamed("locked");
  } else {
    for (int r = 0; r < before && refused < 0; ++r)
      if (page_->rows()[static_cast<size_t>(r)].isFolder()) refused = r;
    ASSERT_EQ(phoneControl("reply refuse 870602 storage").rfind("OK", 0), 0u);
  }
  ASSERT_GE(refused, 0);
  doubleClick(refused);
  EXPECT_EQ(ui_.host->status(), agentRefusalText(AgentRefusal::Storage));
  EXPECT_EQ(page_->currentFolderUtf8(), folder);
  EXPECT_EQ(page_->list().count(), before);
}

TEST_F(FilesPageTest, PushThenPullFromThePageKeepsChineseNamesAndBytes) {
  openSdcard();
  const std::string src = freshFolder("zorvik-push");
  const std::string name = u8"会议纪要（终稿）.txt";
  std::string content;
  for (int i = 0; i < 300000; ++i) content += static_cast<char>(i * 13 + i / 7);
  writeLocal(joinLocalPath(src, name), content);
  page_->pushFiles({joinLocalPath(src, name)});
  waitIdle();
  EXPECT_EQ(page_->reportText(), "");
  EXPECT_EQ(page_->progressText().rfind("上传完成：1 个文件", 0), 0u) << page_->progressText();
  // The listing was reloaded: the new file is a row, named without its extension.
  const int row = rowNamed("会议纪要（终稿）");
  ASSERT_GE(row, 0);
  EXPECT_EQ(page_->list().cell(row, 2), "文件");

  selectOnly(row);
  const std::string dst = freshFolder("zorvik-pull");
  page_->pullSelectedTo(dst);
  waitIdle();
  EXPECT_EQ(page_->reportText(), "");
  EXPECT_EQ(page_->progressText().rfind("复制完成：1 个文件", 0), 0u) << page_->progressText();
  EXPECT_EQ(readLocal(joinLocalPath(dst, name)), content);
  EXPECT_TRUE(test::saveWindowPng(ui_.frame.hwnd(), test::artifactPath("files-page-pulled.png")));
}

TEST_F(FilesPageTest, DroppedFilesArePushedAndADroppedFolderIsReportedByName) {
  openSdcard();
  const std::string src = freshFolder("zorvik-drop");
  const std::string folder = joinLocalPath(src, u8"相册");
  makeLocalFolder(folder);
  writeLocal(joinLocalPath(src, u8"拖放.bin"), "dropped");
  // A drop as the shell makes it: DROPFILES, then the wide paths, each ended, and one more zero.
  std::wstring paths = toWide(joinLocalPath(src, u8"拖放.bin"), CP_UTF8) + L'\0' + toWide(folder, CP_UTF8) + L'\0';
  const size_t bytes = sizeof(DROPFILES) + (paths.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GHND, bytes);
  auto* df = static_cast<DROPFILES*>(GlobalLock(memory));
  df->pFiles = sizeof(DROPFILES);
  df->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(df) + sizeof(DROPFILES), paths.data(), paths.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  page_->onDropFiles(static_cast<HDROP>(memory));
  GlobalFree(memory);
  waitIdle();
  EXPECT_GE(rowNamed("拖放"), 0);
  EXPECT_EQ(page_->progressText(), "上传结束：1 个文件成功，1 个失败");
  EXPECT_EQ(page_->reportText(), "相册：文件夹不能上传，请选择文件\r\n");
  EXPECT_TRUE(test::saveWindowPng(ui_.frame.hwnd(), test::artifactPath("files-page-drop-report.png")));
}

TEST_F(FilesPageTest, CancelledPullLeavesNoPartialFile) {
  openSdcard();
  const std::string src = freshFolder("zorvik-big");
  writeLocal(joinLocalPath(src, "big.bin"), std::string(4 * 1024 * 1024, 'b'));
  page_->pushFiles({joinLocalPath(src, "big.bin")});
  waitIdle();
  const int row = rowNamed("big");
  ASSERT_GE(row, 0);
  selectOnly(row);
  ASSERT_EQ(phoneControl("sync delay 50").rfind("OK", 0), 0u);
  const std::string dst = freshFolder("zorvik-cancel");
  page_->pullSelectedTo(dst);
  ASSERT_TRUE(pumpUntil([&] { return page_->progressText().find(" / ") != std::string::npos; }, 10000));
  SendMessageA(page_->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_FILES_CANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(page_->hwnd(), IDC_FILES_CANCEL)));
  waitIdle();
  EXPECT_EQ(page_->progressText().rfind("已取消复制", 0), 0u) << page_->progressText();
  EXPECT_FALSE(LocalFile::openRead(joinLocalPath(dst, "big.bin")).valid());
  EXPECT_FALSE(LocalFile::openRead(joinLocalPath(dst, std::string("big.bin") + kPartialSuffix)).valid());
}

// The question the transfer waits on, answered with one of its four buttons as a user would.
void answer(FilesPage* page, int button) {
  ASSERT_TRUE(pumpUntil([&] { return page->prompting(); }, 20000)) << page->progressText();
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(page->hwnd(), button)));
  SendMessageA(GetDlgItem(page->hwnd(), button), BM_CLICK, 0, 0);
}

TEST_F(FilesPageTest, ReplacingAFileIsAskedBothWays) {
  openSdcard();
  const std::string src = freshFolder("zorvik-ask");
  const std::string a = joinLocalPath(src, u8"问一.txt"), b = joinLocalPath(src, u8"问二.txt");
  writeLocal(a, "phone a");
  writeLocal(b, "phone b");
  page_->pushFiles({a, b});
  waitIdle();
  ASSERT_EQ(page_->progressText().rfind("上传完成：2 个文件", 0), 0u) << page_->progressText();

  // To the phone: both names exist; "跳过" for the first, "全部替换" answers the second too.
  writeLocal(a, "newer a");
  writeLocal(b, "newer b");
  page_->pushFiles({a, b});
  answer(page_, IDC_FILES_SKIP);
  EXPECT_TRUE(pumpUntil([&] { return page_->prompting() || !page_->busy(); }, 20000));
  EXPECT_EQ(page_->promptText(), "手机上已有“问二.txt”，要替换吗？");
  const std::vector<std::string> captions = {"替换", "跳过", "全部替换", "全部跳过"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Control(GetDlgItem(page_->hwnd(), IDC_FILES_REPLACE + i)).text(), captions[i]);
  EXPECT_TRUE(test::saveWindowPng(ui_.frame.hwnd(), test::artifactPath("files-page-ask-phone.png")));
  answer(page_, IDC_FILES_REPLACE_ALL);
  waitIdle();
  EXPECT_FALSE(page_->prompting());
  EXPECT_EQ(page_->progressText(), "上传完成：1 个文件，7 字节，跳过 1 个已有的文件");
  EXPECT_EQ(ui_.host->status(), page_->progressText());

  // To the PC over older copies: "替换" for the first, "全部跳过" for the rest.
  const std::string dst = freshFolder("zorvik-ask-pull");
  writeLocal(joinLocalPath(dst, u8"问一.txt"), "pc a");
  writeLocal(joinLocalPath(dst, u8"问二.txt"), "pc b");
  ListView_SetItemState(page_->list().hwnd(), -1, 0, LVIS_SELECTED);
  for (const char* name : {"问一", "问二"}) {
    const int row = rowNamed(name);
    ASSERT_GE(row, 0) << name;
    ListView_SetItemState(page_->list().hwnd(), row, LVIS_SELECTED, LVIS_SELECTED);
  }
  page_->pullSelectedTo(dst);
  answer(page_, IDC_FILES_REPLACE);
  EXPECT_TRUE(pumpUntil([&] { return page_->prompting(); }, 20000));
  EXPECT_EQ(page_->promptText().rfind("电脑上已有“", 0), 0u) << page_->promptText();
  answer(page_, IDC_FILES_SKIP_ALL);
  waitIdle();
  EXPECT_EQ(page_->progressText().rfind("复制完成：1 个文件", 0), 0u) << page_->progressText();
  EXPECT_NE(page_->progressText().find("跳过 1 个已有的文件"), std::string::npos) << page_->progressText();
  // Asked in the rows' order: the phone's a (kept old when skipped) replaced the PC's; b stayed.
  EXPECT_EQ(readLocal(joinLocalPath(dst, u8"问一.txt")), "phone a");
  EXPECT_EQ(readLocal(joinLocalPath(dst, u8"问二.txt")), "pc b");
}

// Closing the page while the question waits ends the transfer and touches nothing.
TEST_F(FilesPageTest, ClosingWhileAskedEndsTheTransfer) {
  openSdcard();
  const std::string src = freshFolder("zorvik-ask-close");
  const std::string a = joinLocalPath(src, "close.txt");
  writeLocal(a, "first");
  page_->pushFiles({a});
  waitIdle();
  writeLocal(a, "second");
  page_->pushFiles({a});
  ASSERT_TRUE(pumpUntil([&] { return page_->prompting(); }, 20000));
  const DWORD before = GetTickCount();
  page_->close();
  EXPECT_LT(GetTickCount() - before, 3000u);
  EXPECT_FALSE(page_->prompting());
  ui_.close(0);
  page_ = nullptr;
}

TEST_F(FilesPageTest, AFolderLinkIntoItselfIsCopiedOnceAndReported) {
  {
    const std::string src = freshFolder("zorvik-loop");
    writeLocal(joinLocalPath(src, "inside.txt"), "inside");
    SyncTransfer setUp(kSerial, nullptr, nullptr);
    ASSERT_EQ(setUp.push({joinLocalPath(src, "inside.txt")}, "/sdcard/loop").filesCopied, 1);
  }
  ASSERT_EQ(phoneControl("file link /sdcard/loop/again /sdcard/loop").rfind("OK", 0), 0u);
  ASSERT_EQ(phoneControl("file link /sdcard/loop/self .").rfind("OK", 0), 0u);
  openSdcard();
  const int row = rowNamed("loop");
  ASSERT_GE(row, 0);
  selectOnly(row);
  const std::string dst = freshFolder("zorvik-loop-pull");
  page_->pullSelectedTo(dst);
  waitIdle();
  EXPECT_EQ(readLocal(joinLocalPath(joinLocalPath(dst, "loop"), "inside.txt")), "inside");
  EXPECT_EQ(page_->reportText(),
            "loop/again：文件夹链接绕回已复制的文件夹，未重复复制\r\nloop/self：文件夹链接绕回已复制的文件夹，未重复复制\r\n");
  EXPECT_EQ(page_->progressText(), "复制结束：1 个文件成功，2 个失败");
  EXPECT_TRUE(test::saveWindowPng(ui_.frame.hwnd(), test::artifactPath("files-page-link-loop.png")));
  phoneControl("file remove /sdcard/loop");
}

TEST_F(FilesPageTest, APhoneFileNamedCom1LandsUnderASafeName) {
  ASSERT_EQ(phoneControl("file add /sdcard/COM1 5").rfind("OK", 0), 0u);
  openSdcard();
  const int row = rowNamed("COM1");
  ASSERT_GE(row, 0);
  selectOnly(row);
  const std::string dst = freshFolder("zorvik-com1");
  page_->pullSelectedTo(dst);
  waitIdle();
  EXPECT_EQ(page_->progressText(), "复制完成：1 个文件，5 字节，1 个名称已改为电脑可用的名称");
  EXPECT_EQ(readLocal(joinLocalPath(dst, "COM1_")).size(), 5u);
  phoneControl("file remove /sdcard/COM1");
}

}  // namespace
}  // namespace zorvik
