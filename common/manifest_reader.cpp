#include "manifest_reader.h"

#include <cstring>

#include "manifest_rules.h"

namespace {

constexpr size_t kLineBuffer = 260;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// True when text starts with pattern, compared without regard to ASCII case over the pattern's length.
bool StartsWithNoCase(const char* text, const char* pattern, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (text[i] == '\0' || Lower(text[i]) != Lower(pattern[i])) return false;
  }
  return true;
}

// Position just after the next "\n", or nullptr at the zero byte.
const char* NextLine(const char* p) {
  const char* nl = strchr(p, '\n');
  return nl ? nl + 1 : nullptr;
}

}  // namespace

const char* ManifestReader::FindSection(const char* section) const {
  if (!m_text || !section) return nullptr;
  size_t nameLength = strlen(section);
  if (nameLength > kMaxSectionName) return nullptr;  // "[" + name + "]" would not fit the buffer
  char header[kLineBuffer];
  header[0] = '[';
  memcpy(header + 1, section, nameLength);
  header[nameLength + 1] = ']';
  size_t headerLength = nameLength + 2;
  for (const char* line = m_text; line; line = NextLine(line)) {
    if (StartsWithNoCase(line, header, headerLength)) return line + headerLength;
  }
  return nullptr;
}

const char* ManifestReader::FindKey(const char* sectionPos, const char* key) const {
  if (!sectionPos || !key) return nullptr;
  size_t keyLength = strlen(key);
  if (keyLength + 2 > kLineBuffer) return nullptr;  // key + "=" must fit the buffer
  char pattern[kLineBuffer];
  memcpy(pattern, key, keyLength);
  pattern[keyLength] = '=';
  size_t patternLength = keyLength + 1;
  // The rest of the header line is ignored.
  for (const char* line = NextLine(sectionPos); line; line = NextLine(line)) {
    if (*line == '\0' || *line == '[') return nullptr;
    if (StartsWithNoCase(line, pattern, patternLength)) return line + patternLength;
  }
  return nullptr;
}

void ManifestReader::GetValue(const char* section, const char* key, char* dest, size_t size) const {
  if (!dest || size == 0) return;
  dest[0] = '\0';
  const char* value = FindKey(FindSection(section), key);
  if (!value) return;
  size_t n = 0;
  while (n + 1 < size && value[n] != '\0' && value[n] != '\r' && value[n] != '\n') {
    dest[n] = value[n];
    ++n;
  }
  dest[n] = '\0';
}
