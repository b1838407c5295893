#include "devlink/win/ScreenCapturePage.h"

#include <objbase.h>
#include <commdlg.h>
#include <gdiplus.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "ui/Controls.h"
#include "common/win/Handles.h"
#include "devlink/ScreenCaptureChoices.h"
#include "ui/UiThread.h"
#include "devlink/CurrentDevice.h"

namespace zorvik {

namespace {

constexpr UINT_PTR kRefreshTimer = 1;
constexpr int kNoId = -1;  // labels
constexpr UINT kRefreshDelayMs = 100;
constexpr const char* kMakerAddress = "http://www.zorvik.example";
constexpr const char* kRegistryKey = "Software\\Zorvik";
constexpr const char* kFolderBrowserTitle = "卓维克 截图保存目录";

// Where things sit on the page: the picture at the left, the choices in a column to its right.
constexpr int kPictureLeft = 16, kPictureTop = 8;
constexpr int kColumnLeft = 580, kColumnWidth = 150;

Gdiplus::PixelFormat pixelFormatFor(int bytesPerPixel) {
  if (bytesPerPixel == 4) return PixelFormat32bppRGB;
  if (bytesPerPixel == 3) return PixelFormat24bppRGB;
  return PixelFormat16bppRGB565;
}

// A bitmap of its own holding the frame's pixels. GDI+ rows are 4-byte aligned, which a 16 or
// 24 bpp frame of odd width is not, so rows are copied one by one rather than wrapped.
std::unique_ptr<Gdiplus::Bitmap> bitmapFromFrame(const Frame& frame) {
  if (frame.width == 0 || frame.height == 0) return nullptr;
  const Gdiplus::PixelFormat format = pixelFormatFor(frame.bytesPerPixel);
  auto bitmap = std::make_unique<Gdiplus::Bitmap>(static_cast<INT>(frame.width), static_cast<INT>(frame.height), format);
  if (bitmap->GetLastStatus() != Gdiplus::Ok) return nullptr;
  Gdiplus::Rect all(0, 0, static_cast<INT>(frame.width), static_cast<INT>(frame.height));
  Gdiplus::BitmapData data{};
  if (bitmap->LockBits(&all, Gdiplus::ImageLockModeWrite, format, &data) != Gdiplus::Ok) return nullptr;
  const size_t row = static_cast<size_t>(frame.width) * static_cast<size_t>(frame.bytesPerPixel);
  for (uint32_t y = 0; y < frame.height; ++y) {
    std::memcpy(static_cast<uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride,
                frame.pixels.data() + y * row, row);
  }
  bitmap->UnlockBits(&data);
  return bitmap;
}

// GIF holds at most 256 colours: the picture mapped onto a fixed 6 x 7 x 6 colour cube (252
// entries), so the encoder gets indexed pixels on every platform rather than converting (or, as
// some encoders do, refusing) a true-colour bitmap itself.
std::unique_ptr<Gdiplus::Bitmap> indexedCopy(Gdiplus::Bitmap& source) {
  const UINT w = source.GetWidth(), h = source.GetHeight();
  Gdiplus::Rect all(0, 0, static_cast<INT>(w), static_cast<INT>(h));
  Gdiplus::BitmapData in{};
  if (source.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &in) != Gdiplus::Ok) return nullptr;
  auto indexed = std::make_unique<Gdiplus::Bitmap>(static_cast<INT>(w), static_cast<INT>(h), PixelFormat8bppIndexed);
  Gdiplus::BitmapData out{};
  if (indexed->GetLastStatus() != Gdiplus::Ok ||
      indexed->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat8bppIndexed, &out) != Gdiplus::Ok) {
    source.UnlockBits(&in);
    return nullptr;
  }
  for (UINT y = 0; y < h; ++y) {
    const uint8_t* s = static_cast<const uint8_t*>(in.Scan0) + static_cast<ptrdiff_t>(y) * in.Stride;
    uint8_t* d = static_cast<uint8_t*>(out.Scan0) + static_cast<ptrdiff_t>(y) * out.Stride;
    for (UINT x = 0; x < w; ++x, s += 4) {
      const int r = (s[2] * 5 + 127) / 255, g = (s[1] * 6 + 127) / 255, b = (s[0] * 5 + 127) / 255;
      d[x] = static_cast<uint8_t>((r * 7 + g) * 6 + b);
    }
  }
  indexed->UnlockBits(&out);
  source.UnlockBits(&in);
  std::vector<uint8_t> paletteBytes(sizeof(Gdiplus::ColorPalette) + 256 * sizeof(Gdiplus::ARGB));
  auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(paletteBytes.data());
  palette->Flags = 0;
  palette->Count = 252;
  for (int i = 0; i < 252; ++i) {
    const int r = i / 42, g = i / 6 % 7, b = i % 6;
    palette->Entries[i] = Gdiplus::Color::MakeARGB(255, static_cast<BYTE>(r * 51), static_cast<BYTE>(g * 255 / 6),
                                                   static_cast<BYTE>(b * 51));
  }
  indexed->SetPalette(palette);
  return indexed;
}

