// Shared pieces of the engine tests: real server folders (HTTP and share) built by the publisher
// tool, application folders with a local "update.ini", and a byte source with scripted reads.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "source.h"
#include "testsupport.h"

#define REQUIRE_TEST_ENV()                                                       \
  do {                                                                           \
    if (!ts::InTestEnv()) GTEST_SKIP() << "needs tests/support/testenv";        \
  } while (0)

enum class BaseKind { Http, Share };
const char* BaseKindName(BaseKind kind);

// A server folder reachable as base (URL ending with "/" or "\\srv\share\...\"), on disk at path.
struct TestServer {
  std::string path;
  std::string base;
  bool ok = false;
};

// Release files: section name -> content.
typedef std::map<std::string, std::string> Files;

// Builds a server folder with BuildServerFolder from the manifest and the release files.
TestServer BuildServer(BaseKind kind, const std::string& hint, const std::string& manifest, const Files& files);
// A server folder whose file 0 is the given bytes (for manifests the publisher tool refuses).
TestServer RawServer(BaseKind kind, const std::string& hint, const std::vector<uint8_t>& file0);

// A fresh application folder with the given "update.ini" text (none when empty) and local files.
std::string MakeAppDir(const std::string& hint, const std::string& localIni, const Files& files = {});

std::string ReadAll(const std::string& path);  // empty when missing
std::string RandomBytes(size_t n, uint32_t seed);

// Paths requested from the HTTP server since the last clear.
std::vector<std::string> Requests();

// A byte source over a string that records every request size. onRead runs after each read with its
// 1-based number; reads past failAt fail, reads past endAt return 0 bytes.
class ScriptedSource : public ByteSource {
 public:
  explicit ScriptedSource(std::string data) : m_data(std::move(data)) {}
  int Read(void* buffer, uint32_t size, uint32_t* got) override;

  std::vector<uint32_t> requests;
  std::function<void(int)> onRead;
  int failAt = 0;  // 0: never
  int endAt = 0;   // 0: never

 private:
  std::string m_data;
  size_t m_pos = 0;
};
