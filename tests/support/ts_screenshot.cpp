// Screenshots: the screen (or one window's rectangle) captured with GDI and written as PNG.
#include <zlib.h>

#include "testsupport.h"

namespace ts {

namespace {
// Owners of the GDI objects used for one capture.
struct ScreenDC {
  HDC dc = GetDC(nullptr);
  ~ScreenDC() { if (dc) ReleaseDC(nullptr, dc); }
};
struct MemoryDC {
  HDC dc;
  explicit MemoryDC(HDC like) : dc(CreateCompatibleDC(like)) {}
  ~MemoryDC() { if (dc) DeleteDC(dc); }
};
struct Bitmap {
  HBITMAP bmp = nullptr;
  ~Bitmap() { if (bmp) DeleteObject(bmp); }
};
}  // namespace

bool CaptureRgb(HWND window, int* width, int* height, std::string* rgb) {
  RECT r = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (window) {
    RECT wr;
    if (!IsWindow(window) || !GetWindowRect(window, &wr)) return false;
    // Only the part that is on the screen.
    if (!IntersectRect(&r, &r, &wr)) return false;
  }
  int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return false;

  ScreenDC screen;
  if (!screen.dc) return false;
  MemoryDC mem(screen.dc);
  if (!mem.dc) return false;
  BITMAPINFO bi;
  ZeroMemory(&bi, sizeof(bi));
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;  // top row first
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Bitmap bmp;
  bmp.bmp = CreateDIBSection(screen.dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp.bmp || !bits) return false;
  HGDIOBJ old = SelectObject(mem.dc, bmp.bmp);
  BOOL ok = BitBlt(mem.dc, 0, 0, w, h, screen.dc, r.left, r.top, SRCCOPY | CAPTUREBLT);
  GdiFlush();
  SelectObject(mem.dc, old);
  if (!ok) return false;

  const unsigned char* src = static_cast<const unsigned char*>(bits);
  rgb->resize(size_t(w) * h * 3);
  for (size_t i = 0, n = size_t(w) * h; i < n; ++i) {  // BGRX -> RGB
    (*rgb)[i * 3 + 0] = (char)src[i * 4 + 2];
    (*rgb)[i * 3 + 1] = (char)src[i * 4 + 1];
    (*rgb)[i * 3 + 2] = (char)src[i * 4 + 0];
  }
  *width = w;
  *height = h;
  return true;
}

static void Put32(std::string* out, uLong v) {
  out->push_back(char(v >> 24));
  out->push_back(char(v >> 16));
  out->push_back(char(v >> 8));
  out->push_back(char(v));
}

static void PutChunk(std::string* out, const char* type, const std::string& data) {
  Put32(out, (uLong)data.size());
  std::string body = std::string(type, 4) + data;
  out->append(body);
  Put32(out, crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(body.data()), (uInt)body.size()));
}

bool EncodePng(int width, int height, const std::string& rgb, std::string* png) {
  if (width <= 0 || height <= 0 || rgb.size() != size_t(width) * height * 3) return false;
  // Every row starts with filter type 0 (none).
  std::string raw;
  raw.reserve(size_t(height) * (size_t(width) * 3 + 1));
  for (int y = 0; y < height; ++y) {
    raw.push_back('\0');
    raw.append(rgb, size_t(y) * width * 3, size_t(width) * 3);
  }
  uLongf packedSize = compressBound((uLong)raw.size());
  std::string packed(packedSize, '\0');
  if (compress2(reinterpret_cast<Bytef*>(&packed[0]), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
                (uLong)raw.size(), 6) != Z_OK)
    return false;
  packed.resize(packedSize);

  std::string ihdr;
  Put32(&ihdr, (uLong)width);
  Put32(&ihdr, (uLong)height);
  ihdr += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter set, no interlace
  png->assign("\x89PNG\r\n\x1a\n", 8);
  PutChunk(png, "IHDR", ihdr);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", std::string());
  return true;
}

bool SaveScreenshotPng(const std::string& path, HWND window) {
  int w = 0, h = 0;
  std::string rgb, png;
  if (!CaptureRgb(window, &w, &h, &rgb) || !EncodePng(w, h, rgb, &png)) return false;
  size_t cut = path.find_last_of("\\/");
  if (cut != std::string::npos && cut > 0) MakeDirs(path.substr(0, cut));
  return WriteFileBytes(path, png);
}

}  // namespace ts
