#include "app/PageTable.h"

namespace zorvik {
namespace {

const PageInfo kWelcome[] = {
  {kPageMyPhone, "我的手机", kNoPageKey, {}},
  {kPagePhoneParams, "手机参数", kNoPageKey, {}},
  {kPageForum, "论坛热帖", kNoPageKey, {}},
  {kPageSettings, "Zorvik设置", kNoPageKey, {}},
  {kPageUpgrade, "版本升级", kNoPageKey, {}},
  {kPageTasks, "当前任务", kNoPageKey, {"继续任务", "全部暂停", "删除选择的", "相关设置"}},
  {kPageHelp, "使用帮助", kKeyHelp, {}},
  {kPageWeather, "天气预报", kNoPageKey, {}},
};
const PageInfo kPersonal[] = {
  {kPageContacts, "联系人", kKeyContacts, {"重新获取", "添加联系人", "分组管理", "删除选择的"}},
  {kPageMessages, "短信管理", kKeyMessages, {"刷新列表", "编写短信", "更多操作", nullptr}},
  {kPageCallLog, "通话记录", kKeyCallLog, {"刷新通话记录", "删除选择的", "删除全部", nullptr}},
  {kPageAlarms, "闹铃管理", kKeyAlarms, {"刷新闹铃项", "新建闹铃", "修改选择的", "删除选择的"}},
  {kPageCalendar, "日程管理", kNoPageKey, {}},
  {kPageFiles, "文件管理", kKeyFiles, {"转到根目录", nullptr, nullptr, nullptr}},
  {kPageBookmarks, "Web收藏夹", kKeyBookmarks, {"刷新书签项", "新建书签", "修改选择的", "删除选择的"}},
};
const PageInfo kDownloads[] = {
  {kPageStore, "商城主页", kKeyStore, {"返回上一页", "商城主页", nullptr, nullptr}},
  {kPageSoftware, "软件游戏", kNoPageKey, {}},
  {kPageMusic, "音乐铃声", kNoPageKey, {}},
  {kPageVideos, "视频电影", kNoPageKey, {}},
  {kPageBooks, "小说图书", kNoPageKey, {}},
  {kPageWallpapers, "动态壁纸", kNoPageKey, {}},
  {kPageRingtoneCutter, "铃声裁剪", kNoPageKey, {}},
  {kPageVideoConverter, "视频转换", kNoPageKey, {}},
};
const PageInfo kManage[] = {
  {kPageApplications, "应用管理", kKeyApplications, {"重新获取应用", "删除选择的", nullptr, nullptr}},
  {kPageRingtones, "铃声管理", kNoPageKey, {}},
  {kPageMusicLibrary, "音乐管理", kNoPageKey, {}},
  {kPageBookLibrary, "图书管理", kNoPageKey, {}},
  {kPagePictures, "图片管理", kNoPageKey, {}},
  {kPageVideoLibrary, "视频管理", kNoPageKey, {}},
  {kPageDesktop, "桌面管理", kNoPageKey, {}},
};
const PageInfo kTools[] = {
  {kPageSystemInfo, "系统信息", kKeySystemInfo, {"刷新系统信息", nullptr, nullptr, nullptr}},
  {kPagePhoneSettings, "手机设置", kKeyPhoneSettings, {"刷新系统设置", nullptr, nullptr, nullptr}},
  {kPageCleaner, "系统清理", kKeyCleaner, {"重新扫描", "删除选择的", nullptr, nullptr}},
  {kPageStartup, "启动管理", kKeyStartup, {"刷新自启动项", "展开全部项", "收起全部项", nullptr}},
  {kPageScreenCapture, "屏幕截图", kKeyScreenCapture, {"刷新屏幕", "保存为文件", "设置保存目录", "打开保存目录"}},
  {kPageProcesses, "任务管理器", kKeyProcesses, {"刷新手机进程", "结束选择的", nullptr, nullptr}},
  {kPageOptimiser, "性能优化", kNoPageKey, {}},
};
// The "内存整理" button beside the tabs: one page of its own, with no page buttons.
const PageInfo kMemory[] = {
  {kPageMemory, "内存整理", kNoPageKey, {}},
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
