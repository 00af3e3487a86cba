// The check run: pick a server, fetch its manifest, compare every listed file with the local
// manifest and the disk, list the newer ones and save the server manifest for the installer.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bounded.h"
#include "fetch.h"
#include "fileutil.h"
#include "local_file_size.h"
#include "local_manifest.h"
#include "manifest_rules.h"
#include "saved_manifest.h"
#include "server_manifest.h"
#include "updater.h"

namespace {

constexpr size_t kValueBuffer = MAX_PATH;
constexpr size_t kOsBuffer = 32;

// "\" becomes "/" in a URL; a base that then begins with "//" is a network path written with "\".
std::string NormaliseBase(std::string base) {
  for (char& c : base) {
    if (c == '\\') c = '/';
  }
  if (base.compare(0, 2, "//") == 0) {
    for (char& c : base) {
      if (c == '/') c = '\\';
    }
  }
  return base;
}

int IsConnected() {
  DWORD flags = 0;
  return InternetGetConnectedState(&flags, 0) ? 1 : 0;
}

}  // namespace

int CUpdater::PickServer(int connected, std::vector<uint8_t>& text) {
  int n = int(m_urls.size());
  if (n == 0) return 0;
  int position = m_startOverride >= 0 ? m_startOverride % n : rand() % n;
  for (int attempt = 0; attempt < n; ++attempt, ++position) {
    if (position == n) position = 0;
    std::string base = NormaliseBase(m_urls[size_t(position)]);
    m_base.Set(base);
    if (!IsDirectoryBase(base.c_str()) && !connected) continue;
    m_curName.Set(base);
    std::string address = base + "0" + m_ext;
    if (FetchManifest(address.c_str(), text)) return 1;
  }
  return 0;
}

void CUpdater::ListEntries(const char* text, uint32_t systemMask) {
  ServerManifest server(text);
  LocalManifest local((m_appDir + "update.ini").c_str());
  for (int k = 1;; ++k) {
    char key[16];
    snprintf(key, sizeof key, "%i", k);
    char section[kValueBuffer];
    server.GetValue("ENUM", key, section, sizeof section);
    if (section[0] == '\0') break;

    // A file that cannot be placed safely, or whose paths would not fit, is never fetched.
    char folder[kValueBuffer];
    server.GetValue(section, "FOLDER", folder, sizeof folder);
    char localPath[MAX_PATH];
    if (!ResolveDestination(localPath, folder, section, m_appDir.c_str())) continue;
    char tmpPath[MAX_PATH];
    if (!JoinBounded(tmpPath, sizeof tmpPath, m_updateDir.c_str(), section, ".tmp")) continue;

    uint32_t localSize = LocalFileSize(localPath);
    char localVer[kValueBuffer];
    local.GetVersion(section, localVer, sizeof localVer);
    char serverVer[kValueBuffer];
    server.GetValue(section, "VER", serverVer, sizeof serverVer);
    char os[kOsBuffer];
    server.GetValue(section, "OS", os, sizeof os);
    if (!EntryQualifies(ParseOsMask(os), systemMask, localVer, localSize, serverVer)) continue;

    char value[kValueBuffer];
    server.GetValue(section, "SIZE", value, sizeof value);
    uint32_t size = ParseSize(value);
    server.GetValue(section, "ZSIZE", value, sizeof value);
    uint32_t packedSize = ParseSize(value);
    server.GetValue(section, "ZSUM", value, sizeof value);
    uint32_t checksum = ParseZsum(value);
    m_entries.Add(section, k, size, checksum, packedSize);  // a failed allocation leaves the file out
  }
}

int CUpdater::RunCheck() {
  uint32_t systemMask = GetWindowsMask();
  m_cancel.store(0);
  m_paused.store(0);
  SetCurrentDirectoryA(m_appDir.c_str());
  m_entries.Clear();
  int connected = m_connectedOverride >= 0 ? m_connectedOverride : IsConnected();
  srand(GetTickCount());

  std::vector<uint8_t> text;
  if (!PickServer(connected, text)) {
    m_result.store(RESULT_NO_SERVER);
    return 0;
  }
  ListEntries(reinterpret_cast<const char*>(text.data()), systemMask);

  m_index.store(0, std::memory_order_relaxed);
  m_count.store(m_entries.Count(), std::memory_order_relaxed);
  m_curName.Set("");
  m_received.store(0, std::memory_order_relaxed);
  m_curSize.store(0, std::memory_order_relaxed);
  if (m_count.load(std::memory_order_relaxed) == 0) {
    m_result.store(RESULT_UP_TO_DATE);
    return 0;
  }

  CreateDirectories(m_updateDir.c_str());
  std::string saved = m_updateDir + "update.ini.tmp";
  // The text without its final zero byte; the installer installs this file as the new "update.ini",
  // so a failed write is reported like a server that could not be read (Retry repeats the check).
  if (!SaveServerManifest(saved.c_str(), text.data(), uint32_t(text.size() - 1), m_writeLimit)) {
    m_entries.Clear();
    m_count.store(0, std::memory_order_relaxed);
    m_result.store(RESULT_NO_SERVER);
    return 0;
  }
  m_result.store(RESULT_UPDATES_FOUND);
  return m_count.load(std::memory_order_relaxed);
}
