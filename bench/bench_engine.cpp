// Benchmark driver for the update engine: runs a check or a download against the base in the
// application folder's "update.ini" and prints timings. Not a test: it only measures.
//
//   bench_engine check APPDIR [REPEAT]     time RunCheck (best of REPEAT)
//   bench_engine breakdown APPDIR [MAX]    where a check's time goes, with the profile functions
//                                          (one lookup per file, one write per removed key) beside
//                                          the single-pass reads and writes; MAX seconds for the
//                                          profile-function writes (estimated beyond that)
//   bench_engine download APPDIR           RunCheck, then RunDownload from an empty update folder
//   bench_engine sleep [N]                 average length of Sleep(1)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fetch.h"
#include "fileutil.h"
#include "local_manifest.h"
#include "manifest_reader.h"
#include "saved_manifest.h"
#include "source.h"
#include "server_manifest.h"
#include "updater.h"

namespace {

double Now() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return double(c.QuadPart) / double(f.QuadPart);
}

std::string App(const char* arg) {
  std::string app = arg;
  if (!app.empty() && app.back() != '\\') app += '\\';
  return app;
}

void Prepare(CUpdater& engine) {
  engine.m_startOverride = 0;
  engine.m_connectedOverride = 1;
}

// A loop stopped after its time limit: the rest is estimated at the same cost per item, which is a
// lower bound where the cost per item grows with the file.
void PrintCapped(const char* what, double seconds, size_t done, size_t total) {
  if (done >= total) {
    printf("%s seconds=%.4f\n", what, seconds);
  } else {
    printf("%s: %zu of %zu in %.1f s, estimated seconds>=%.1f\n", what, done, total, seconds,
           seconds * double(total) / double(done ? done : 1));
  }
}

int Check(const std::string& app, int repeat) {
  double best = 1e30;
  int entries = 0;
  for (int i = 0; i < repeat; ++i) {
    CUpdater engine(app);
    Prepare(engine);
    double t = Now();
    entries = engine.RunCheck();
    t = Now() - t;
    if (engine.m_result.load() != RESULT_UPDATES_FOUND) {
      printf("check: result %d\n", engine.m_result.load());
      return 1;
    }
    if (t < best) best = t;
  }
  printf("check entries=%d seconds=%.4f\n", entries, best);
  return 0;
}

