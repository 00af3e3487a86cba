// Code-page conversion through the C library's iconv (Linux host build of the publisher tools).
#include "codepage.h"

#include <cerrno>
#include <iconv.h>

namespace {

std::string IconvName(uint16_t codePage) {
  if (codePage == 1361) return "JOHAB";
  if (codePage == 65001) return "UTF-8";
  return "CP" + std::to_string(codePage);
}

// Owner of an iconv descriptor.
class IconvHandle {
 public:
  IconvHandle(const std::string& to, const std::string& from) : m_cd(iconv_open(to.c_str(), from.c_str())) {}
  ~IconvHandle() {
    if (Valid()) iconv_close(m_cd);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
  iconv_t Get() const { return m_cd; }

 private:
  iconv_t m_cd;
};

// Describes the character at the failing position: the UTF-8 sequence or the byte, in hex.
std::string DescribeAt(const std::string& text, size_t at, bool utf8) {
  size_t len = 1;
  if (utf8) {
    unsigned char c = static_cast<unsigned char>(text[at]);
    len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  }
  std::string hex;
  static const char digits[] = "0123456789ABCDEF";
  for (size_t i = at; i < text.size() && i < at + len; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (!hex.empty()) hex += ' ';
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  std::string shown = utf8 ? " \"" + text.substr(at, len) + "\"" : "";
  return "character" + shown + " (bytes " + hex + ") at byte " + std::to_string(at);
}

bool Convert(const std::string& to, const std::string& from, const std::string& in, std::string& out,
             std::string& error, bool inputIsUtf8, uint16_t codePage) {
  out.clear();
  IconvHandle cd(to, from);
  if (!cd.Valid()) {
    error = "code page " + std::to_string(codePage) + " is not known to this system's converter";
    return false;
  }
  std::string src = in;
  char* inPtr = src.empty() ? nullptr : &src[0];
  size_t inLeft = src.size();
  std::string buffer(in.size() * 4 + 16, '\0');
  char* outPtr = &buffer[0];
  size_t outLeft = buffer.size();
  while (inLeft > 0) {
    size_t r = iconv(cd.Get(), &inPtr, &inLeft, &outPtr, &outLeft);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) {
        size_t used = buffer.size() - outLeft;
        buffer.resize(buffer.size() * 2);
        outPtr = &buffer[used];
        outLeft = buffer.size() - used;
        continue;
      }
      size_t at = src.size() - inLeft;
      if (inputIsUtf8) {
        error = (errno == EILSEQ ? DescribeAt(src, at, true) + " cannot be written in code page "
                                 : "incomplete UTF-8 sequence at byte " + std::to_string(at) + " for code page ") +
                std::to_string(codePage);
      } else {
        error = DescribeAt(src, at, false) + " is not text in code page " + std::to_string(codePage);
      }
      return false;
    }
    // glibc counts irreversible conversions in r; with no //TRANSLIT none happen, but refuse them anyway.
    if (r != 0) {
      error = "text needs an inexact conversion to code page " + std::to_string(codePage);
      return false;
    }
  }
  // Flush any shift state.
  size_t r = iconv(cd.Get(), nullptr, nullptr, &outPtr, &outLeft);
  if (r == static_cast<size_t>(-1)) {
    error = "conversion to code page " + std::to_string(codePage) + " did not finish";
    return false;
  }
  buffer.resize(buffer.size() - outLeft);
  out.swap(buffer);
  return true;
}

}  // namespace

bool Utf8ToCodePage(uint16_t codePage, const std::string& utf8, std::string& out, std::string& error) {
  return Convert(IconvName(codePage), "UTF-8", utf8, out, error, true, codePage);
}

bool CodePageToUtf8(uint16_t codePage, const std::string& text, std::string& out, std::string& error) {
  return Convert("UTF-8", IconvName(codePage), text, out, error, false, codePage);
}

bool CodePageSupported(uint16_t codePage) {
  IconvHandle cd(IconvName(codePage), "UTF-8");
  return cd.Valid();
}
