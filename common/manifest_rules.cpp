#include "manifest_rules.h"

#include <cstdio>
#include <cstring>

#include "bounded.h"

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool EqualNoCase(const char* a, const char* b, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (a[i] == '\0' || Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// The C library's atol on a 32-bit long: blanks, optional sign, decimal digits up to the first other
// character. Values beyond the 32-bit range are held at its limits instead of overflowing.
int32_t ReadDecimal(const char* value) {
  if (!value) return 0;
  const char* p = value;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  int64_t n = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    n = n * 10 + (*p - '0');
    if (n > int64_t(INT32_MAX) + 1) n = int64_t(INT32_MAX) + 1;
  }
  if (negative) return n > int64_t(INT32_MAX) ? INT32_MIN : int32_t(-n);
  return n > INT32_MAX ? INT32_MAX : int32_t(n);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // lower case counts as a bad digit
}

const char* DirectoryOfMacro(const char* folder, const char* appDir, const char* sysDir,
                             const char* winDir) {
  if (EqualNoCase(folder, "{app}", 5)) return appDir;
  if (EqualNoCase(folder, "{sys}", 5)) return sysDir;
  if (EqualNoCase(folder, "{win}", 5)) return winDir;
  return nullptr;
}

}  // namespace

uint32_t ParseOsMask(const char* value) {
  uint32_t mask = uint32_t(ReadDecimal(value));
  return mask ? mask : kAllSystems;
}

uint32_t ParseSize(const char* value) { return uint32_t(ReadDecimal(value)); }

uint32_t ParseZsum(const char* value) {
  if (!value) return 0;
  uint32_t sum = 0;
  for (int i = 0; i < 8; ++i) {
    int d = HexDigit(value[i]);  // stops at the zero byte, which is not a digit
    if (d < 0) return 0;
    sum = sum << 4 | uint32_t(d);
  }
  return sum;
}

std::string FormatZsum(uint32_t sum) {
  char text[9];
  snprintf(text, sizeof text, "%08X", unsigned(sum));
  return text;
}

bool EntryQualifies(uint32_t mask, uint32_t systemMask, const char* localVer, uint32_t localSize,
                    const char* serverVer) {
  if ((mask & systemMask) == 0) return false;
  if (!localVer) localVer = "";
  if (!serverVer) serverVer = "";
  if (localVer[0] == '\0' || localSize == 0) return true;
  return serverVer[0] != '\0' && strcmp(localVer, serverVer) < 0;  // strcmp compares bytes unsigned
}

bool IsSafeSectionName(const char* name) {
  if (!name || name[0] == '\0') return false;
  size_t length = strlen(name);
  if (length > kMaxSectionName) return false;
  if (name[0] == '\\' || name[0] == '/') return false;
  if (strchr(name, ':')) return false;  // drive letters and alternate streams
  // No ".." component between separators.
  const char* part = name;
  while (true) {
    size_t partLength = strcspn(part, "\\/");
    if (partLength == 2 && part[0] == '.' && part[1] == '.') return false;
    if (part[partLength] == '\0') break;
    part += partLength + 1;
  }
  return true;
}

bool HasFolderMacro(const char* folder) {
  return folder && DirectoryOfMacro(folder, "", "", "") != nullptr;
}

std::vector<std::string> SplitUrlList(const char* value) {
  std::vector<std::string> pieces;
  if (!value) return pieces;
  const char* start = value;
  for (const char* semi; (semi = strchr(start, ';')) != nullptr; start = semi + 1) {
    pieces.emplace_back(start, size_t(semi - start));
  }
  if (*start) pieces.emplace_back(start);
  return pieces;
}

uint32_t WindowsMaskFromVersion(bool queryOk, uint32_t platformId, uint32_t major, uint32_t minor) {
  if (!queryOk) return 0x1000;
  if (platformId == 2) {  // NT family
    if (major <= 4) return 0x10000;
    return minor == 0 ? 0x1000 : 0x100000;
  }
  if (platformId == 1) {  // 9x family
    if (minor == 0) return 0x1;
    return minor < 90 ? 0x10 : 0x100;
  }
  return 0x1000;
}

int JoinFolderPath(char* dest, size_t size, const char* folder, const char* section, const char* appDir,
                   const char* sysDir, const char* winDir) {
  if (!dest || size == 0) return 0;
  dest[0] = '\0';
  if (!folder || !section) return 0;
  const char* dir = DirectoryOfMacro(folder, appDir, sysDir, winDir);
  if (!dir) return 0;
  const char* slash = strrchr(section, '\\');
  const char* baseName = slash ? slash + 1 : section;
  const char* subPath = (folder[5] == '\\' || folder[5] == '/') ? folder + 6 : "";
  return JoinBounded(dest, size, dir, subPath, baseName);
}
