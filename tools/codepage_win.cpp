// Code-page conversion through the Win32 code-page functions (Windows builds of the publisher tools).
// UTF-8 goes to UTF-16 and from there to the code page; the result is converted back and compared,
// so a best-fit or default-character replacement is caught as a failure.
#include "codepage.h"

#include <windows.h>

#include <vector>

namespace {

bool Utf8ToWide(const std::string& utf8, std::wstring& wide) {
  wide.clear();
  if (utf8.empty()) return true;
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (n <= 0) return false;
  wide.resize(n);
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), &wide[0], n) == n;
}

bool WideToUtf8(const std::wstring& wide, std::string& utf8) {
  utf8.clear();
  if (wide.empty()) return true;
  int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return false;
  utf8.resize(n);
  return WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0], n, nullptr, nullptr) == n;
}

bool CodePageToWide(uint16_t codePage, const std::string& text, std::wstring& wide) {
  wide.clear();
  if (text.empty()) return true;
  int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return false;
  wide.resize(n);
  return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), &wide[0], n) == n;
}

// Exact conversion of UTF-16 text to the code page: no best fit, no default character, and the
// result must convert back to the same text.
bool WideToCodePageExact(uint16_t codePage, const std::wstring& wide, std::string& out) {
  out.clear();
  if (wide.empty()) return true;
  BOOL usedDefault = FALSE;
  DWORD flags = WC_NO_BEST_FIT_CHARS;
  BOOL* usedPtr = &usedDefault;
  int n = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, usedPtr);
  if (n <= 0) {
    // Some code pages take neither flags nor the default-character report; the round trip still checks.
    flags = 0;
    usedPtr = nullptr;
    n = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return false;
  }
  out.resize(n);
  usedDefault = FALSE;
  if (WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), &out[0], n, nullptr, usedPtr) != n)
    return false;
  if (usedDefault) return false;
  std::wstring back;
  return CodePageToWide(codePage, out, back) && back == wide;
}

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char c : bytes) {
    if (!hex.empty()) hex += ' ';
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  return hex;
}

}  // namespace

bool Utf8ToCodePage(uint16_t codePage, const std::string& utf8, std::string& out, std::string& error) {
  out.clear();
  if (!CodePageSupported(codePage)) {
    error = "code page " + std::to_string(codePage) + " is not known to this system";
    return false;
  }
  std::wstring wide;
  if (!Utf8ToWide(utf8, wide)) {
    error = "the text is not valid UTF-8";
    return false;
  }
  if (WideToCodePageExact(codePage, wide, out)) return true;
  // Find the first character (a surrogate pair counts as one) that has no exact form.
  size_t utf8At = 0;
  for (size_t i = 0; i < wide.size();) {
    size_t len = (wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size()) ? 2 : 1;
    std::wstring one = wide.substr(i, len);
    std::string oneUtf8, ignored;
    WideToUtf8(one, oneUtf8);
    if (!WideToCodePageExact(codePage, one, ignored)) {
      error = "character \"" + oneUtf8 + "\" (bytes " + Hex(oneUtf8) + ") at byte " + std::to_string(utf8At) +
              " cannot be written in code page " + std::to_string(codePage);
      return false;
    }
    utf8At += oneUtf8.size();
    i += len;
  }
  error = "the text cannot be written exactly in code page " + std::to_string(codePage);
  return false;
}

bool CodePageToUtf8(uint16_t codePage, const std::string& text, std::string& out, std::string& error) {
  out.clear();
  if (!CodePageSupported(codePage)) {
    error = "code page " + std::to_string(codePage) + " is not known to this system";
    return false;
  }
  std::wstring wide;
  if (!CodePageToWide(codePage, text, wide) || !WideToUtf8(wide, out)) {
    error = "the bytes " + Hex(text.substr(0, 16)) + (text.size() > 16 ? " ..." : "") +
            " are not text in code page " + std::to_string(codePage);
    out.clear();
    return false;
  }
  return true;
}

bool CodePageSupported(uint16_t codePage) { return IsValidCodePage(codePage) != 0; }
