// Manifest lines: parsing with the publisher rules, in-place editing, writing.
#include "manifest_text.h"

#include <cctype>
#include <cstdlib>
#include <set>

#include "manifest_rules.h"

namespace {

constexpr size_t kMaxValue = 259;    // values are read into 260-character buffers
constexpr size_t kMaxOsValue = 31;   // "OS" is read into a 32-character buffer

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool AllBlank(const std::string& s) {
  for (char c : s)
    if (!IsBlank(c)) return false;
  return true;
}

bool IsDecimal(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

bool ManifestText::Parse(const std::string& text, ManifestFindings& findings) {
  m_lines.clear();
  m_sections.clear();
  size_t before = findings.faults.size();
  if (text.find('\0') != std::string::npos) {
    findings.faults.push_back("the manifest holds a zero byte: the client's reader stops there");
    return false;
  }
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
    findings.faults.push_back("the manifest starts with a UTF-8 byte-order mark: the client's reader does not see "
                              "its first line");
  std::vector<std::string> raw;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    raw.push_back(line);
    start = end + 1;
  }
  std::set<std::string> keysInSection;
  for (size_t i = 0; i < raw.size(); ++i) {
    const std::string where = "manifest line " + std::to_string(i + 1) + ": ";
    Line line;
    line.text = raw[i];
    line.section = static_cast<int>(m_sections.size()) - 1;
    const std::string& t = line.text;
    if (t.find('\r') != std::string::npos)
      findings.faults.push_back(where + "a carriage return inside the line");
    if (AllBlank(t)) {
      line.kind = Kind::Blank;
    } else if (t[0] == ';' || t[0] == '#') {
      line.kind = Kind::Comment;
    } else if (IsBlank(t[0])) {
      size_t first = t.find_first_not_of(" \t");
      if (t[first] == ';' || t[first] == '#') {
        line.kind = Kind::Comment;
      } else {
        line.kind = Kind::Other;
        findings.faults.push_back(where + "blank at the start of the line: the client's reader does not see \"" +
                                  t.substr(first) + "\"");
      }
    } else if (t[0] == '[') {
      line.kind = Kind::Header;
      size_t close = t.find(']');
      if (close == std::string::npos) {
        findings.faults.push_back(where + "section header without \"]\"");
      } else {
        line.name = t.substr(1, close - 1);
        if (line.name.empty()) findings.faults.push_back(where + "empty section name");
        else if (IsBlank(line.name.front()) || IsBlank(line.name.back()))
          findings.faults.push_back(where + "blank at the start or end of the section name \"" + line.name + "\"");
        if (line.name.size() > kMaxSectionName)
          findings.faults.push_back(where + "section name of " + std::to_string(line.name.size()) +
                                    " characters; the client finds at most " + std::to_string(kMaxSectionName));
        if (!AllBlank(t.substr(close + 1)))
          findings.warnings.push_back(where + "text after \"]\" is ignored: \"" + t.substr(close + 1) + "\"");
        if (FindSectionIndex(line.name) >= 0)
          findings.faults.push_back(where + "section [" + line.name + "] is given twice; the readers take the first");
      }
      Section s;
      s.name = line.name;
      s.headerLine = m_lines.size();
      m_sections.push_back(s);
      line.section = static_cast<int>(m_sections.size()) - 1;
      keysInSection.clear();
    } else if (t.find('=') != std::string::npos) {
      line.kind = Kind::Key;
      size_t eq = t.find('=');
      line.name = t.substr(0, eq);
      line.value = t.substr(eq + 1);
      if (line.name.empty())
        findings.warnings.push_back(where + "a line without a key before \"=\" is never read");
      else if (IsBlank(line.name.back()) || (!line.value.empty() && IsBlank(line.value.front())))
        findings.faults.push_back(where + "blank around \"=\": the client's reader does not find \"" + line.name + "\"");
      else if (!line.value.empty() && IsBlank(line.value.back()))
        findings.faults.push_back(where + "blank at the end of the value of " + line.name +
                                  ": the client keeps it, the installer drops it");
      if (line.value.size() >= 2 && line.value.front() == '"' && line.value.back() == '"')
        findings.faults.push_back(where + "value of " + line.name +
                                  " in double quotes: the installer removes them, the client keeps them");
      size_t limit = SameName(line.name, "OS") ? kMaxOsValue : kMaxValue;
      if (line.value.size() > limit)
        findings.faults.push_back(where + "value of " + line.name + " has " + std::to_string(line.value.size()) +
                                  " characters; at most " + std::to_string(limit) + " are read");
      if (line.section < 0) {
        findings.warnings.push_back(where + "key " + line.name + " stands before any section and is never read");
      } else {
        if (!keysInSection.insert(Upper(line.name)).second)
          findings.faults.push_back(where + "key " + line.name + " is given twice in section [" +
                                    m_sections[line.section].name + "]; the readers take the first");
      }
    } else {
      line.kind = Kind::Other;
      findings.warnings.push_back(where + "neither a section, a key nor a comment; it is ignored: \"" + t + "\"");
    }
    m_lines.push_back(line);
  }
  return findings.faults.size() == before;
}

int ManifestText::FindSectionIndex(const std::string& name) const {
  for (size_t i = 0; i < m_sections.size(); ++i)
    if (SameName(m_sections[i].name, name)) return static_cast<int>(i);
  return -1;
}

int ManifestText::FindKeyLine(int section, const std::string& key) const {
  if (section < 0) return -1;
  for (size_t i = m_sections[section].headerLine + 1; i < m_lines.size() && m_lines[i].section == section; ++i)
    if (m_lines[i].kind == Kind::Key && SameName(m_lines[i].name, key)) return static_cast<int>(i);
  return -1;
}

bool ManifestText::HasSection(const std::string& section) const { return FindSectionIndex(section) >= 0; }

bool ManifestText::Get(const std::string& section, const std::string& key, std::string& value) const {
  value.clear();
  int line = FindKeyLine(FindSectionIndex(section), key);
  if (line < 0) return false;
  value = m_lines[line].value;
  return true;
}

void ManifestText::Set(const std::string& section, const std::string& key, const std::string& value) {
  int s = FindSectionIndex(section);
  if (s < 0) {
    if (!m_lines.empty() && m_lines.back().kind != Kind::Blank) m_lines.push_back(Line());
    Line header;
    header.kind = Kind::Header;
    header.name = section;
    header.text = "[" + section + "]";
    header.section = static_cast<int>(m_sections.size());
    Section sec;
    sec.name = section;
    sec.headerLine = m_lines.size();
    m_sections.push_back(sec);
    m_lines.push_back(header);
    s = header.section;
  }
  Line keyLine;
  keyLine.kind = Kind::Key;
  keyLine.name = key;
  keyLine.value = value;
  keyLine.text = key + "=" + value;
  keyLine.section = s;
  int existing = FindKeyLine(s, key);
  if (existing >= 0) {
    keyLine.name = m_lines[existing].name;
    keyLine.text = keyLine.name + "=" + value;
    m_lines[existing] = keyLine;
    return;
  }
  // After the last key line of the section (or its header), so blank lines and comments that
  // separate it from the next section stay where they are.
  size_t at = m_sections[s].headerLine;
  for (size_t i = at + 1; i < m_lines.size() && m_lines[i].section == s; ++i)
    if (m_lines[i].kind == Kind::Key) at = i;
  m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at + 1), keyLine);
  for (Section& sec : m_sections)
    if (sec.headerLine > at) ++sec.headerLine;
}

