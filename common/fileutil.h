// Path and file-system helpers shared by the update client, the installer and the string packer.
// Paths are ANSI strings in MAX_PATH (260) buffers; directory strings end with "\".
#pragma once
#include <windows.h>
#include <cstdint>

// Directory of the running executable with its trailing "\" (empty when the name holds no "\").
void GetAppDirectory(char dir[MAX_PATH]);
// Size of a file in bytes (low 32 bits); 0 for a missing file or a directory.
uint32_t FileSizeOf(const char* path);
// Clears the attributes and deletes the file; nonzero on success.
int ForceDeleteFile(const char* path);
// Deletes the directory's contents and then the directory ("/" or "\" separators, trailing "\"
// optional); nonzero when the directory itself was removed. An empty path is refused (0).
int DeleteTree(const char* path);
// Creates every directory named before a "\" (or "/") of the path; nonzero on success.
int CreateDirectories(const char* path);
// Builds the destination of a file placed by "FOLDER" into dest (MAX_PATH). Nonzero on success;
// 0 (dest empty) when the folder starts with no macro or the path would not fit.
int ExpandFolder(char dest[MAX_PATH], const char* folder, const char* section, const char* appDir);
// Mask of the running Windows version (one of 0x1, 0x10, 0x100, 0x1000, 0x10000, 0x100000).
uint32_t GetWindowsMask();

// Destination of a manifest entry: appDir + section without "FOLDER", else ExpandFolder. Returns 0
// when the entry must not be placed: unsafe section name, folder without macro, or a path too long.
int ResolveDestination(char dest[MAX_PATH], const char* folder, const char* section, const char* appDir);
