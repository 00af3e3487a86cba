// Whole-file reads and temporary-then-rename writes (std::filesystem and stdio: portable).
#include "file_io.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

namespace fs = std::filesystem;

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& data, std::string& error) {
  data.clear();
  std::error_code ec;
  if (!fs::is_regular_file(fs::path(path), ec)) {
    error = path + ": no such file";
    return false;
  }
  FilePtr f(std::fopen(path.c_str(), "rb"));
  if (!f) {
    error = path + ": cannot be opened";
    return false;
  }
  uint8_t buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) data.insert(data.end(), buffer, buffer + got);
  if (std::ferror(f.get())) {
    error = path + ": read failed";
    data.clear();
    return false;
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& text, std::string& error) {
  std::vector<uint8_t> data;
  if (!ReadWholeFile(path, data, error)) return false;
  text.assign(data.begin(), data.end());
  return true;
}

std::string TemporaryNameFor(const std::string& path) { return path + ".part"; }

bool WriteTemporary(const std::string& path, const void* data, size_t size, std::string& error) {
  std::string temp = TemporaryNameFor(path);
  FilePtr f(std::fopen(temp.c_str(), "wb"));
  if (!f) {
    error = temp + ": cannot be created";
    return false;
  }
  bool ok = size == 0 || std::fwrite(data, 1, size, f.get()) == size;
  ok = std::fflush(f.get()) == 0 && ok;
  ok = std::fclose(f.release()) == 0 && ok;
  if (!ok) {
    error = temp + ": write failed";
    DiscardTemporary(path);
  }
  return ok;
}

bool CommitFile(const std::string& path, std::string& error) {
  std::error_code ec;
  fs::rename(fs::path(TemporaryNameFor(path)), fs::path(path), ec);
  if (ec) {
    // Some C libraries refuse to rename over an existing file: remove it and try once more.
    std::error_code ignored;
    fs::remove(fs::path(path), ignored);
    ec.clear();
    fs::rename(fs::path(TemporaryNameFor(path)), fs::path(path), ec);
  }
  if (ec) {
    error = path + ": cannot be replaced (" + ec.message() + ")";
    return false;
  }
  return true;
}

void DiscardTemporary(const std::string& path) {
  std::error_code ignored;
  fs::remove(fs::path(TemporaryNameFor(path)), ignored);
}

bool WriteFileAtomic(const std::string& path, const void* data, size_t size, std::string& error) {
  if (!WriteTemporary(path, data, size, error)) return false;
  if (!CommitFile(path, error)) {
    DiscardTemporary(path);
    return false;
  }
  return true;
}