std::vector<std::string> ManifestText::ListedFiles(ManifestFindings& findings) const {
  std::vector<std::string> listed;
  std::string value;
  for (unsigned n = 1;; ++n) {
    if (!Get("ENUM", std::to_string(n), value) || value.empty()) break;
    listed.push_back(value);
  }
  int s = FindSectionIndex("ENUM");
  if (s < 0) return listed;
  for (size_t i = m_sections[s].headerLine + 1; i < m_lines.size() && m_lines[i].section == s; ++i) {
    const Line& l = m_lines[i];
    if (l.kind != Kind::Key) continue;
    bool reached = IsDecimal(l.name) && l.name[0] != '0' && l.name.size() <= 9 &&
                   std::stoul(l.name) <= listed.size();
    if (!reached)
      findings.warnings.push_back("manifest line " + std::to_string(i + 1) + ": [ENUM] " + l.name + "=" + l.value +
                                  " is never read: the readers walk 1, 2, 3, ... and stop after " +
                                  std::to_string(listed.size()));
  }
  return listed;
}

void ManifestText::CheckListedSections(const std::vector<std::string>& listed, ManifestFindings& findings) const {
  std::set<std::string> seen;
  for (size_t n = 0; n < listed.size(); ++n) {
    const std::string& name = listed[n];
    const std::string where = "[ENUM] " + std::to_string(n + 1) + " \"" + name + "\": ";
    if (!IsSafeSectionName(name.c_str())) {
      findings.faults.push_back(where + "not a safe file name (empty, over " + std::to_string(kMaxSectionName) +
                                " characters, absolute, or with a \"..\" component)");
      continue;
    }
    if (SameName(name, "URL") || SameName(name, "ENUM")) {
      findings.faults.push_back(where + "a file may not be named like the settings sections");
      continue;
    }
    if (!seen.insert(Upper(name)).second)
      findings.warnings.push_back(where + "listed more than once");
    if (name.find('/') != std::string::npos)
      findings.warnings.push_back(where + "write \"\\\" between folders");
    std::string value;
    if (!Get(name, "VER", value) || value.empty())
      findings.warnings.push_back(where + "no \"VER\": an installed copy of the file is never replaced");
    if (Get(name, "FOLDER", value)) {
      if (!HasFolderMacro(value.c_str())) {
        findings.faults.push_back(where + "\"FOLDER\" \"" + value + "\" does not start with {app}, {sys} or {win}");
      } else {
        std::string rest = value.substr(5);
        bool sepFirst = rest.empty() || rest[0] == '\\' || rest[0] == '/';
        bool sepLast = rest.empty() || rest.back() == '\\' || rest.back() == '/';
        if (!sepFirst || !sepLast)
          findings.faults.push_back(where + "\"FOLDER\" \"" + value + "\" must be a macro, optionally followed by "
                                    "\"\\\" and a sub-path that ends with \"\\\"");
        std::string part;
        for (size_t i = 0; i <= rest.size(); ++i) {
          if (i == rest.size() || rest[i] == '\\' || rest[i] == '/') {
            if (part == "..") {
              findings.faults.push_back(where + "\"FOLDER\" \"" + value + "\" leaves its directory through \"..\"");
              break;
            }
            part.clear();
          } else {
            part += rest[i];
          }
        }
      }
      std::string exe;
      if (Get(name, "EXE", exe) && std::atol(exe.c_str()) != 0)
        findings.warnings.push_back(where + "\"EXE\" starts application directory + section name; \"FOLDER\" is "
                                    "not applied to it");
    }
    if (Get(name, "OS", value) && !value.empty() && !IsDecimal(value))
      findings.warnings.push_back(where + "\"OS\" \"" + value + "\" is not a decimal number; it reads as " +
                                  std::to_string(ParseOsMask(value.c_str())));
  }
}

std::string ManifestText::Text() const {
  std::string out;
  for (const Line& l : m_lines) out += l.text + "\r\n";
  return out;
}
