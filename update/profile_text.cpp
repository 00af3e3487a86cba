#include "profile_text.h"

#include <cstring>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

std::string LowerOf(const char* p, size_t n) {
  std::string s(p, n);
  for (char& c : s) c = Lower(c);
  return s;
}

void Trim(const std::string& text, size_t& start, size_t& end) {
  while (start < end && IsBlank(text[start])) ++start;
  while (end > start && IsBlank(text[end - 1])) --end;
}

}  // namespace

std::string ProfileName(const char* name) {
  std::string s(name ? name : "");
  size_t start = 0, end = s.size();
  Trim(s, start, end);
  return LowerOf(s.data() + start, end - start);
}

void ProfileText::Parse(std::string text) {
  m_text = std::move(text);
  m_lines.clear();
  m_sections.clear();
  m_firstSection.clear();
  // Lines before the first header belong to a section with the empty name.
  int section = -1;
  if (!m_text.empty()) {
    m_sections.push_back(Section{std::string(), 0, 0});
    m_firstSection.emplace(std::string(), 0);
    section = 0;
  }
  for (size_t pos = 0; pos < m_text.size();) {
    size_t nl = m_text.find('\n', pos);
    size_t next = nl == std::string::npos ? m_text.size() : nl + 1;
    Line line{pos, next, pos, nl == std::string::npos ? m_text.size() : nl, 0, 0, section, false};
    Trim(m_text, line.keyStart, line.keyEnd);
    size_t close = line.keyStart < line.keyEnd && m_text[line.keyStart] == '['
                       ? m_text.find(']', line.keyStart)
                       : std::string::npos;
    if (close != std::string::npos && close < line.keyEnd) {
      size_t nameStart = line.keyStart + 1, nameEnd = close;
      Trim(m_text, nameStart, nameEnd);
      if (section >= 0) m_sections[size_t(section)].endLine = m_lines.size();
      section = int(m_sections.size());
      Section s{LowerOf(m_text.data() + nameStart, nameEnd - nameStart), m_lines.size() + 1, 0};
      m_firstSection.emplace(s.lowerName, m_sections.size());
      m_sections.push_back(std::move(s));
      line.header = true;
      line.section = section;
      line.keyEnd = line.keyStart;
    } else {
      size_t eq = m_text.find('=', line.keyStart);
      if (eq != std::string::npos && eq < line.keyEnd) {
        line.valueStart = eq + 1;
        line.valueEnd = line.keyEnd;
        line.keyEnd = eq;
        Trim(m_text, line.keyStart, line.keyEnd);
        Trim(m_text, line.valueStart, line.valueEnd);
      } else {
        line.valueStart = line.valueEnd = line.keyEnd;
      }
    }
    m_lines.push_back(line);
    pos = next;
  }
  if (section >= 0) m_sections[size_t(section)].endLine = m_lines.size();
  IndexKeys();
}

void ProfileText::IndexKeys() {
  m_firstKey.clear();
  for (size_t i = 0; i < m_lines.size(); ++i) {
    const Line& line = m_lines[i];
    if (line.header || line.section < 0 || line.keyStart == line.keyEnd) continue;
    const Section& section = m_sections[size_t(line.section)];
    if (m_firstSection[section.lowerName] != size_t(line.section)) continue;  // a later duplicate
    m_firstKey.emplace(section.lowerName + "\n" + LowerOf(m_text.data() + line.keyStart, line.keyEnd - line.keyStart),
                       i);
  }
}

const ProfileText::Section* ProfileText::Find(const std::string& lowerName) const {
  auto it = m_firstSection.find(lowerName);
  return it == m_firstSection.end() ? nullptr : &m_sections[it->second];
}

const ProfileText::Line* ProfileText::FindKey(const Section& section, const std::string& lowerKey) const {
  if (lowerKey.empty()) return nullptr;
  auto it = m_firstKey.find(section.lowerName + "\n" + lowerKey);
  return it == m_firstKey.end() ? nullptr : &m_lines[it->second];
}

void ProfileText::GetString(const char* section, const char* key, char* dest, size_t size) const {
  if (!dest || size == 0) return;
  dest[0] = '\0';
  const Section* s = Find(ProfileName(section));
  if (!s) return;
  const Line* line = FindKey(*s, ProfileName(key));
  if (!line) return;
  // A value enclosed in a pair of the same quote loses both; the closing one goes only when the
  // buffer held the whole rest of the value (which cuts one more character from a cut value).
  size_t start = line->valueStart, end = line->valueEnd;
  char quote = 0;
  if (end - start >= 2 && (m_text[start] == '"' || m_text[start] == '\'') && m_text[end - 1] == m_text[start]) {
    quote = m_text[start];
    ++start;
  }
  size_t rest = end - start;
  size_t n = rest < size - 1 ? rest : size - 1;
  memcpy(dest, m_text.data() + start, n);
  dest[n] = '\0';
  if (quote && size >= rest && n > 0) dest[n - 1] = '\0';
}

std::string ProfileText::WithoutKeysOfListedSections(const std::vector<std::string>& keys) const {
  // How often each section is named: every naming removes one more occurrence of each key.
  std::unordered_map<std::string, int> calls;
  for (int k = 1;; ++k) {
    char section[260];
    GetString("ENUM", std::to_string(k).c_str(), section, sizeof section);
    if (!section[0]) break;
    ++calls[ProfileName(section)];
  }
  std::vector<std::string> lowerKeys;
  for (const std::string& key : keys) lowerKeys.push_back(ProfileName(key.c_str()));

  // A removal takes the first matching key line of any section with that name, in file order.
  std::vector<char> removed(m_lines.size(), 0);
  std::unordered_map<std::string, std::vector<int>> left;  // per section name: removals left per key
  for (const auto& c : calls) left[c.first] = std::vector<int>(lowerKeys.size(), c.second);
  for (size_t i = 0; i < m_lines.size(); ++i) {
    const Line& line = m_lines[i];
    if (line.header || line.section < 0 || line.keyStart == line.keyEnd) continue;
    auto it = left.find(m_sections[size_t(line.section)].lowerName);
    if (it == left.end()) continue;
    std::string key = LowerOf(m_text.data() + line.keyStart, line.keyEnd - line.keyStart);
    for (size_t k = 0; k < lowerKeys.size(); ++k) {
      if (key == lowerKeys[k] && it->second[k] > 0) {
        --it->second[k];
        removed[i] = 1;
        break;
      }
    }
  }
  std::string out;
  out.reserve(m_text.size());
  for (size_t i = 0; i < m_lines.size(); ++i) {
    if (!removed[i]) out.append(m_text, m_lines[i].start, m_lines[i].end - m_lines[i].start);
  }
  return out;
}
