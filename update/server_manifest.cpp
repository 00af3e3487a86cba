#include "server_manifest.h"

#include <cstring>

#include "manifest_rules.h"

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

std::string LowerOf(const char* p, size_t n) {
  std::string s(p, n);
  for (char& c : s) c = Lower(c);
  return s;
}

// End of the line that starts at p: its "\n" or the zero byte.
const char* LineEnd(const char* p) {
  const char* nl = strchr(p, '\n');
  return nl ? nl : p + strlen(p);
}

}  // namespace

ServerManifest::ServerManifest(const char* text) : m_reader(text) {
  if (!text) return;
  Section* current = nullptr;  // keys of a section that is the first of its name
  for (const char* line = text; *line;) {
    const char* end = LineEnd(line);
    if (*line == '[') {
      // A header line "[name]..." is found by FindSection(name) for the name before its first "]".
      current = nullptr;
      const char* close = static_cast<const char*>(memchr(line, ']', size_t(end - line)));
      if (close) {
        auto inserted = m_sections.emplace(LowerOf(line + 1, size_t(close - line - 1)), Section());
        if (inserted.second) current = &inserted.first->second;
      }
    } else if (current) {
      // A key line "key=value" is found by FindKey(key) for the key before its first "=".
      const char* eq = static_cast<const char*>(memchr(line, '=', size_t(end - line)));
      if (eq) current->values.emplace(LowerOf(line, size_t(eq - line)), eq + 1);
    }
    line = *end ? end + 1 : end;
  }
}

void ServerManifest::GetValue(const char* section, const char* key, char* dest, size_t size) const {
  if (!dest || size == 0) return;
  dest[0] = '\0';
  if (!section || !key) return;
  // Names the index cannot answer exactly go to the strict reader itself.
  if (strchr(section, ']') || strchr(key, '=') || strlen(section) > kMaxSectionName || strlen(key) + 2 > 260) {
    m_reader.GetValue(section, key, dest, size);
    return;
  }
  auto s = m_sections.find(LowerOf(section, strlen(section)));
  if (s == m_sections.end()) return;
  auto v = s->second.values.find(LowerOf(key, strlen(key)));
  if (v == s->second.values.end()) return;
  const char* value = v->second;
  size_t n = 0;
  while (n + 1 < size && value[n] != '\0' && value[n] != '\r' && value[n] != '\n') {
    dest[n] = value[n];
    ++n;
  }
  dest[n] = '\0';
}
