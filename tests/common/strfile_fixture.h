// Hand-made string file images for the tests (independent from the publisher tools' writer).
#pragma once
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "strfile.h"

namespace strfixture {

// A hand-made string file, written here byte by byte so that the reader is checked against the
// format itself and not against the publisher tools' writer.
struct FixtureLang {
  FixtureLang(uint16_t lang, uint16_t cp, std::map<int, std::string> strings = {})
      : langId(lang), codePage(cp), overrides(std::move(strings)) {}
  uint16_t langId;
  uint16_t codePage;
  std::map<int, std::string> overrides;  // strings other than the default ones
};

struct FixtureLayout {
  bool reversePositions = false;  // entries stored in the file in the opposite order of the chain
  uint32_t lastNext = 0;          // next-entry field of the last entry
};

class ByteImage {
 public:
  size_t Size() const { return m_bytes.size(); }
  void Grow(size_t n) { m_bytes.resize(m_bytes.size() + n, 0); }
  void U16(size_t at, uint16_t v) {
    m_bytes[at] = uint8_t(v);
    m_bytes[at + 1] = uint8_t(v >> 8);
  }
  void U32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) m_bytes[at + i] = uint8_t(v >> (8 * i));
  }
  size_t Text(const std::string& s) {
    size_t at = m_bytes.size();
    m_bytes.insert(m_bytes.end(), s.begin(), s.end());
    m_bytes.push_back(0);
    return at;
  }
  std::vector<uint8_t>& Bytes() { return m_bytes; }

 private:
  std::vector<uint8_t> m_bytes;
};

inline std::string DefaultString(uint16_t langId, int n) {
  switch (FormatRoleOf(n)) {
    case FormatRole::Text:
      return "L" + std::to_string(langId) + " %s";
    case FormatRole::Number:
      return "L" + std::to_string(langId) + " %d";
    default:
      return "L" + std::to_string(langId) + "#" + std::to_string(n);
  }
}

inline std::vector<uint8_t> MakeStrFile(const std::vector<FixtureLang>& langs, const FixtureLayout& layout = {}) {
  ByteImage img;
  img.Grow(20);
  const char magic[] = "STR";
  memcpy(img.Bytes().data(), magic, 3);
  img.U32(6, 0xAAAAAAAA);  // fields no reader uses
  img.U16(10, uint16_t(langs.size()));
  img.U32(12, 0xBBBBBBBB);
  const size_t n = langs.size();
  auto position = [&](size_t i) { return 20 + 20 * (layout.reversePositions ? n - 1 - i : i); };
  img.Grow(20 * n);
  if (n) img.U32(16, uint32_t(position(0)));
  for (size_t i = 0; i < n; ++i) {
    size_t e = position(i);
    img.U32(e, i + 1 < n ? uint32_t(position(i + 1)) : layout.lastNext);
    img.U16(e + 4, langs[i].codePage);
    img.U16(e + 6, langs[i].langId);
    img.U32(e + 8, 0xCCCCCCCC);
    img.U32(e + 12, 0xDDDDDDDD);
  }
  for (size_t i = 0; i < n; ++i) {
    size_t table = img.Size();
    img.Grow(4 * LS_COUNT);
    img.U32(position(i) + 16, uint32_t(table));
    for (int s = 0; s < LS_COUNT; ++s) {
      auto it = langs[i].overrides.find(s);
      size_t at = img.Text(it != langs[i].overrides.end() ? it->second : DefaultString(langs[i].langId, s));
      img.U32(table + 4 * s, uint32_t(at));
    }
  }
  return img.Bytes();
}

inline uint32_t ReadU32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
inline void WriteU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

}  // namespace strfixture
