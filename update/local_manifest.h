// The local "update.ini", read once and looked up as the profile functions look it up (a lookup per
// file through GetPrivateProfileStringA costs the whole file each time).
#pragma once
#include <cstddef>

#include "profile_text.h"

class LocalManifest {
 public:
  // A missing or unreadable file reads as empty: every value is then "".
  explicit LocalManifest(const char* path);
  // The section's "VER" (empty when the file, the section or the key is missing), cut to size - 1.
  void GetVersion(const char* section, char* dest, size_t size) const;

 private:
  ProfileText m_text;
};

// Reads a whole file into text; 0 when it cannot be opened or read.
int ReadWholeFile(const char* path, std::string& text);
