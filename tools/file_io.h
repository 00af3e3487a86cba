// Whole-file reads and writes for the publisher tools. A file is written under a temporary name beside
// its target and renamed over it only when complete, so no reader ever sees half a file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data, std::string& error);
bool ReadWholeFile(const std::string& path, std::string& text, std::string& error);

// Temporary name used for path while it is written.
std::string TemporaryNameFor(const std::string& path);
// Writes data to path's temporary name (created anew); the caller renames it with CommitFile.
bool WriteTemporary(const std::string& path, const void* data, size_t size, std::string& error);
// Renames path's temporary file over path.
bool CommitFile(const std::string& path, std::string& error);
// Removes path's temporary file, if any.
void DiscardTemporary(const std::string& path);
// WriteTemporary + CommitFile; the temporary file is removed on failure.
bool WriteFileAtomic(const std::string& path, const void* data, size_t size, std::string& error);