bool encoderFor(const std::string& mime, CLSID& clsid) {
  UINT count = 0, bytes = 0;
  if (mime.empty() || Gdiplus::GetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return false;
  std::vector<uint8_t> buffer(bytes);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (Gdiplus::GetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
  const std::wstring wanted(mime.begin(), mime.end());
  for (UINT i = 0; i < count; ++i) {
    if (codecs[i].MimeType && wanted == codecs[i].MimeType) {
      clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

std::wstring widePath(const std::string& path) {
  const int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 1), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), n);
  wide.resize(wcslen(wide.c_str()));
  return wide;
}

bool folderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return !path.empty() && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string withSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

int CALLBACK browseCallback(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED && data) SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

}  // namespace

// ---------------------------------------------------------------- settings

std::string captureSetting(const char* name, const std::string* newValue) {
  HKEY raw = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kRegistryKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &raw, nullptr) != ERROR_SUCCESS) {
    return {};
  }
  UniqueHkey key(raw);
  if (newValue) {
    RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(newValue->c_str()),
                   static_cast<DWORD>(newValue->size() + 1));
    return *newValue;
  }
  char value[MAX_PATH + 1] = {};
  DWORD size = MAX_PATH, type = 0;
  if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  value[std::min<DWORD>(size, MAX_PATH)] = '\0';
  return value;
}

std::string defaultCaptureFolder() {
  char documents[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents))) return {};
  const std::string folder = withSlash(documents) + "卓维克";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

// ---------------------------------------------------------------- the page

struct ScreenCapturePage::Result {
  FramebufferResult status = FramebufferResult::Ok;
  Frame frame;    // as captured
  Frame scaled;   // rotated and scaled to the display size
  int rotation = kRotateNone;
};

namespace {
// The rotation applied and the picture brought to its display size, off the UI thread when the
// caller is the worker; false when no picture could be made of it.
bool prepareShown(const Frame& frame, int rotation, Frame& turned, Frame& scaled) {
  const DisplaySize size = compactDisplaySize(frame.width, frame.height, rotation);
  if (rotation == kRotateNone) return scaleFrameInto(frame, size.width, size.height, scaled);
  rotateFrameInto(frame, rotation, turned);
  return scaleFrameInto(turned, size.width, size.height, scaled);
}

// A top-down 32-bit DIB section holding the scaled picture.
UniqueBitmap dibFromFrame(const Frame& frame) {
  if (frame.bytesPerPixel != 4 || frame.pixels.empty()) return UniqueBitmap();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = static_cast<LONG>(frame.width);
  info.bmiHeader.biHeight = -static_cast<LONG>(frame.height);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (dib && bits) std::memcpy(bits, frame.pixels.data(), frame.pixels.size());
  return dib;
}
}  // namespace

