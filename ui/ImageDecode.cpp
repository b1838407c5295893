#include "ui/ImageDecode.h"

#include <objidl.h>
#include <shlwapi.h>
// gdiplus.h expects min/max and the COM types in scope.
#include <algorithm>
namespace Gdiplus { using std::min; using std::max; }
#include <gdiplus.h>

#include <cstring>
#include <memory>

#include "common/WebpImage.h"

namespace zorvik {

GdiplusSession::GdiplusSession() {
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

GdiplusSession::~GdiplusSession() {
  if (token_) Gdiplus::GdiplusShutdown(token_);
}

namespace {

// GDI+ reads no WebP: libwebp decodes it into a bitmap of GDI+'s own.
std::unique_ptr<Gdiplus::Bitmap> decodeWebpBitmap(const uint8_t* bytes, size_t size) {
  BgraImage image;
  if (decodeWebp(bytes, size, image) != WebpResult::kOk) return nullptr;
  auto bmp = std::make_unique<Gdiplus::Bitmap>(image.width, image.height, PixelFormat32bppARGB);
  if (bmp->GetLastStatus() != Gdiplus::Ok) return nullptr;
  Gdiplus::Rect all(0, 0, image.width, image.height);
  Gdiplus::BitmapData data;
  if (bmp->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &data) != Gdiplus::Ok) return nullptr;
  const size_t row = static_cast<size_t>(image.width) * 4;
  for (int y = 0; y < image.height; ++y)
    std::memcpy(static_cast<uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride,
                image.pixels.data() + static_cast<size_t>(y) * row, row);
  if (bmp->UnlockBits(&data) != Gdiplus::Ok) return nullptr;
  return bmp;
}

std::unique_ptr<Gdiplus::Bitmap> decode(const uint8_t* bytes, size_t size) {
  if (!bytes || size == 0 || size > 0x7FFFFFFF) return nullptr;
  if (looksLikeWebp(bytes, size)) return decodeWebpBitmap(bytes, size);
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
