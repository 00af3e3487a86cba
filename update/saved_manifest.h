// The saved manifest "update.ini.tmp": the server text for the installer, less the packing keys.
#pragma once
#include <cstdint>

// Writes text (length bytes, without the final zero byte) to path, created anew, then removes "SIZE",
// "ZSIZE" and "ZSUM" from every section listed under "ENUM". Nonzero on success; on failure the
// partial file is deleted. limit cuts the write short (tests).
int SaveServerManifest(const char* path, const void* text, uint32_t length, uint32_t limit = 0xFFFFFFFF);
