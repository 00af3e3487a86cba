// Fetch of the packed server manifest (server file 0) into memory.
#pragma once
#include <cstdint>
#include <vector>

#include "source.h"

// Reads a packed manifest from source: the 24-byte header, the packed bytes, their byte sum, and the
// zlib stream unpacked to exactly the header's size. The text must be non-empty and end with its zero
// byte. Nonzero with the text (zero byte included) in text; zero with text emptied.
int ReadPackedManifest(ByteSource& source, std::vector<uint8_t>& text);

// Opens address (directory base or URL; a URL gets an internet handle of its own) and reads the
// packed manifest from it, as ReadPackedManifest.
int FetchManifest(const char* address, std::vector<uint8_t>& text);
