#include "bounded.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

int CopyBounded(char* dest, size_t size, const char* src) {
  if (!dest || size == 0) return 0;
  if (!src) src = "";
  size_t n = strlen(src);
  if (n >= size) {
    dest[0] = '\0';
    return 0;
  }
  memcpy(dest, src, n + 1);
  return 1;
}

int AppendBounded(char* dest, size_t size, const char* src) {
  if (!dest || size == 0) return 0;
  if (!src) src = "";
  size_t have = strnlen(dest, size);
  if (have >= size) return 0;  // dest is not terminated inside its buffer
  size_t n = strlen(src);
  if (n >= size - have) return 0;
  memcpy(dest + have, src, n + 1);
  return 1;
}

int JoinBounded(char* dest, size_t size, const char* a, const char* b, const char* c) {
  if (!dest || size == 0) return 0;
  dest[0] = '\0';
  if (CopyBounded(dest, size, a) && AppendBounded(dest, size, b) && AppendBounded(dest, size, c)) return 1;
  dest[0] = '\0';
  return 0;
}

size_t ScanPlaceholder(const char* p, char& conversion, Placeholder* out) {
  conversion = 0;
  if (!p || p[0] != '%') return 0;
  Placeholder spec;
  size_t i = 1;
  if (p[i] == '%') {
    conversion = '%';
    if (out) *out = spec;
    return 2;
  }
  for (; p[i] == '-' || p[i] == '0'; ++i) {
    if (p[i] == '-') spec.leftAlign = true;
    else spec.zeroPad = true;
  }
  unsigned digits = 0;
  for (; p[i] >= '0' && p[i] <= '9'; ++i, ++digits) {
    if (digits < kMaxPlaceholderDigits) spec.width = spec.width * 10 + unsigned(p[i] - '0');
  }
  if (digits > kMaxPlaceholderDigits) return i;  // width too large: not a placeholder
  if (p[i] == '.') {
    ++i;
    spec.precision = 0;
    digits = 0;
    for (; p[i] >= '0' && p[i] <= '9'; ++i, ++digits) {
      if (digits < kMaxPlaceholderDigits) spec.precision = spec.precision * 10 + int(p[i] - '0');
    }
    if (digits > kMaxPlaceholderDigits) return i;
  }
  char c = p[i];
  if (c == 's' || c == 'd' || c == 'i' || c == 'u') {
    conversion = c;
    if (out) *out = spec;
    return i + 1;
  }
  return i;  // incomplete or unknown: conversion stays 0
}

namespace {

// Output cursor that cuts at the buffer's end and always keeps the text terminated.
class Writer {
 public:
  Writer(char* dest, size_t size) : m_dest(dest), m_size(size) {
    if (m_size) m_dest[0] = '\0';
  }
  void Put(char c) {
    if (m_len + 1 < m_size) {
      m_dest[m_len++] = c;
      m_dest[m_len] = '\0';
    }
  }
  void Put(const char* s, size_t n) {
    for (size_t i = 0; i < n; ++i) Put(s[i]);
  }
  void Pad(char c, size_t n) {
    for (size_t i = 0; i < n; ++i) Put(c);
  }

 private:
  char* m_dest;
  size_t m_size;
  size_t m_len = 0;
};

void PutPadded(Writer& w, const Placeholder& spec, const char* text, size_t length, bool numeric) {
  size_t pad = spec.width > length ? spec.width - length : 0;
  if (spec.leftAlign) {
    w.Put(text, length);
    w.Pad(' ', pad);
    return;
  }
  if (spec.zeroPad && numeric && spec.precision < 0 && length && text[0] == '-') {
    w.Put('-');  // zeros go between the sign and the digits
    w.Pad('0', pad);
    w.Put(text + 1, length - 1);
    return;
  }
  w.Pad(spec.zeroPad ? '0' : ' ', pad);
  w.Put(text, length);
}

void PutNumber(Writer& w, const Placeholder& spec, char conversion, long number) {
  char digits[32];
  if (conversion == 'u')
    snprintf(digits, sizeof digits, "%lu", (unsigned long)(uint32_t)number);
  else
    snprintf(digits, sizeof digits, "%ld", (long)(int32_t)number);
  // A precision asks for at least that many digits.
  const char* sign = digits[0] == '-' ? "-" : "";
  const char* body = digits + strlen(sign);
  size_t bodyLength = strlen(body);
  char text[kMaxPlaceholderValue + 40];
  size_t n = 0;
  n += size_t(snprintf(text, sizeof text, "%s", sign));
  if (spec.precision > 0 && size_t(spec.precision) > bodyLength) {
    size_t zeros = size_t(spec.precision) - bodyLength;
    memset(text + n, '0', zeros);
    n += zeros;
  }
  memcpy(text + n, body, bodyLength);
  n += bodyLength;
  PutPadded(w, spec, text, n, true);
}

void Format(char* dest, size_t size, const char* format, bool textRole, const char* text, long number) {
  if (!dest || size == 0) return;
  Writer w(dest, size);
  if (!format) return;
  bool used = false;
  for (const char* p = format; *p;) {
    if (*p != '%') {
      w.Put(*p++);
      continue;
    }
    char conversion;
    Placeholder spec;
    size_t length = ScanPlaceholder(p, conversion, &spec);
    if (conversion == '%') {
      w.Put('%');
    } else if (!used && textRole && conversion == 's') {
      const char* s = text ? text : "";
      size_t n = strlen(s);
      if (spec.precision >= 0 && size_t(spec.precision) < n) n = size_t(spec.precision);
      PutPadded(w, spec, s, n, false);
      used = true;
    } else if (!used && !textRole && (conversion == 'd' || conversion == 'i' || conversion == 'u')) {
      PutNumber(w, spec, conversion, number);
      used = true;
    } else {
      w.Put(p, length ? length : 1);  // not this role's placeholder, or a second one: copied as it stands
    }
    p += length ? length : 1;
  }
}

}  // namespace

void FormatOneText(char* dest, size_t size, const char* format, const char* text) {
  Format(dest, size, format, true, text, 0);
}

void FormatOneNumber(char* dest, size_t size, const char* format, long number) {
  Format(dest, size, format, false, nullptr, number);
}