ScreenCapturePage::ScreenCapturePage(const PageInfo& info, PageHost& host)
    : Page(info, host), capture_(std::make_shared<FramebufferCapture>()) {
  map_.on(WM_INITDIALOG, [this](WinMsg& m) {
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    auto child = [&](const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id) {
      return createChild(hwnd(), cls, text, style, x, y, w, h, id, 0, font);
    };
    int y = kPictureTop;
    // The list's remembered choice, when it names an entry.
    auto list = [&](const char* caption, int id, const char* const* entries, int count, const char* setting) {
      child("STATIC", caption, 0, kColumnLeft, y + 3, kColumnWidth, 16, kNoId);
      y += 20;
      ComboBox box(child("COMBOBOX", "", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, kColumnLeft, y, kColumnWidth, 200, id));
      for (int i = 0; i < count; ++i) box.add(entries[i]);
      const std::string saved = setting ? captureSetting(setting) : std::string();
      const int index = saved.size() == 1 && saved[0] >= '0' && saved[0] < '0' + count ? saved[0] - '0' : 0;
      box.select(index);
      y += 30;
    };
    list("图片格式", IDC_CAPTURE_FORMAT, kCaptureFormatEntries, 4, kScreenShotFormatValue);
    list("旋转方向", IDC_CAPTURE_ROTATION, kCaptureRotationEntries, 4, nullptr);
    list("图片画质", IDC_CAPTURE_QUALITY, kCaptureQualityEntries, 7, kScreenShotQualityValue);
    child("BUTTON", "自动刷新", BS_AUTOCHECKBOX | WS_TABSTOP, kColumnLeft, y, kColumnWidth, 20, IDC_CAPTURE_AUTO_REFRESH);
    y += 24;
    child("BUTTON", "自动保存", BS_AUTOCHECKBOX | WS_TABSTOP, kColumnLeft, y, kColumnWidth, 20, IDC_CAPTURE_AUTO_SAVE);
    y += 30;
    child("BUTTON", "复制到剪贴板", BS_PUSHBUTTON | WS_TABSTOP, kColumnLeft, y, kColumnWidth, 24, IDC_CAPTURE_COPY);
    y += 34;
    child("STATIC", "分辨率", 0, kColumnLeft, y, 50, 16, kNoId);
    child("STATIC", "", 0, kColumnLeft + 50, y, kColumnWidth - 50, 16, IDC_CAPTURE_RESOLUTION);
    const std::string saved = screenShotSetting();
    folder_ = folderExists(saved) ? saved : std::string();
    m.result = TRUE;
  });
  map_.on(WM_PAINT, [this](WinMsg&) {
    PaintScope paintScope(hwnd());
    paint(paintScope.dc());
  });
  map_.on(WM_TIMER, [this](WinMsg& m) {
    if (m.wp != kRefreshTimer) return;
    KillTimer(hwnd(), kRefreshTimer);
    if (autoRefresh_) startCapture();
  });
  map_.on(kMsgCapture, [this](WinMsg&) { startCapture(); });
  map_.onCommand(IDC_CAPTURE_AUTO_REFRESH, [this](WinMsg&) {
    autoRefresh_ = Button(hwnd(), IDC_CAPTURE_AUTO_REFRESH).checked();
    if (autoRefresh_) {
      startCapture();
    } else {
      KillTimer(hwnd(), kRefreshTimer);
    }
  });
  map_.onCommand(IDC_CAPTURE_ROTATION, [this](WinMsg& m) {
    // A new rotation turns the picture already shown; the next capture keeps it.
    if (m.commandCode() == CBN_SELCHANGE && !lastFrame_.pixels.empty()) showFrame();
  });
  auto remember = [this](int id, const char* setting) {
    return [this, id, setting](WinMsg& m) {
      if (m.commandCode() != CBN_SELCHANGE) return;
      const std::string index = std::to_string(choice(id));
      captureSetting(setting, &index);
    };
  };
  map_.onCommand(IDC_CAPTURE_FORMAT, remember(IDC_CAPTURE_FORMAT, kScreenShotFormatValue));
  map_.onCommand(IDC_CAPTURE_QUALITY, remember(IDC_CAPTURE_QUALITY, kScreenShotQualityValue));
  map_.onCommand(IDC_CAPTURE_COPY, [this](WinMsg&) {
    if (!copyToClipboard()) showStatus(hasImage() ? kCaptureCopyFailed : kCaptureNothingToSave);
  });
}

ScreenCapturePage::~ScreenCapturePage() = default;

void ScreenCapturePage::close() {
  capture_->cancel();
  Page::close();
}

int ScreenCapturePage::choice(int id) const {
  const int index = ComboBox(hwnd(), id).selected();
  return index < 0 ? 0 : index;
}

int ScreenCapturePage::imageWidth() const {
  return static_cast<int>(rotationExchangesSides(rotation_) ? lastFrame_.height : lastFrame_.width);
}
int ScreenCapturePage::imageHeight() const {
  return static_cast<int>(rotationExchangesSides(rotation_) ? lastFrame_.width : lastFrame_.height);
}

void ScreenCapturePage::load() { startCapture(); }

void ScreenCapturePage::onToolbar(int index) {
  switch (index) {
    case 0: reload(); break;
    case 1: saveImage(choice(IDC_CAPTURE_FORMAT), choice(IDC_CAPTURE_QUALITY)); break;
    case 2: chooseFolder(); break;
    case 3: openFolder(); break;
    default: break;
  }
}

