#include "ui/ImageDecode.h"

#include <objidl.h>
#include <shlwapi.h>
// gdiplus.h expects min/max and the COM types in scope.
#include <algorithm>
namespace Gdiplus { using std::min; using std::max; }
#include <gdiplus.h>

#include <memory>

namespace zorvik {

GdiplusSession::GdiplusSession() {
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

GdiplusSession::~GdiplusSession() {
  if (token_) Gdiplus::GdiplusShutdown(token_);
}

namespace {

std::unique_ptr<Gdiplus::Bitmap> decode(const uint8_t* bytes, size_t size) {
  if (!bytes || size == 0 || size > 0x7FFFFFFF) return nullptr;
  ComPtr<IStream> stream = ComPtr<IStream>::attach(SHCreateMemStream(bytes, static_cast<UINT>(size)));
  if (!stream) return nullptr;
  std::unique_ptr<Gdiplus::Bitmap> bmp(Gdiplus::Bitmap::FromStream(stream.get()));
  if (!bmp || bmp->GetLastStatus() != Gdiplus::Ok || bmp->GetWidth() == 0) return nullptr;
  return bmp;
}

}  // namespace

bool drawEncodedImage(HDC dc, const RECT& dest, const uint8_t* bytes, size_t size) {
  auto bmp = decode(bytes, size);
  if (!bmp) return false;
  Gdiplus::Graphics g(dc);
  g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  return g.DrawImage(bmp.get(), static_cast<INT>(dest.left), static_cast<INT>(dest.top),
                     static_cast<INT>(dest.right - dest.left),
                     static_cast<INT>(dest.bottom - dest.top)) == Gdiplus::Ok;
}

UniqueBitmap decodeImageToBitmap(const uint8_t* bytes, size_t size, int width, int height) {
  auto bmp = decode(bytes, size);
  if (!bmp || width <= 0 || height <= 0) return {};
  Gdiplus::Bitmap scaled(width, height, PixelFormat32bppARGB);
  {
    Gdiplus::Graphics g(&scaled);
    g.Clear(Gdiplus::Color(255, 255, 255, 255));
    g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    g.DrawImage(bmp.get(), 0, 0, width, height);
  }
  HBITMAP out = nullptr;
  if (scaled.GetHBITMAP(Gdiplus::Color(255, 255, 255, 255), &out) != Gdiplus::Ok) return {};
  return UniqueBitmap(out);
}

}  // namespace zorvik
