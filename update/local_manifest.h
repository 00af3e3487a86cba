// Reads the "VER" of file sections from the local "update.ini" as the profile functions do.
#pragma once
#include <cstddef>
#include <string>

class LocalManifest {
 public:
  explicit LocalManifest(const char* path) : m_path(path) {}
  // The section's "VER" (empty when the file, the section or the key is missing), cut to size - 1.
  void GetVersion(const char* section, char* dest, size_t size) const;

 private:
  std::string m_path;
};
