// Rules of the update manifest shared by the client's check, the installer and the publisher tools.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t kAllSystems = 0x111111;  // "OS" missing, zero or not a number
constexpr size_t kMaxSectionName = 257;     // "[" + name + "]" must fit a 260-character buffer

// "OS" read as the C library's atol does; 0 gives kAllSystems.
uint32_t ParseOsMask(const char* value);
// "SIZE"/"ZSIZE": atol, taken as unsigned 32 bits.
uint32_t ParseSize(const char* value);
// "ZSUM": exactly 8 upper-case hex digits first; anything else reads as 0. Characters after the 8th are ignored.
uint32_t ParseZsum(const char* value);
// Formats a checksum as "ZSUM" is written: 8 upper-case hex digits.
std::string FormatZsum(uint32_t sum);

// A listed file is to be installed when its mask fits the system and the local copy is missing,
// empty, unversioned, or older than the server's version (byte-wise comparison).
bool EntryQualifies(uint32_t mask, uint32_t systemMask, const char* localVer, uint32_t localSize,
                    const char* serverVer);

// A section name that may be fetched and placed: not empty, at most 257 characters, not absolute
// (no drive letter, no leading "\" or "/"), and no ".." component.
bool IsSafeSectionName(const char* name);
// "FOLDER" starts with "{app}", "{sys}" or "{win}" (any case).
bool HasFolderMacro(const char* folder);

// Splits the "URL" value at ";": every ";" ends a piece (kept even when empty); the piece after the
// last ";" is kept only when it is not empty.
std::vector<std::string> SplitUrlList(const char* value);

// Windows version mask from the fields of the version query (platform 1 = 9x, 2 = NT).
uint32_t WindowsMaskFromVersion(bool queryOk, uint32_t platformId, uint32_t major, uint32_t minor);

// Joins the destination of a file placed by "FOLDER" into dest (size bytes): the macro's directory
// (appDir, sysDir or winDir, each ending with "\"), the sub-path after "{xxx}\" or "{xxx}/", then the
// part of the section name after its last "\". Returns 0 (dest empty) when the folder has no macro
// or the result would not fit.
int JoinFolderPath(char* dest, size_t size, const char* folder, const char* section, const char* appDir,
                   const char* sysDir, const char* winDir);
