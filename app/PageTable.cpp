#include "app/PageTable.h"

namespace zorvik {
namespace {

const PageInfo kWelcome[] = {
  {0, "我的手机", kNoPageKey, {}},
  {1, "手机参数", kNoPageKey, {}},
  {2, "论坛热帖", kNoPageKey, {}},
  {3, "Zorvik设置", kNoPageKey, {}},
  {4, "版本升级", kNoPageKey, {}},
  {5, "当前任务", kNoPageKey, {"继续任务", "全部暂停", "删除选择的", "相关设置"}},
  {6, "使用帮助", kKeyHelp, {}},
};
const PageInfo kPersonal[] = {
  {10, "联系人", kKeyContacts, {"重新获取", "添加联系人", "分组管理", "删除选择的"}},
  {11, "短信管理", kKeyMessages, {"刷新列表", "编写短信", "更多操作", nullptr}},
  {12, "通话记录", kKeyCallLog, {"刷新通话记录", "删除选择的", "删除全部", nullptr}},
  {13, "闹铃管理", kKeyAlarms, {"刷新闹铃项", "新建闹铃", "修改选择的", "删除选择的"}},
  {14, "日程管理", kNoPageKey, {}},
  {15, "文件管理", kKeyFiles, {"转到根目录", nullptr, nullptr, nullptr}},
  {16, "Web收藏夹", kKeyBookmarks, {"刷新书签项", "新建书签", "修改选择的", "删除选择的"}},
};
const PageInfo kDownloads[] = {
  {20, "商城主页", kKeyStore, {"返回上一页", "商城主页", nullptr, nullptr}},
  {21, "软件游戏", kNoPageKey, {}},
  {22, "音乐铃声", kNoPageKey, {}},
  {23, "视频电影", kNoPageKey, {}},
  {24, "小说图书", kNoPageKey, {}},
  {25, "动态壁纸", kNoPageKey, {}},
  {26, "铃声裁剪", kNoPageKey, {}},
  {27, "视频转换", kNoPageKey, {}},
};
const PageInfo kManage[] = {
  {30, "应用管理", kKeyApplications, {"重新获取应用", "删除选择的", nullptr, nullptr}},
  {31, "铃声管理", kNoPageKey, {}},
  {32, "音乐管理", kNoPageKey, {}},
  {33, "图书管理", kNoPageKey, {}},
  {34, "图片管理", kNoPageKey, {}},
  {35, "视频管理", kNoPageKey, {}},
  {36, "桌面管理", kNoPageKey, {}},
};
const PageInfo kTools[] = {
  {40, "系统信息", kKeySystemInfo, {"刷新系统信息", nullptr, nullptr, nullptr}},
  {41, "手机设置", kKeyPhoneSettings, {"刷新系统设置", nullptr, nullptr, nullptr}},
  {42, "系统清理", kKeyCleaner, {"重新扫描", "删除选择的", nullptr, nullptr}},
  {43, "启动管理", kKeyStartup, {"刷新自启动项", "展开全部项", "收起全部项", nullptr}},
  {44, "屏幕截图", kKeyScreenCapture, {"刷新屏幕", "保存为文件", "设置保存目录", "打开保存目录"}},
  {45, "任务管理器", kKeyProcesses, {"刷新手机进程", "结束选择的", nullptr, nullptr}},
  {46, "性能优化", kNoPageKey, {}},
};
// The "内存整理" button beside the tabs: one page of its own, with no page buttons.
const PageInfo kMemory[] = {
  {50, "内存整理", kNoPageKey, {}},
};

template <size_t N>
constexpr GroupInfo group(const char* caption, const PageInfo (&pages)[N]) {
  return {caption, pages, static_cast<int>(N)};
}

const GroupInfo kGroups[kGroupCount] = {
  group("欢迎使用", kWelcome), group("资料管理", kPersonal), group("资源下载", kDownloads),
  group("手机管理", kManage),  group("系统工具", kTools),    group("内存整理", kMemory),
};

}  // namespace

const GroupInfo& groupInfo(int group) {
  if (group < 0 || group >= kGroupCount) group = 0;
  return kGroups[group];
}

const PageInfo* findPage(int pageId) {
  if (pageId < 0) return nullptr;
  int g = groupOfPage(pageId), i = indexOfPage(pageId);
  if (g >= kGroupCount || i >= kGroups[g].pageCount) return nullptr;
  return &kGroups[g].pages[i];
}

int toolbarButtonCount(const PageInfo& page) {
  int n = 0;
  while (n < kToolbarButtons && page.toolbar[n]) ++n;
  return n;
}

}  // namespace zorvik
