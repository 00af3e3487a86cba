#include "saved_manifest.h"

#include <windows.h>

#include <cstdio>

#include "file_write.h"

int SaveServerManifest(const char* path, const void* text, uint32_t length, uint32_t limit) {
  if (!WriteNewFile(path, text, length, limit)) return 0;
  for (int k = 1;; ++k) {
    char key[16];
    snprintf(key, sizeof key, "%i", k);
    char section[MAX_PATH];
    GetPrivateProfileStringA("ENUM", key, "", section, sizeof section, path);
    if (section[0] == '\0') break;
    WritePrivateProfileStringA(section, "SIZE", nullptr, path);
    WritePrivateProfileStringA(section, "ZSIZE", nullptr, path);
    WritePrivateProfileStringA(section, "ZSUM", nullptr, path);
  }
  return 1;
}
