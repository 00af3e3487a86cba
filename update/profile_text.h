// A profile file ("update.ini" form) read once into memory and looked up the way the Windows profile
// functions look it up, so that the check reads n sections in linear time: section and key names
// trimmed and matched without regard to case, the first section of a name and its first key win,
// values trimmed with one pair of surrounding double quotes removed.
#pragma once
#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

class ProfileText {
 public:
  ProfileText() = default;
  explicit ProfileText(std::string text) { Parse(std::move(text)); }
  void Parse(std::string text);

  // As GetPrivateProfileStringA with the default "": the value cut to size - 1 characters.
  void GetString(const char* section, const char* key, char* dest, size_t size) const;

  // The text less the lines that WritePrivateProfileStringA(section, key, NULL) would remove, called
  // once per key of keys for every section named under "ENUM" 1, 2, 3, ... (read as GetString reads
  // them, up to the first empty value). Every other line is kept byte for byte.
  std::string WithoutKeysOfListedSections(const std::vector<std::string>& keys) const;

 private:
  struct Line {
    size_t start, end;          // the whole line in m_text, its line end included
    size_t keyStart, keyEnd;    // trimmed key name; keyStart == keyEnd for a blank line
    size_t valueStart, valueEnd;  // trimmed value (empty without "=")
    int section;                // index in m_sections, -1 before the first header
    bool header;
  };
  struct Section {
    std::string lowerName;
    size_t firstLine, endLine;  // key lines of the section: [firstLine, endLine)
  };

  const Section* Find(const std::string& lowerName) const;
  const Line* FindKey(const Section& section, const std::string& lowerKey) const;
  void IndexKeys();

  std::string m_text;
  std::vector<Line> m_lines;
  std::vector<Section> m_sections;
  std::unordered_map<std::string, size_t> m_firstSection;  // lower-case name -> first section
  // lower-case section name + "\n" + lower-case key -> first key line of the first such section
  std::unordered_map<std::string, size_t> m_firstKey;
};

// Lower-case, trimmed form of a name as the profile functions compare it.
std::string ProfileName(const char* name);
