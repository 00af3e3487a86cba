#include "engine_fixture.h"

#include <cstring>

#include "serverbuild.h"

const char* BaseKindName(BaseKind kind) { return kind == BaseKind::Http ? "http" : "share"; }

static ts::ServedDir NewServed(BaseKind kind, const std::string& hint) {
  return kind == BaseKind::Http ? ts::NewHttpDir(hint) : ts::NewShareDir(hint);
}

static bool WriteRelease(const std::string& dir, const Files& files) {
  for (const auto& f : files) {
    std::string path = dir + f.first;
    size_t slash = path.find_last_of('\\');
    if (!ts::MakeDirs(path.substr(0, slash + 1))) return false;
    if (!ts::WriteFileBytes(path, f.second)) return false;
  }
  return true;
}

TestServer BuildServer(BaseKind kind, const std::string& hint, const std::string& manifest, const Files& files) {
  TestServer server;
  ts::ServedDir served = NewServed(kind, hint);
  std::string release = ts::NewScratchDir(hint + "-release");
  if (served.path.empty() || release.empty() || !WriteRelease(release, files)) return server;
  ServerBuildResult built = BuildServerFolder(release, manifest, served.path);
  if (!built.ok) {
    fprintf(stderr, "BuildServerFolder: %s\n", built.error.c_str());
    return server;
  }
  server.path = served.path;
  server.base = served.url;
  server.ok = true;
  return server;
}

TestServer RawServer(BaseKind kind, const std::string& hint, const std::vector<uint8_t>& file0) {
  TestServer server;
  ts::ServedDir served = NewServed(kind, hint);
  if (served.path.empty()) return server;
  if (!ts::WriteFileBytes(served.path + "0", std::string(file0.begin(), file0.end()))) return server;
  server.path = served.path;
  server.base = served.url;
  server.ok = true;
  return server;
}

std::string MakeAppDir(const std::string& hint, const std::string& localIni, const Files& files) {
  std::string dir = ts::NewScratchDir(hint);
  if (dir.empty()) return dir;
  if (!localIni.empty() && !ts::WriteFileBytes(dir + "update.ini", localIni)) return std::string();
  if (!WriteRelease(dir, files)) return std::string();
  return dir;
}

std::string ReadAll(const std::string& path) {
  std::string data;
  ts::ReadFileBytes(path, &data);
  return data;
}

std::string RandomBytes(size_t n, uint32_t seed) {
  std::string data(n, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < n; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    data[i] = char(x >> 24);
  }
  return data;
}

std::vector<std::string> Requests() { return ts::HttpLog(); }

int ScriptedSource::Read(void* buffer, uint32_t size, uint32_t* got) {
  requests.push_back(size);
  int number = int(requests.size());
  *got = 0;
  int ok = 1;
  if (failAt && number >= failAt) {
    ok = 0;
  } else if (!(endAt && number >= endAt)) {
    size_t n = m_data.size() - m_pos < size ? m_data.size() - m_pos : size;
    memcpy(buffer, m_data.data() + m_pos, n);
    m_pos += n;
    *got = uint32_t(n);
  }
  if (onRead) onRead(number);
  return ok;
}
