#include "local_manifest.h"

#include <windows.h>

void LocalManifest::GetVersion(const char* section, char* dest, size_t size) const {
  GetPrivateProfileStringA(section, "VER", "", dest, DWORD(size), m_path.c_str());
}
