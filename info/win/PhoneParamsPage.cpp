#include "info/win/PhoneParamsPage.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "common/win/WideText.h"
#include "devlink/AdbBridge.h"

namespace zorvik {

const SpecsPlatform kSpecsPlatforms[5] = {
    {"Android (谷歌)", L"main/android-device"},
    {"Ophone (中国移动)", L"main/ophone-device"},
    {"Symbian (诺基亚)", L"main/symbian-device"},
    {"iOS (苹果)", L"main/apple-device"},
    {"Windows Phone (微软)", L"main/windowsphone-device"},
};

const SpecsField kSpecsFields[18] = {
    {L"device", "手机型号"},   {L"pub_date", "上市时间"},  {L"os_version", "系统版本"},
    {L"dimensions", "外观尺寸"}, {L"weight", "产品重量"},    {L"screen", "屏幕参数"},
    {L"resolution", "主分辨率"}, {L"network", "网络制式"},   {L"camera", "拍照参数"},
    {L"cpu", "CPU信息"},        {L"ram", "RAM信息"},        {L"rom", "ROM信息"},
    {L"gps", "GPS支持"},        {L"wifi", "WiFi支持"},      {L"sensor", "重力感应"},
    {L"battery", "电池型号"},   {L"standby", "待机时间"},   {L"talk", "通话时间"},
};

const char kSpecsSearchPrefix[] = "https://www.baidu.com/s?ie=gbk&wd=";

std::string percentEncode(const std::string& bytes) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

namespace {

void clearCombo(HWND combo) { SendMessageA(combo, CB_RESETCONTENT, 0, 0); }
void addComboText(HWND combo, const std::string& text) {
  SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}
int comboSelection(HWND combo) { return static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0)); }

void reportBadFile(HWND owner) { MessageBoxA(owner, "参数-xml文件存在问题", "Zorvik", MB_OK | MB_ICONWARNING); }

}  // namespace

PhoneParamsPage::PhoneParamsPage(const PageInfo& info, PageHost& host)
    : Page(info, host), dataPath_(toWide(programFolder() + "Data\\device.xml")) {
  openUrl_ = [this](const std::string& url) {
    ShellExecuteA(hwnd(), "open", url.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
  };
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    createControls();
    m.result = TRUE;
  });
  map_.onCommand(kSpecsPlatformList, [this](WinMsg& m) {
    if (m.commandCode() == CBN_SELCHANGE) onPlatform();
  });
  map_.onCommand(kSpecsMakerList, [this](WinMsg& m) {
    if (m.commandCode() == CBN_SELCHANGE) onMaker();
  });
  map_.onCommand(kSpecsModelList, [this](WinMsg& m) {
    if (m.commandCode() == CBN_SELCHANGE) onModel();
  });
  map_.onCommand(kSpecsSearchButton, [this](WinMsg& m) {
    if (m.commandCode() == BN_CLICKED) onSearch();
  });
}

PhoneParamsPage::~PhoneParamsPage() = default;

void PhoneParamsPage::createControls() {
  HWND page = hwnd();
  HINSTANCE inst = GetModuleHandleA(nullptr);
  font_.reset(CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, "SimSun"));
  auto make = [&](const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id,
                  DWORD ex = 0) {
    HWND c = CreateWindowExA(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, page,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    return c;
  };
  const DWORD comboStyle = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
  make("STATIC", "手机平台:", 0, 12, 14, 60, 16, -1);
  HWND platforms = make("COMBOBOX", "", comboStyle, 72, 10, 150, 300, kSpecsPlatformList);
  make("STATIC", "厂商:", 0, 234, 14, 36, 16, -1);
  make("COMBOBOX", "", comboStyle, 270, 10, 120, 300, kSpecsMakerList);
  make("STATIC", "型号:", 0, 402, 14, 36, 16, -1);
  make("COMBOBOX", "", comboStyle, 438, 10, 150, 300, kSpecsModelList);
  for (const SpecsPlatform& p : kSpecsPlatforms) addComboText(platforms, p.caption);

  HWND list = make(WC_LISTVIEWA, "", LVS_REPORT | LVS_SINGLESEL | LVS_NOSORTHEADER | WS_BORDER, 12, 42, 576, 304,
                   kSpecsParamList);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  const char* headers[2] = {"类型", "详细参数"};
  const int widths[2] = {110, 440};
  for (int i = 0; i < 2; ++i) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = const_cast<char*>(headers[i]);
    col.cx = widths[i];
    SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&col));
  }

  make("STATIC", "搜索:", 0, 12, 360, 36, 16, -1);
  make("EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, 48, 356, 200, 22, kSpecsSearchEdit, WS_EX_CLIENTEDGE);
  make("BUTTON", "搜索", BS_PUSHBUTTON | WS_TABSTOP, 256, 355, 60, 24, kSpecsSearchButton);
  make("STATIC", "", 0, 328, 360, 260, 16, kSpecsStatusLabel);
}

