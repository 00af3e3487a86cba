// The readable source of a language string file ("Update.Str"), as described in tools/README.md:
// UTF-8 text, one "[language LANGID CODEPAGE]" section per language, "LS_NAME = text" lines.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Compiles the source into an "Update.Str" image. Returns false with a message naming the line and
// the fault when a string is missing, unknown or given twice, a format string does not fit its role,
// or a text cannot be written in its language's code page.
bool CompileStrSource(const std::string& text, std::vector<uint8_t>& out, std::string& error);

// Writes an image back as source text. compile(dump(image)) gives the same image for every image
// that the compiler writes. Returns false when the image is not a valid string file or a string is
// not text in its language's code page.
bool DumpStrFile(const std::vector<uint8_t>& image, std::string& text, std::string& error);
