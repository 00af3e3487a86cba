// Test folders for the real Update.exe: an application folder (Update.exe, "update.ini",
// "Update.Str"), a server built from release files, and a started wizard read from outside.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "testsupport.h"

namespace wiz {

// Text of string id in the test string files: the language tag, ":", and the string's name (the
// formats hold their placeholder: LS_FMT_CONNECTING is "<tag>:connecting %s ...").
std::string Text(const std::string& tag, int id);
// The same formatted the way the wizard formats it, with one text argument.
std::string Formatted(const std::string& tag, int id, const std::string& arg);

struct Language {
  std::string tag;  // "en"
  int langId;       // 1033
  int codePage;     // 1252
};
// "Update.Str" image with the languages in this order; an empty LS_ABOUT when emptyAbout.
std::vector<uint8_t> StringFile(const std::vector<Language>& languages, bool emptyAbout = false);
std::vector<uint8_t> EnglishStrings();

struct ServerFile {
  std::string name;     // section name
  std::string content;  // release content
};
struct Server {
  std::string dir;   // Windows path of the server folder
  std::string base;  // its address, ending with "/"
  std::string name;  // the folder's name under the HTTP root
};
// Builds a server over HTTP listing files with "VER" 2.0 and suffix ".z". False (and a test
// failure) when the build is refused.
// exactName: a folder of exactly that name under the HTTP root instead of a fresh numbered one.
bool BuildServer(const std::vector<ServerFile>& files, Server* out, const std::string& dirHint = "srv",
                 const std::string& exactName = "");
// The same server trickled at about bytesPerSecond (the HTTP server's /slow/ mode).
std::string SlowBase(const Server& server, int bytesPerSecond);
// Incompressible bytes, so that a packed file is about as large as its content.
std::string RandomBytes(size_t size, unsigned seed);

// A fresh application folder with Update.exe. iniText is written as "update.ini" unless empty;
// strings as "Update.Str" unless empty. Returns the folder ("...\", empty on failure).
std::string MakeApp(const std::string& iniText, const std::vector<uint8_t>& strings);
// "update.ini" text naming one base; localFiles lists sections whose "VER" is given.
std::string IniFor(const std::string& base, const std::vector<std::pair<std::string, std::string>>& localVers = {});

// The update directory of an application folder.
inline std::string UpdateDir(const std::string& appDir) { return appDir + "update\\"; }

// A running Update.exe and its wizard.
class Wizard {
 public:
  // Starts appDir\Update.exe with the arguments; extraEnv as for ts::StartProcess.
  bool Start(const std::string& appDir, const std::string& args = "",
             const std::vector<std::string>* extraEnv = nullptr);
  ~Wizard();
  DWORD Pid() const { return m_proc.Pid(); }
  ts::Proc& Process() { return m_proc; }

  // The wizard's window (the dialog with the status line), hidden or not; false when there is none.
  bool Read(ts::WindowInfo* out) const;
  // Waits for a visible wizard whose status line shows string id.
  bool WaitStatus(int id, int timeoutMs, ts::WindowInfo* out = nullptr) const;
  std::string Status() const;
  std::vector<std::vector<std::string>> Rows() const;
  bool Click(int id) const;
  // Any top-level window of the process visible right now (cheap enough to poll every few ms).
  bool AnyVisible() const;

 private:
  ts::Proc m_proc;
};

std::string TextOf(const ts::WindowInfo& w, int id);
bool EnabledOf(const ts::WindowInfo& w, int id);

// A message box of the process (a dialog other than the wizard and the About box): title, static
// texts joined with "\n", buttons.
bool FindQuestion(DWORD pid, ts::MessageBoxInfo* out);
bool WaitQuestion(DWORD pid, int timeoutMs, ts::MessageBoxInfo* out);

std::string TempDir();
// The repository: "<repo>\" as a Windows path.
std::string RepoDir();

}  // namespace wiz
