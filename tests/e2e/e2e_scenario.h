// One whole update, as a publisher and a user would run it: a release folder, a server folder built
// from it with the publisher tools' code, an application folder with the old files, "update.ini",
// "Update.Str" and Update.exe, and the ways to wait for the update to end and to look at what it left.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "testsupport.h"

namespace e2e {

// A file of the application as the manifest lists it.
struct AppFile {
  std::string name;         // section name: path relative to the application folder, "\" between folders
  std::string oldVer;       // "VER" in the old "update.ini" ("" = no section there)
  std::string newVer;       // "VER" on the server
  std::string oldContent;   // installed before the update ("" = not installed)
  std::string newContent;   // in the release folder
  std::string extraKeys;    // further lines of the server section, each ending with "\r\n"
  std::string installedAt;  // where the file lies, relative to the application folder ("" = name)
  bool expectReplaced;      // the update installs newContent
};

// Texts of the string source compiled into "Update.Str" (English, the only language).
extern const char* const kStatusUpdatesFound;
extern const char* const kStatusUpToDate;
extern const char* const kClosePrefix;  // the close-program text up to the program's name
std::string CompiledStrings();          // the "Update.Str" image; empty (and a test failure) on error

std::string TempDir();  // GetTempPathA, as Update and Swaplet see it (ends with "\")
// Ends every process of that name (leftovers of a failed case), so that the next case starts clean.
void EndProcessesNamed(const char* exeName);

// Program images: testhelper.exe (switches, windows that ignore WM_CLOSE, ...) and e2e_recorder.exe
// (records its start beside itself), each followed by marker bytes so that two versions differ.
std::string HelperImage(const std::string& marker);
std::string RecorderImage(const std::string& marker);

// The visible top-level window of a process (class "#32770"), re-read on every call.
bool DialogOf(DWORD pid, ts::WindowInfo* out);
std::string ControlText(const ts::WindowInfo& w, int id);
bool ControlEnabled(const ts::WindowInfo& w, int id);

enum class ServerKind { Http, Share };

// The standard application: every kind of entry that an update meets (see the .cpp for the table).
std::vector<AppFile> StandardFiles();

class Scenario {
 public:
  explicit Scenario(std::vector<AppFile> files) : m_files(std::move(files)) {}

  // Writes the release folder and builds the server in a served folder; "URL" is that folder's address.
  bool MakeServer(ServerKind kind);
  // Installs the old application into appDir (made when missing; ends with "\").
  bool InstallOldApp(const std::string& appDir);

  // Starts Update.exe from the application folder with these switches.
  ts::Proc StartUpdate(const std::string& switches);
  // After Update.exe has handed over: waits until the installer has finished (update folder gone, no
  // Swaplet.exe process, the "EXE" program started once more). False when that did not happen in time.
  bool WaitForInstaller(int timeoutMs);

  // Every file as the update should leave it, "update.ini" equal to the server manifest less its
  // packing keys, the update folder gone.
  void ExpectUpdated() const;
  // The rows the wizard lists for the files to fetch: name and "<n> KB".
  std::vector<std::vector<std::string>> ExpectedRows() const;
  // Lines "start\t<exe>\t<cwd>\t<args>" written by the program marked "EXE".
  std::vector<std::string> ExeStarts() const;

  const std::string& AppDir() const { return m_appDir; }
  const std::string& ServerUrl() const { return m_server.url; }
  const std::string& ServerManifest() const { return m_serverManifest; }
  // The server manifest with the lines of "SIZE", "ZSIZE" and "ZSUM" removed.
  std::string ManifestWithoutPackingKeys() const;

  static constexpr const char* kExeEntry = "app.exe";  // the entry that "EXE" marks

 private:
  std::string OldManifest() const;
  std::string ServerManifestSource() const;

  std::vector<AppFile> m_files;
  ts::ServedDir m_server;
  std::string m_release, m_appDir, m_serverManifest;
  size_t m_startsBefore = 0;
};

}  // namespace e2e