int Breakdown(const std::string& app, double maxSeconds) {
  CUpdater engine(app);
  Prepare(engine);
  std::string base = engine.m_urls.empty() ? "" : engine.m_urls[0];
  double t = Now();
  std::vector<uint8_t> text;
  if (!FetchManifest((base + "0" + engine.m_ext).c_str(), text)) {
    printf("breakdown: no manifest\n");
    return 1;
  }
  printf("fetch seconds=%.4f bytes=%zu\n", Now() - t, text.size());
  const char* server = reinterpret_cast<const char*>(text.data());

  ManifestReader reader(server);
  std::vector<std::string> names;
  t = Now();
  for (int k = 1;; ++k) {
    char key[16], name[MAX_PATH];
    snprintf(key, sizeof key, "%i", k);
    reader.GetValue("ENUM", key, name, sizeof name);
    if (!name[0]) break;
    names.push_back(name);
  }
  printf("server ENUM walk seconds=%.4f files=%zu\n", Now() - t, names.size());
  const char* fileKeys[] = {"FOLDER", "VER", "OS", "SIZE", "ZSIZE", "ZSUM"};
  t = Now();
  size_t looked = 0;
  for (const std::string& name : names) {
    char value[MAX_PATH];
    for (const char* key : fileKeys) reader.GetValue(name.c_str(), key, value, sizeof value);
    ++looked;
    if (Now() - t > maxSeconds) break;
  }
  PrintCapped("server section lookups, strict reader from the top each time", Now() - t, looked, names.size());
  t = Now();
  {
    ServerManifest indexed(server);
    for (int k = 1;; ++k) {
      char key[16], name[MAX_PATH];
      snprintf(key, sizeof key, "%i", k);
      indexed.GetValue("ENUM", key, name, sizeof name);
      if (!name[0]) break;
      char value[MAX_PATH];
      for (const char* fileKey : fileKeys) indexed.GetValue(name, fileKey, value, sizeof value);
    }
  }
  printf("server ENUM walk and section lookups, indexed seconds=%.4f\n", Now() - t);

  t = Now();
  for (const std::string& name : names) {
    char path[MAX_PATH];
    ResolveDestination(path, "", name.c_str(), app.c_str());
    FileSizeOf(path);
  }
  printf("local file sizes, FindFirstFileA seconds=%.4f\n", Now() - t);
  t = Now();
  for (const std::string& name : names) {
    char path[MAX_PATH];
    ResolveDestination(path, "", name.c_str(), app.c_str());
    WIN32_FILE_ATTRIBUTE_DATA data;
    GetFileAttributesExA(path, GetFileExInfoStandard, &data);
  }
  printf("local file sizes, GetFileAttributesExA seconds=%.4f\n", Now() - t);

  std::string ini = app + "update.ini";
  t = Now();
  looked = 0;
  for (const std::string& name : names) {
    char value[MAX_PATH];
    GetPrivateProfileStringA(name.c_str(), "VER", "", value, sizeof value, ini.c_str());
    ++looked;
    if (Now() - t > maxSeconds) break;
  }
  PrintCapped("local VER, GetPrivateProfileStringA per file", Now() - t, looked, names.size());
  t = Now();
  {
    LocalManifest local(ini.c_str());
    for (const std::string& name : names) {
      char value[MAX_PATH];
      local.GetVersion(name.c_str(), value, sizeof value);
    }
  }
  printf("local VER, read once seconds=%.4f\n", Now() - t);

  std::string dir = app + "bench-saved\\";
  CreateDirectories(dir.c_str());
  std::string single = dir + "single.ini", profile = dir + "profile.ini";
  t = Now();
  SaveServerManifest(single.c_str(), text.data(), uint32_t(text.size() - 1));
  printf("saved manifest, single pass seconds=%.4f\n", Now() - t);

  HANDLE f = CreateFileA(profile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n = 0;
  WriteFile(f, text.data(), DWORD(text.size() - 1), &n, nullptr);
  CloseHandle(f);
  t = Now();
  size_t done = 0;
  for (int k = 1;; ++k) {
    char key[16], section[MAX_PATH];
    snprintf(key, sizeof key, "%i", k);
    GetPrivateProfileStringA("ENUM", key, "", section, sizeof section, profile.c_str());
    if (!section[0]) break;
    for (const char* name : {"SIZE", "ZSIZE", "ZSUM"}) WritePrivateProfileStringA(section, name, nullptr, profile.c_str());
    ++done;
    if (Now() - t > maxSeconds) break;
  }
  PrintCapped("saved manifest, WritePrivateProfileStringA per key", Now() - t, done, names.size());
  DeleteTree(dir.c_str());
  return 0;
}

int Download(const std::string& app) {
  CUpdater engine(app);
  Prepare(engine);
  DeleteTree(engine.m_updateDir.c_str());
  double t = Now();
  int entries = engine.RunCheck();
  double check = Now() - t;
  if (entries == 0) {
    printf("download: check result %d\n", engine.m_result.load());
    return 1;
  }
  uint64_t packed = 0, unpacked = 0;
  for (int i = 0; const UpdateEntry* e = engine.m_entries.At(i); ++i) {
    packed += e->packedSize;
    unpacked += e->size;
  }
  t = Now();
  engine.RunDownload();
  double seconds = Now() - t;
  printf("download result=%d files=%d packed=%llu unpacked=%llu check_seconds=%.3f seconds=%.3f MBps=%.2f\n",
         engine.m_result.load(), entries, (unsigned long long)packed, (unsigned long long)unpacked, check, seconds,
         double(packed) / seconds / 1e6);
  DeleteTree(engine.m_updateDir.c_str());
  return engine.m_result.load() == RESULT_DOWNLOADED ? 0 : 1;
}

// Reads a URL with InternetReadFile in requests of the given size (as the download does) and
// reports the rate and the time per read: separates WinInet's cost per call from the engine's.
int RawInet(const char* address, uint32_t request, const char* mode) {
  InetHandle inet(OpenInternet());
  std::unique_ptr<ByteSource> source = OpenServerFile(inet.Get(), address, 0);
  if (!source) {
    printf("rawinet: cannot open %s\n", address);
    return 1;
  }
  std::vector<uint8_t> buffer(request);
  uint64_t total = 0;
  size_t reads = 0;
  double t = Now();
  for (;;) {
    uint32_t got = 0;
    if (mode && !strcmp(mode, "avail")) {
      DWORD avail = 0;
      InternetQueryDataAvailable(static_cast<InetSource*>(source.get())->Handle(), &avail, 0, 0);
    }
    if (!source->Read(buffer.data(), request, &got) || got == 0) break;
    total += got;
    ++reads;
  }
  double seconds = Now() - t;
  printf("rawinet request=%u bytes=%llu reads=%zu seconds=%.3f MBps=%.2f us_per_read=%.1f\n", request,
         (unsigned long long)total, reads, seconds, double(total) / seconds / 1e6, seconds * 1e6 / double(reads));
  return 0;
}

int SleepLength(int n) {
  double t = Now();
  for (int i = 0; i < n; ++i) Sleep(1);
  printf("sleep1 ms=%.3f\n", (Now() - t) * 1000.0 / n);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && !strcmp(argv[1], "check")) return Check(App(argv[2]), argc > 3 ? atoi(argv[3]) : 3);
  if (argc >= 3 && !strcmp(argv[1], "breakdown")) return Breakdown(App(argv[2]), argc > 3 ? atof(argv[3]) : 60);
  if (argc >= 3 && !strcmp(argv[1], "download")) return Download(App(argv[2]));
  if (argc >= 4 && !strcmp(argv[1], "rawinet")) return RawInet(argv[2], uint32_t(atoi(argv[3])), argc > 4 ? argv[4] : nullptr);
  if (argc >= 2 && !strcmp(argv[1], "sleep")) return SleepLength(argc > 2 ? atoi(argv[2]) : 1000);
  fprintf(stderr, "usage: bench_engine check|breakdown|download APPDIR | sleep [N]\n");
  return 2;
}
