#include "local_manifest.h"

#include <windows.h>

#include "handles.h"

int ReadWholeFile(const char* path, std::string& text) {
  text.clear();
  ScopedHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return 0;
  DWORD high = 0;
  DWORD size = GetFileSize(file.Get(), &high);
  if (size == INVALID_FILE_SIZE || high != 0) return 0;
  try {
    text.resize(size);
  } catch (...) {
    return 0;
  }
  DWORD got = 0;
  if (size && (!ReadFile(file.Get(), &text[0], size, &got, nullptr) || got != size)) {
    text.clear();
    return 0;
  }
  return 1;
}

LocalManifest::LocalManifest(const char* path) {
  std::string text;
  ReadWholeFile(path, text);
  m_text.Parse(std::move(text));
}

void LocalManifest::GetVersion(const char* section, char* dest, size_t size) const {
  m_text.GetString(section, "VER", dest, size);
}