void ScreenCapturePage::startCapture() {
  if (capturing_) return;
  capturing_ = true;
  work_.run(
      [capture = capture_, serial = currentSerial(), rotation = choice(IDC_CAPTURE_ROTATION)](ExchangeCancel*) {
        Result result;
        result.status = capture->capture(serial, result.frame);
        result.rotation = rotation;
        if (result.status == FramebufferResult::Ok) {
          Frame turned;
          if (!prepareShown(result.frame, rotation, turned, result.scaled)) {
            result.status = FramebufferResult::BadShape;
            const FramebufferHeader claimed = result.frame.header;
            result.frame = Frame{};
            result.frame.header = claimed;
          }
        }
        return result;
      },
      [this](Result& result) { finishCapture(result); });
}

void ScreenCapturePage::finishCapture(Result& result) {
  capturing_ = false;
  lastResult_ = result.status;
  if (result.status != FramebufferResult::Ok) {
    markFailed();
    stopAutoRefresh();
    const std::string failure = captureFailureText(result.status, result.frame.header);
    if (!failure.empty()) showStatus(failure);
    return;
  }
  // A frame clears what an earlier failure of this page said, and nothing else.
  if (statusShown_) showStatus({});
  ++captures_;
  lastFrame_ = std::move(result.frame);
  image_.reset();
  Label(hwnd(), IDC_CAPTURE_RESOLUTION)
      .setText(resolutionText(static_cast<int>(lastFrame_.width), static_cast<int>(lastFrame_.height)));
  if (result.rotation == choice(IDC_CAPTURE_ROTATION)) {
    previousRotation_ = rotation_;
    rotation_ = result.rotation;
    showScaled(result.scaled);
  } else {
    showFrame();  // the choice changed while the capture ran
  }
  markLoaded();
  if (autoRefresh_) SetTimer(hwnd(), kRefreshTimer, kRefreshDelayMs, nullptr);
}

void ScreenCapturePage::showFrame() {
  previousRotation_ = rotation_;
  rotation_ = choice(IDC_CAPTURE_ROTATION);
  image_.reset();
  Frame scaled;
  prepareShown(lastFrame_, rotation_, turned_, scaled);
  showScaled(scaled);
}

void ScreenCapturePage::showScaled(Frame& scaled) {
  UniqueBitmap dib = dibFromFrame(scaled);
  if (!dib) return;
  const RECT before = pictureRect();
  shown_ = std::move(dib);
  display_ = compactDisplaySize(lastFrame_.width, lastFrame_.height, rotation_);
  const RECT after = pictureRect();
  // Same place: paint over it without erasing (no flicker while refreshing); otherwise clear both.
  if (EqualRect(&before, &after)) {
    InvalidateRect(hwnd(), &after, FALSE);
  } else {
    RECT both;
    UnionRect(&both, &before, &after);
    InvalidateRect(hwnd(), &both, TRUE);
  }
}

bool ScreenCapturePage::ensureImage() {
  if (image_) return true;
  if (lastFrame_.pixels.empty()) return false;
  if (rotation_ == kRotateNone) {
    image_ = bitmapFromFrame(lastFrame_);
  } else {
    rotateFrameInto(lastFrame_, rotation_, turned_);
    image_ = bitmapFromFrame(turned_);
  }
  return image_ != nullptr;
}

void ScreenCapturePage::showStatus(const std::string& text) {
  statusShown_ = !text.empty();
  host().setStatusText(text);
}

void ScreenCapturePage::stopAutoRefresh() {
  if (!autoRefresh_) return;
  autoRefresh_ = false;
  KillTimer(hwnd(), kRefreshTimer);
  Button(hwnd(), IDC_CAPTURE_AUTO_REFRESH).setChecked(false);
}

RECT ScreenCapturePage::pictureRect() const {
  return RECT{kPictureLeft, kPictureTop, kPictureLeft + display_.width, kPictureTop + display_.height};
}

