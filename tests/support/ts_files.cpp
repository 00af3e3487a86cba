// File helpers on Windows paths.
#include <algorithm>

#include "handles.h"
#include "testsupport.h"

namespace ts {

bool WriteFileBytes(const std::string& path, const std::string& data) {
  ScopedHandle f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f.Valid()) return false;
  size_t done = 0;
  while (done < data.size()) {
    DWORD chunk = (DWORD)std::min<size_t>(data.size() - done, 1 << 20);
    DWORD written = 0;
    if (!WriteFile(f.Get(), data.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

bool ReadFileBytes(const std::string& path, std::string* out) {
  out->clear();
  ScopedHandle f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f.Valid()) return false;
  char buf[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(f.Get(), buf, sizeof(buf), &got, nullptr)) return false;
    if (got == 0) return true;
    out->append(buf, got);
  }
}

bool FileExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

static std::string NoTrailingSlash(std::string p) {
  while (p.size() > 3 && (p.back() == '\\' || p.back() == '/')) p.pop_back();
  return p;
}

bool DirExists(const std::string& path) {
  DWORD a = GetFileAttributesA(NoTrailingSlash(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeDirs(const std::string& path) {
  std::string p = NoTrailingSlash(path);
  if (p.empty()) return false;
  if (DirExists(p)) return true;
  size_t cut = p.find_last_of("\\/");
  if (cut != std::string::npos && cut > 0 && p[cut - 1] != ':' && p[cut - 1] != '\\') {
    if (!MakeDirs(p.substr(0, cut))) return false;
  }
  return CreateDirectoryA(p.c_str(), nullptr) || DirExists(p);
}

bool RemoveTree(const std::string& path) {
  std::string p = NoTrailingSlash(path);
  DWORD a = GetFileAttributesA(p.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return true;
  if (!(a & FILE_ATTRIBUTE_DIRECTORY)) {
    SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(p.c_str()) != 0;
  }
  WIN32_FIND_DATAA fd;
  {
    ScopedFind find(FindFirstFileA((p + "\\*").c_str(), &fd));
    if (find.Valid()) {
      do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        RemoveTree(p + "\\" + name);
      } while (FindNextFileA(find.Get(), &fd));
    }
  }
  return RemoveDirectoryA(p.c_str()) != 0;
}

bool CopyFileTo(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

}  // namespace ts
