// The server manifest in memory, indexed once so that a check of n files costs linear time. Gives
// exactly what ManifestReader::GetValue gives (the strict reader starts every lookup at the top of
// the text, which makes n lookups cost n times the text).
#pragma once
#include <cstddef>
#include <string>
#include <unordered_map>

#include "manifest_reader.h"

class ServerManifest {
 public:
  explicit ServerManifest(const char* text);
  void GetValue(const char* section, const char* key, char* dest, size_t size) const;

 private:
  struct Section {
    std::unordered_map<std::string, const char*> values;  // lower-case key -> first value
  };
  ManifestReader m_reader;
  // lower-case text between "[" and the first "]" of a header line -> first such section
  std::unordered_map<std::string, Section> m_sections;
};
