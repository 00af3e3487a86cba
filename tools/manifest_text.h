// The publisher's manifest as lines of text: parsed with the rules that keep the client's strict reader
// and the installer's profile functions in agreement, edited in place, written back with "\r\n".
#pragma once
#include <string>
#include <vector>

// Faults make a manifest unusable (the client would misread it); warnings name lines that are legal
// but probably not what the publisher meant.
struct ManifestFindings {
  std::vector<std::string> faults;
  std::vector<std::string> warnings;
};

class ManifestText {
 public:
  // Splits the text into lines ("\n" or "\r\n") and checks every line. Returns false when a fault was found.
  bool Parse(const std::string& text, ManifestFindings& findings);

  // Value of the first line of key in section (names compared without regard to case).
  bool Get(const std::string& section, const std::string& key, std::string& value) const;
  bool HasSection(const std::string& section) const;
  // Replaces the key's line in place, or adds it after the section's last key line; a missing section
  // is added at the end.
  void Set(const std::string& section, const std::string& key, const std::string& value);

  // The names listed under "ENUM" as every reader walks them: 1, 2, 3, ... up to the first missing or
  // empty value. Warns about "ENUM" keys that this walk never reaches.
  std::vector<std::string> ListedFiles(ManifestFindings& findings) const;

  // Checks the values of the listed file sections: safe names, "FOLDER" with a macro, "OS" as a number.
  void CheckListedSections(const std::vector<std::string>& listed, ManifestFindings& findings) const;

  // The text with "\r\n" after every line.
  std::string Text() const;

 private:
  enum class Kind { Blank, Comment, Header, Key, Other };
  struct Line {
    Kind kind = Kind::Blank;
    std::string text;
    std::string name;   // section name or key
    std::string value;  // key value
    int section = -1;   // index into m_sections (-1: before the first header)
  };
  struct Section {
    std::string name;
    size_t headerLine = 0;
  };
  int FindSectionIndex(const std::string& name) const;
  int FindKeyLine(int section, const std::string& key) const;

  std::vector<Line> m_lines;
  std::vector<Section> m_sections;
};

// Case-insensitive comparison of ASCII names, as the readers compare section and key names.
bool SameName(const std::string& a, const std::string& b);
