#pragma once
// Decoding encoded pictures (PNG, JPEG, BMP, GIF) from memory with GDI+, and WebP with libwebp.
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "common/win/Handles.h"

namespace zorvik {

// GDI+ for the scope of the program; decoding fails cleanly while it is not started.
class GdiplusSession {
public:
  GdiplusSession();
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  bool ok() const { return token_ != 0; }

private:
  ULONG_PTR token_ = 0;
};

// Decodes `bytes` and scales the picture into a width x height 32-bit bitmap on a white
// background. An empty or undecodable buffer gives a null bitmap.
UniqueBitmap decodeImageToBitmap(const uint8_t* bytes, size_t size, int width, int height);
// Draws the encoded picture into `dest` scaled to fit; false when it cannot be decoded.
bool drawEncodedImage(HDC dc, const RECT& dest, const uint8_t* bytes, size_t size);

}  // namespace zorvik
