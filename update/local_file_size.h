// Size of a local file for the check: FileSizeOf's result, without a directory search for plain
// paths (a search per file costs far more than an attribute query on some systems).
#pragma once
#include <cstdint>

// The file's size (low 32 bits); 0 for a missing file or a directory. A path with wildcards gives
// the size of its first match, as FileSizeOf does.
uint32_t LocalFileSize(const char* path);