bool PhoneParamsPage::ensureDocument() {
  if (doc_) return true;
  ComPtr<IXMLDOMDocument> doc = createXmlDocument(hwnd());
  if (!doc) return false;  // the factory has told the user
  if (!loadXmlFile(doc.get(), dataPath_)) {
    reportBadFile(hwnd());
    return false;
  }
  doc_ = std::move(doc);
  return true;
}

void PhoneParamsPage::onPlatform() {
  const int index = comboSelection(GetDlgItem(hwnd(), kSpecsPlatformList));
  if (index < 0 || index >= static_cast<int>(std::size(kSpecsPlatforms)) || !ensureDocument()) return;
  std::vector<ComPtr<IXMLDOMNode>> platform = selectNodes(doc_.get(), kSpecsPlatforms[index].path);
  HWND makers = GetDlgItem(hwnd(), kSpecsMakerList);
  clearCombo(makers);
  clearCombo(GetDlgItem(hwnd(), kSpecsModelList));
  ListView_DeleteAllItems(GetDlgItem(hwnd(), kSpecsParamList));
  makerPath_.clear();
  if (platform.empty()) return;
  for (const ComPtr<IXMLDOMNode>& maker : childElements(platform[0].get()))
    addComboText(makers, fromWide(xmlAttribute(maker.get(), L"manufacturer")));
}

void PhoneParamsPage::onMaker() {
  const int platform = comboSelection(GetDlgItem(hwnd(), kSpecsPlatformList));
  const int index = comboSelection(GetDlgItem(hwnd(), kSpecsMakerList));
  if (platform < 0 || platform >= static_cast<int>(std::size(kSpecsPlatforms)) || index < 0 || !doc_) return;
  std::vector<ComPtr<IXMLDOMNode>> nodes = selectNodes(doc_.get(), kSpecsPlatforms[platform].path);
  if (nodes.empty()) return;
  std::vector<ComPtr<IXMLDOMNode>> makers = childElements(nodes[0].get());
  if (index >= static_cast<int>(makers.size())) return;
  makerPath_ = std::wstring(kSpecsPlatforms[platform].path) + L"/" + xmlNodeName(makers[index].get());
  HWND models = GetDlgItem(hwnd(), kSpecsModelList);
  clearCombo(models);
  ListView_DeleteAllItems(GetDlgItem(hwnd(), kSpecsParamList));
  for (const ComPtr<IXMLDOMNode>& item : selectNodes(doc_.get(), makerPath_ + L"/item"))
    addComboText(models, fromWide(xmlAttribute(item.get(), L"device")));
}

void PhoneParamsPage::onModel() {
  const int index = comboSelection(GetDlgItem(hwnd(), kSpecsModelList));
  if (index < 0 || !doc_ || makerPath_.empty()) return;
  std::vector<ComPtr<IXMLDOMNode>> items = selectNodes(doc_.get(), makerPath_ + L"/item");
  if (index >= static_cast<int>(items.size())) return;
  HWND list = GetDlgItem(hwnd(), kSpecsParamList);
  ListView_DeleteAllItems(list);
  int row = 0;
  for (const SpecsField& f : kSpecsFields) {
    std::string value = fromWide(xmlChildText(items[index].get(), f.element));
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<char*>(f.label);
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = value.data();
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    ++row;
  }
}

void PhoneParamsPage::onSearch() {
  char buffer[256] = {};
  GetDlgItemTextA(hwnd(), kSpecsSearchEdit, buffer, sizeof buffer);
  const std::string keyword(buffer);
  HWND status = GetDlgItem(hwnd(), kSpecsStatusLabel);
  if (keyword.size() < 2) {
    SetWindowTextA(status, "您输入的关键词过短");
    return;
  }
  SetWindowTextA(status, keyword.c_str());
  // Encoded so that no quote or space in the keyword reaches the browser's command line.
  openUrl_(kSpecsSearchPrefix + percentEncode(keyword));
}

}  // namespace zorvik
