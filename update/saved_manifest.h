// The saved manifest "update.ini.tmp": the server text for the installer, less the packing keys.
#pragma once
#include <cstdint>
#include <string>

// The server text (without its final zero byte) less the lines that removing "SIZE", "ZSIZE" and
// "ZSUM" of every section listed under "ENUM" with WritePrivateProfileStringA would remove; every
// other line is kept byte for byte.
std::string SavedManifestText(const char* text, uint32_t length);

// Writes SavedManifestText to path, created anew, in one write. Nonzero on success; on failure the
// partial file is deleted. limit cuts the write short (tests).
int SaveServerManifest(const char* path, const void* text, uint32_t length, uint32_t limit = 0xFFFFFFFF);
