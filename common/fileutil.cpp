#include "fileutil.h"

#include <cstring>

#include "bounded.h"
#include "handles.h"
#include "manifest_rules.h"

namespace {

void ToBackslashes(char* path) {
  for (char* p = path; *p; ++p) {
    if (*p == '/') *p = '\\';
  }
}

// A directory from GetWindowsDirectoryA/GetSystemDirectoryA with a trailing "\"; 0 when it failed.
int SystemFolder(char dir[MAX_PATH], bool system) {
  UINT n = system ? GetSystemDirectoryA(dir, MAX_PATH) : GetWindowsDirectoryA(dir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    dir[0] = '\0';
    return 0;
  }
  if (dir[n - 1] != '\\') return AppendBounded(dir, MAX_PATH, "\\");
  return 1;
}

// Length of the "\\server\share\" part of a network path (0 for any other path): those prefixes
// are not directories that can be created.
size_t NetworkRootLength(const char* path) {
  if (path[0] != '\\' || path[1] != '\\') return 0;
  const char* server = strchr(path + 2, '\\');
  if (!server) return strlen(path);
  const char* share = strchr(server + 1, '\\');
  return share ? size_t(share - path) + 1 : strlen(path);
}

}  // namespace

void GetAppDirectory(char dir[MAX_PATH]) {
  DWORD n = GetModuleFileNameA(nullptr, dir, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {  // failure or a name cut to the buffer
    dir[0] = '\0';
    return;
  }
  dir[n] = '\0';
  char* slash = strrchr(dir, '\\');
  if (slash)
    slash[1] = '\0';
  else
    dir[0] = '\0';
}

uint32_t FileSizeOf(const char* path) {
  if (!path || !*path) return 0;
  WIN32_FIND_DATAA data;
  ScopedFind find(FindFirstFileA(path, &data));
  if (!find.Valid() || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return 0;
  return data.nFileSizeLow;
}

int ForceDeleteFile(const char* path) {
  if (!path || !*path) return 0;
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  return DeleteFileA(path) ? 1 : 0;
}

int DeleteTree(const char* path) {
  char dir[MAX_PATH];
  if (!path || !*path || !CopyBounded(dir, sizeof dir, path)) return 0;
  ToBackslashes(dir);
  size_t length = strlen(dir);
  if (dir[length - 1] == '\\') dir[--length] = '\0';
  // Never the root of a drive: an empty name or a bare "X:" would enumerate it.
  if (length == 0 || (length == 2 && dir[1] == ':')) return 0;

  char pattern[MAX_PATH];
  if (JoinBounded(pattern, sizeof pattern, dir, "\\*.*")) {
    WIN32_FIND_DATAA data;
    ScopedFind find(FindFirstFileA(pattern, &data));
    if (find.Valid()) {
      do {
        const char* name = data.cFileName;
        if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
        char child[MAX_PATH];
        if (!JoinBounded(child, sizeof child, dir, "\\", name)) continue;  // cannot be named: stays
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          // A junction or symbolic link is removed itself; what it points to is left alone.
          if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            RemoveDirectoryA(child);
          else
            DeleteTree(child);
        } else {
          DeleteFileA(child);  // a read-only file stays, and so do the directories above it
        }
      } while (FindNextFileA(find.Get(), &data));
    }
  }
  return RemoveDirectoryA(dir) ? 1 : 0;
}

int CreateDirectories(const char* path) {
  char work[MAX_PATH];
  if (!path || !CopyBounded(work, sizeof work, path)) return 0;
  ToBackslashes(work);
  size_t skip = NetworkRootLength(work);
  for (char* p = work + skip; (p = strchr(p, '\\')) != nullptr; ++p) {
    char saved = p[1];
    p[1] = '\0';  // the prefix up to and including this "\"
    if (GetFileAttributesA(work) == INVALID_FILE_ATTRIBUTES && !CreateDirectoryA(work, nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS) {
      return 0;
    }
    p[1] = saved;
  }
  return 1;
}

int ExpandFolder(char dest[MAX_PATH], const char* folder, const char* section, const char* appDir) {
  dest[0] = '\0';
  if (!HasFolderMacro(folder)) return 0;
  char sysDir[MAX_PATH] = "";
  char winDir[MAX_PATH] = "";
  SystemFolder(sysDir, true);
  SystemFolder(winDir, false);
  return JoinFolderPath(dest, MAX_PATH, folder, section, appDir ? appDir : "", sysDir, winDir);
}

uint32_t GetWindowsMask() {
  OSVERSIONINFOA info;
  ZeroMemory(&info, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  bool ok = GetVersionExA(&info) != 0;
  return WindowsMaskFromVersion(ok, info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

int ResolveDestination(char dest[MAX_PATH], const char* folder, const char* section, const char* appDir) {
  dest[0] = '\0';
  if (!IsSafeSectionName(section)) return 0;
  if (!folder || !*folder) return JoinBounded(dest, MAX_PATH, appDir ? appDir : "", section);
  return ExpandFolder(dest, folder, section, appDir);
}
