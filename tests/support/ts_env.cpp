// The test environment: variables, fresh folders under the scratch, HTTP and share roots.
#include <cstdio>
#include <cstdlib>

#include "testsupport.h"

namespace ts {

std::string Env(const char* name) {
  char buf[4096];
  DWORD n = GetEnvironmentVariableA(name, buf, sizeof(buf));
  if (n == 0 || n >= sizeof(buf)) return std::string();
  return std::string(buf, n);
}

bool InTestEnv() {
  return Env("UPD_TEST_ENV") == "1" && !Env("UPD_SCRATCH_WIN").empty() && !Env("UPD_HTTP_URL").empty();
}

static std::string WithSlash(std::string s, char sep) {
  if (!s.empty() && s.back() != sep) s += sep;
  return s;
}

// Keeps letters, digits, '-', '_' and '.' of the hint so that the name works in paths and URLs.
static std::string SafeName(const std::string& hint) {
  std::string out;
  for (char c : hint) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
              c == '.';
    out += ok ? c : '_';
  }
  if (out.empty()) out = "dir";
  if (out.size() > 60) out.resize(60);
  return out;
}

// Creates <root><hint>-<pid>-<n>\ that did not exist before; returns the name part, or "" on failure.
static std::string NewDirUnder(const std::string& root, const std::string& hint) {
  if (root.empty()) return std::string();
  static LONG counter = 0;
  std::string base = SafeName(hint);
  for (int attempt = 0; attempt < 1000; ++attempt) {
    char name[128];
    snprintf(name, sizeof(name), "%s-%lu-%ld", base.c_str(), (unsigned long)GetCurrentProcessId(),
             (long)InterlockedIncrement(&counter));
    std::string path = WithSlash(root, '\\') + name;
    if (CreateDirectoryA(path.c_str(), nullptr)) return name;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return std::string();
  }
  return std::string();
}

std::string NewScratchDir(const std::string& hint) {
  std::string root = Env("UPD_SCRATCH_WIN");
  std::string name = NewDirUnder(root, hint);
  if (name.empty()) return std::string();
  return WithSlash(root, '\\') + name + "\\";
}

ServedDir NewHttpDir(const std::string& hint) {
  ServedDir d;
  std::string root = Env("UPD_HTTP_ROOT_WIN");
  std::string url = Env("UPD_HTTP_URL");
  if (url.empty()) return d;
  std::string name = NewDirUnder(root, hint);
  if (name.empty()) return d;
  d.path = WithSlash(root, '\\') + name + "\\";
  d.url = WithSlash(url, '/') + name + "/";
  return d;
}

ServedDir NewShareDir(const std::string& hint) {
  ServedDir d;
  std::string root = Env("UPD_SHARE_ROOT_WIN");
  std::string unc = Env("UPD_SHARE_UNC");
  if (unc.empty()) return d;
  std::string name = NewDirUnder(root, hint);
  if (name.empty()) return d;
  d.path = WithSlash(root, '\\') + name + "\\";
  d.url = WithSlash(unc, '\\') + name + "\\";
  return d;
}

// "/a/b" -> "Z:\a\b"
static std::string WinPathOf(const char* unixPath) {
  std::string s = "Z:";
  for (const char* p = unixPath; *p; ++p) s += (*p == '/') ? '\\' : *p;
  return s;
}

std::string DistDir() { return WithSlash(WinPathOf(UPD_SOURCE_DIR), '\\') + "dist\\win64\\"; }
std::string TestHelperExe() { return WinPathOf(UPD_TESTHELPER_EXE); }
std::string WinspyExe() { return WinPathOf(UPD_WINSPY_EXE); }

}  // namespace ts