void ScreenCapturePage::paint(HDC dc) {
  if (!shown_) return;
  BitmapDc source(dc, shown_.get());
  BitBlt(dc, kPictureLeft, kPictureTop, display_.width, display_.height, source.get(), 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------- saving

bool ScreenCapturePage::saveImageAs(const std::string& path, long quality) {
  if (!ensureImage()) return false;
  CLSID encoder;
  if (!encoderFor(captureMimeType(pathExtension(path)), encoder)) return false;
  // The equipment-model property names the maker; its length counts the terminator.
  std::string maker = kMakerAddress;
  Gdiplus::PropertyItem item;
  item.id = 0x0110;
  item.length = static_cast<ULONG>(maker.size() + 1);
  item.type = PropertyTagTypeASCII;
  item.value = maker.data();
  std::unique_ptr<Gdiplus::Bitmap> gif;
  Gdiplus::Bitmap* target = image_.get();
  if (captureMimeType(pathExtension(path)) == "image/gif") {
    gif = indexedCopy(*image_);
    if (!gif) return false;
    target = gif.get();
  }
  target->SetPropertyItem(&item);
  ULONG value = static_cast<ULONG>(quality);
  Gdiplus::EncoderParameters parameters;
  parameters.Count = 1;
  parameters.Parameter[0].Guid = Gdiplus::EncoderQuality;
  parameters.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
  parameters.Parameter[0].NumberOfValues = 1;
  parameters.Parameter[0].Value = &value;
  return target->Save(widePath(path).c_str(), &encoder, &parameters) == Gdiplus::Ok;
}

std::string ScreenCapturePage::saveImage(int formatIndex, int qualityIndex) {
  if (!hasImage()) {
    showStatus(kCaptureNothingToSave);
    return {};
  }
  const char* extension = captureFormatExtension(formatIndex);
  std::string path;
  if (Button(hwnd(), IDC_CAPTURE_AUTO_SAVE).checked()) {
    const std::string saved = screenShotSetting();
    const std::string folder = folderExists(saved) ? saved : defaultCaptureFolder();
    SYSTEMTIME now;
    GetLocalTime(&now);
    path = withSlash(folder) + autoSaveFileName(now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, extension);
  } else {
    char file[MAX_PATH] = {};
    static const char kFilter[] = "JPG图片 (*.jpg)\0*.jpg\0GIF图片 (*.gif)\0*.gif\0PNG图片 (*.png)\0*.png\0";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd();
    ofn.lpstrFilter = kFilter;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrTitle = "保存截图文件";
    ofn.lpstrDefExt = extension;
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    if (!GetSaveFileNameA(&ofn)) return {};
    path = file;
  }
  if (!saveImageAs(path, captureQuality(qualityIndex))) {
    showStatus(captureSaveFailedText(path));
    return {};
  }
  showStatus(captureSavedText(path));
  return path;
}

void ScreenCapturePage::chooseFolder() {
  const std::string start = folder_.empty() ? defaultCaptureFolder() : folder_;
  BROWSEINFOA info{};
  info.hwndOwner = hwnd();
  info.lpszTitle = kFolderBrowserTitle;
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = browseCallback;
  info.lParam = reinterpret_cast<LPARAM>(start.c_str());
  LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
  if (!chosen) return;
  char path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListA(chosen, path) != FALSE;
  CoTaskMemFree(chosen);
  if (!ok || !path[0]) return;
  SetCurrentDirectoryA(path);
  folder_ = path;
  screenShotSetting(&folder_);
}

void ScreenCapturePage::openFolder() {
  const std::string folder = folderExists(folder_) ? folder_ : defaultCaptureFolder();
  if (folder.empty()) return;
  ShellExecuteA(nullptr, "open", "explorer.exe", folder.c_str(), nullptr, SW_SHOWNORMAL);
}

bool ScreenCapturePage::copyToClipboard() {
  if (!ensureImage()) return false;
  HBITMAP raw = nullptr;
  if (image_->GetHBITMAP(Gdiplus::Color(255, 255, 255), &raw) != Gdiplus::Ok || !raw) return false;
  UniqueBitmap ddb(raw);
  // CF_DIB: a copy the clipboard owns, readable by any program.
  BITMAP bm{};
  GetObjectA(ddb.get(), sizeof bm, &bm);
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = bm.bmWidth;
  header.biHeight = bm.bmHeight;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  const size_t bytes = static_cast<size_t>(bm.bmWidth) * static_cast<size_t>(bm.bmHeight) * 4;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof header + bytes);
  if (!memory) return false;
  bool ok = false;
  if (auto* p = static_cast<uint8_t*>(GlobalLock(memory))) {
    std::memcpy(p, &header, sizeof header);
    WindowDc screen(nullptr);
    ok = GetDIBits(screen.get(), ddb.get(), 0, static_cast<UINT>(bm.bmHeight), p + sizeof header,
                   reinterpret_cast<BITMAPINFO*>(p), DIB_RGB_COLORS) != 0;
    GlobalUnlock(memory);
  }
  if (ok && OpenClipboard(hwnd())) {
    EmptyClipboard();
    ok = SetClipboardData(CF_DIB, memory) != nullptr;
    CloseClipboard();
    if (ok) return true;
  }
  GlobalFree(memory);
  return false;
}

}  // namespace zorvik
