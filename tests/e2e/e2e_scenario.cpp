#include "e2e_scenario.h"

#include <zlib.h>

#include <cstring>
#include <sstream>

#include <gtest/gtest.h>

#include "handles.h"
#include "packed_header.h"
#include "serverbuild.h"
#include "strsource.h"

namespace e2e {

const char* const kStatusUpdatesFound = "E2E: newer files found";
const char* const kStatusUpToDate = "E2E: everything is up to date";
const char* const kClosePrefix = "E2E: please close ";

namespace {

const char kStringSource[] =
    "[language 1033 1252]\n"
    "LS_TITLE = E2E Update\n"
    "LS_ABOUT = About E2E Update...\n"
    "LS_ABOUT_COPYRIGHT = Copyright E2E\n"
    "LS_ABOUT_OK = OK\n"
    "LS_LIST_LABEL = E2E: files to fetch\n"
    "LS_COL_FILE = File\n"
    "LS_COL_SIZE = Size\n"
    "LS_PHASE_RECEIVING = E2E: receiving\n"
    "LS_PHASE_VERIFYING = E2E: verifying\n"
    "LS_PHASE_UNPACKING = E2E: unpacking\n"
    "LS_BTN_NEXT = &Next\n"
    "LS_BTN_RETRY = &Retry\n"
    "LS_BTN_CANCEL = &Cancel\n"
    "LS_STATUS_CHECKING = E2E: checking\n"
    "LS_STATUS_UPDATES_FOUND = E2E: newer files found\n"
    "LS_STATUS_DOWNLOADING = E2E: downloading\n"
    "LS_STATUS_UP_TO_DATE = E2E: everything is up to date\n"
    "LS_STATUS_DOWNLOADED = E2E: downloaded\n"
    "LS_STATUS_DOWNLOAD_FAILED = E2E: download failed\n"
    "LS_STATUS_NO_SERVER = E2E: no server\n"
    "LS_FMT_CONNECTING = E2E: connecting to %s\n"
    "LS_ASK_CANCEL = E2E: stop the download?\n"
    "LS_INSTALL_LABEL = E2E: installing\n"
    "LS_FMT_CLOSING = E2E: closing %s\n"
    "LS_FMT_CLOSE_PROGRAM = E2E: please close %s\n"
    "LS_FMT_SECONDS = E2E: %d seconds passed\n"
    "LS_BTN_TERMINATE = E2E: end it now\n"
    "LS_FMT_REPLACE_FAILED = E2E: cannot replace %s\n";

const char kExt[] = ".z";

std::string ReadOrEmpty(const std::string& path) {
  std::string data;
  return ts::ReadFileBytes(path, &data) ? data : std::string();
}

std::string ImageWithMarker(const std::string& exe, const std::string& marker) {
  std::string image;
  if (!ts::ReadFileBytes(exe, &image) || image.empty()) {
    ADD_FAILURE() << "cannot read " << exe;
    return std::string();
  }
  return image + "\r\nMARKER " + marker + "\r\n";  // bytes after the image: the program runs the same
}

std::string WinPathOf(const char* unixPath) {
  std::string s = "Z:";
  for (const char* p = unixPath; *p; ++p) s += (*p == '/') ? '\\' : *p;
  return s;
}

// Unpacks the packed manifest (server file 0) as the client does; "" on any fault.
std::string UnpackManifest(const std::string& packed) {
  if (packed.size() < kPackedHeaderSize) return std::string();
  PackedHeader h;
  if (!ParsePackedHeader(reinterpret_cast<const uint8_t*>(packed.data()), h)) return std::string();
  if (h.unpackedSize == 0 || packed.size() < kPackedHeaderSize + h.packedSize) return std::string();
  std::string text(h.unpackedSize, '\0');
  uLongf produced = h.unpackedSize;
  if (uncompress(reinterpret_cast<Bytef*>(&text[0]), &produced,
                 reinterpret_cast<const Bytef*>(packed.data() + kPackedHeaderSize), h.packedSize) != Z_OK ||
      produced != h.unpackedSize || text.back() != '\0')
    return std::string();
  text.pop_back();  // the final zero byte is not part of the text
  return text;
}

std::string Lower(std::string s) {
  for (char& c : s) c = (char)tolower((unsigned char)c);
  return s;
}

std::string Bytes(size_t n, unsigned seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = (char)((i * 31 + seed * 7 + (i >> 8)) & 0xFF);
  return s;
}

}  // namespace

std::string CompiledStrings() {
  std::vector<uint8_t> image;
  std::string error;
  if (!CompileStrSource(kStringSource, image, error)) {
    ADD_FAILURE() << "string source: " << error;
    return std::string();
  }
  return std::string(image.begin(), image.end());
}

void EndProcessesNamed(const char* exeName) {
  for (DWORD pid : ts::FindProcesses(exeName)) {
    ScopedHandle h(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!h.Valid()) continue;
    TerminateProcess(h.Get(), 1);
    WaitForSingleObject(h.Get(), 5000);
  }
}

std::string TempDir() {
  char buf[MAX_PATH] = "";
  DWORD n = GetTempPathA(sizeof(buf), buf);
  return (n == 0 || n >= sizeof(buf)) ? std::string() : std::string(buf, n);
}

std::string HelperImage(const std::string& marker) { return ImageWithMarker(ts::TestHelperExe(), marker); }
std::string RecorderImage(const std::string& marker) {
  return ImageWithMarker(WinPathOf(E2E_RECORDER_EXE), marker);
}

bool DialogOf(DWORD pid, ts::WindowInfo* out) {
  for (const ts::WindowInfo& w : ts::ListWindows(pid)) {
    if (w.visible && w.cls == "#32770") {
      *out = w;
      return true;
    }
  }
  return false;
}

std::string ControlText(const ts::WindowInfo& w, int id) {
  const ts::ControlInfo* c = ts::FindControl(w, id);
  return c ? ts::WindowText(c->hwnd) : std::string("<no control " + std::to_string(id) + ">");
}

bool ControlEnabled(const ts::WindowInfo& w, int id) {
  const ts::ControlInfo* c = ts::FindControl(w, id);
  return c && IsWindowEnabled(c->hwnd);
}

// The application: one entry of every kind that an update meets. Wine reports an NT system with a
// non-zero minor version, whose "OS" bit is 1048576 (XP and later).
std::vector<AppFile> StandardFiles() {
  return {
      // the program marked "EXE": replaced, then started by the installer
      {Scenario::kExeEntry, "1.09", "1.10", RecorderImage("app 1.09"), RecorderImage("app 1.10"), "EXE=1\r\n", "",
       true},
      {"readme.txt", "1.09", "1.10", "Demo readme, version 1.09\r\n", "Demo readme, version 1.10\r\nNew: more.\r\n",
       "", "", true},
      // a file in a sub-folder
      {"data\\table.dat", "1.09", "1.10", Bytes(3000, 1), Bytes(70000, 2), "", "", true},
      // placed by "FOLDER" into a sub-folder of the application, for NT systems only
      {"plugin.dll", "1.09", "1.10", "old plugin", Bytes(5000, 3), "OS=1052672\r\nFOLDER={app}\\plugins\\\r\n",
       "plugins\\plugin.dll", true},
      // new in this release, in a folder that does not exist yet
      {"docs\\added.txt", "", "1.10", "", "Added in 1.10\r\n", "", "", true},
      // for Windows 98 only: not this system's
      {"win98.txt", "1.09", "1.10", "Windows 98 notes 1.09\r\n", "Windows 98 notes 1.10\r\n", "OS=16\r\n", "", false},
      // same version on both sides: stays although the server's bytes differ
      {"same.txt", "1.00", "1.00", "same, as installed\r\n", "same version, other bytes\r\n", "", "", false},
      // versions are compared byte-wise: "1.9" sorts after "1.10", so the server's file is not newer
      {"notes.txt", "1.9", "1.10", "notes 1.9\r\n", "notes 1.10\r\n", "", "", false},
  };
}

std::string Scenario::ServerManifestSource() const {
  std::ostringstream m;
  m << "[URL]\r\nURL=" << m_server.url << "\r\nEXT=" << kExt << "\r\n\r\n[ENUM]\r\n";
  for (size_t i = 0; i < m_files.size(); ++i) m << (i + 1) << "=" << m_files[i].name << "\r\n";
  for (const AppFile& f : m_files) m << "\r\n[" << f.name << "]\r\nVER=" << f.newVer << "\r\n" << f.extraKeys;
  return m.str();
}

std::string Scenario::OldManifest() const {
  std::ostringstream m;
  m << "[URL]\r\nURL=" << m_server.url << "\r\nEXT=" << kExt << "\r\n\r\n[ENUM]\r\n";
  int n = 0;
  for (const AppFile& f : m_files)
    if (!f.oldVer.empty()) m << ++n << "=" << f.name << "\r\n";
  for (const AppFile& f : m_files)
    if (!f.oldVer.empty()) m << "\r\n[" << f.name << "]\r\nVER=" << f.oldVer << "\r\n" << f.extraKeys;
  return m.str();
}

bool Scenario::MakeServer(ServerKind kind) {
  m_release = ts::NewScratchDir("release");
  m_server = kind == ServerKind::Http ? ts::NewHttpDir("srv") : ts::NewShareDir("srv");
  if (m_release.empty() || m_server.path.empty()) {
    ADD_FAILURE() << "no scratch or served folder (run under tests/support/testenv)";
    return false;
  }
  for (const AppFile& f : m_files) {
    std::string path = m_release + f.name;
    if (!ts::MakeDirs(path.substr(0, path.rfind('\\') + 1)) || !ts::WriteFileBytes(path, f.newContent)) {
      ADD_FAILURE() << "cannot write " << path;
      return false;
    }
  }
  ServerBuildResult built = BuildServerFolder(m_release, ServerManifestSource(), m_server.path);
  if (!built.ok) {
    ADD_FAILURE() << "server build refused: " << built.error;
    return false;
  }
  m_serverManifest = UnpackManifest(ReadOrEmpty(m_server.path + "0" + kExt));
  if (m_serverManifest.empty()) {
    ADD_FAILURE() << "the server's packed manifest cannot be read back";
    return false;
  }
  return true;
}

bool Scenario::InstallOldApp(const std::string& appDir) {
  m_appDir = appDir;
  if (!ts::MakeDirs(m_appDir)) {
    ADD_FAILURE() << "cannot make " << m_appDir;
    return false;
  }
  for (const AppFile& f : m_files) {
    if (f.oldContent.empty()) continue;
    std::string path = m_appDir + (f.installedAt.empty() ? f.name : f.installedAt);
    if (!ts::MakeDirs(path.substr(0, path.rfind('\\') + 1)) || !ts::WriteFileBytes(path, f.oldContent)) {
      ADD_FAILURE() << "cannot write " << path;
      return false;
    }
  }
  std::string strings = CompiledStrings();
  bool ok = !strings.empty() && ts::WriteFileBytes(m_appDir + "update.ini", OldManifest()) &&
            ts::WriteFileBytes(m_appDir + "Update.Str", strings) &&
            ts::CopyFileTo(ts::DistDir() + "Update.exe", m_appDir + "Update.exe");
  if (!ok) ADD_FAILURE() << "cannot install the old application into " << m_appDir;
  return ok;
}

ts::Proc Scenario::StartUpdate(const std::string& switches) {
  m_startsBefore = ExeStarts().size();
  ts::Proc p = ts::StartProcess("\"" + m_appDir + "Update.exe\"" + (switches.empty() ? "" : " " + switches), m_appDir);
  if (!p.Started()) ADD_FAILURE() << "Update.exe did not start from " << m_appDir;
  return p;
}

bool Scenario::WaitForInstaller(int timeoutMs) {
  bool done = ts::WaitUntil(
      [&] {
        return !ts::DirExists(m_appDir + "update\\") && ts::FindProcesses("Swaplet.exe").empty() &&
               ExeStarts().size() > m_startsBefore;
      },
      timeoutMs, 100);
  if (!done) {
    ADD_FAILURE() << "the installer did not finish within " << timeoutMs << " ms: update folder "
                  << (ts::DirExists(m_appDir + "update\\") ? "still there" : "gone") << ", "
                  << ts::FindProcesses("Swaplet.exe").size() << " Swaplet.exe running, "
                  << ExeStarts().size() - m_startsBefore << " new start(s) of " << kExeEntry;
  }
  return done;
}

void Scenario::ExpectUpdated() const {
  for (const AppFile& f : m_files) {
    std::string path = m_appDir + (f.installedAt.empty() ? f.name : f.installedAt);
    const std::string& want = f.expectReplaced ? f.newContent : f.oldContent;
    if (want.empty()) {
      EXPECT_FALSE(ts::FileExists(path)) << path << " should not exist";
      continue;
    }
    std::string have;
    EXPECT_TRUE(ts::ReadFileBytes(path, &have)) << path << " is missing";
    EXPECT_TRUE(have == want) << path << " holds " << have.size() << " bytes, not the "
                              << (f.expectReplaced ? "new" : "old") << " file's " << want.size();
  }
  EXPECT_EQ(ReadOrEmpty(m_appDir + "update.ini"), ManifestWithoutPackingKeys());
  EXPECT_FALSE(ts::DirExists(m_appDir + "update\\"));
}

std::string Scenario::ManifestWithoutPackingKeys() const {
  std::string out;
  size_t pos = 0;
  while (pos < m_serverManifest.size()) {
    size_t end = m_serverManifest.find('\n', pos);
    end = end == std::string::npos ? m_serverManifest.size() : end + 1;
    std::string line = m_serverManifest.substr(pos, end - pos);
    std::string key = Lower(line.substr(0, line.find('=')));
    if (line.find('=') == std::string::npos || (key != "size" && key != "zsize" && key != "zsum")) out += line;
    pos = end;
  }
  return out;
}

std::vector<std::vector<std::string>> Scenario::ExpectedRows() const {
  std::vector<std::vector<std::string>> rows;
  for (const AppFile& f : m_files) {
    if (!f.expectReplaced) continue;
    rows.push_back({f.name, std::to_string((f.newContent.size() + 1023) / 1024) + " KB"});
  }
  return rows;
}

std::vector<std::string> Scenario::ExeStarts() const {
  std::vector<std::string> lines;
  std::istringstream in(ReadOrEmpty(m_appDir + kExeEntry + ".started"));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("start\t", 0) == 0) lines.push_back(line);
  }
  return lines;
}

}  // namespace e2e
