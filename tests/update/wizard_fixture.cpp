#include "wizard_fixture.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>

#include "resources/resource.h"
#include "serverbuild.h"
#include "strfile.h"
#include "strsource.h"

namespace wiz {

std::string Text(const std::string& tag, int id) {
  switch (id) {
    case LS_FMT_CONNECTING: return tag + ":connecting %s ...";
    case LS_FMT_CLOSING: return tag + ":closing %s";
    case LS_FMT_CLOSE_PROGRAM: return tag + ":close %s";
    case LS_FMT_SECONDS: return tag + ":seconds %d";
    case LS_FMT_REPLACE_FAILED: return tag + ":replace %s";
    default: return tag + ":" + LangStringName(id);
  }
}

std::string Formatted(const std::string& tag, int id, const std::string& arg) {
  std::string format = Text(tag, id);
  size_t at = format.find("%s");
  return at == std::string::npos ? format : format.substr(0, at) + arg + format.substr(at + 2);
}

std::vector<uint8_t> StringFile(const std::vector<Language>& languages, bool emptyAbout) {
  std::string source;
  for (const Language& lang : languages) {
    source += "[language " + std::to_string(lang.langId) + " " + std::to_string(lang.codePage) + "]\n";
    for (int id = 0; id < LS_COUNT; ++id) {
      std::string text = (id == LS_ABOUT && emptyAbout) ? "" : Text(lang.tag, id);
      source += std::string(LangStringName(id)) + " = " + text + "\n";
    }
  }
  std::vector<uint8_t> image;
  std::string error;
  bool ok = CompileStrSource(source, image, error);
  EXPECT_TRUE(ok) << error;
  return ok ? image : std::vector<uint8_t>();
}

std::vector<uint8_t> EnglishStrings() { return StringFile({{"en", 1033, 1252}}); }

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(gen() & 0xFF);
  return bytes;
}

bool BuildServer(const std::vector<ServerFile>& files, Server* out, const std::string& dirHint,
                 const std::string& exactName) {
  ts::ServedDir served;
  if (exactName.empty()) {
    served = ts::NewHttpDir(dirHint);
  } else {
    served.path = ts::Env("UPD_HTTP_ROOT_WIN") + exactName + "\\";
    served.url = ts::Env("UPD_HTTP_URL") + exactName + "/";
    if (!ts::MakeDirs(served.path)) served.path.clear();
  }
  std::string release = ts::NewScratchDir("release");
  if (served.path.empty() || release.empty()) {
    ADD_FAILURE() << "no served or scratch folder";
    return false;
  }
  std::string manifest = "[URL]\r\nURL=" + served.url + "\r\nEXT=.z\r\n\r\n[ENUM]\r\n";
  for (size_t i = 0; i < files.size(); ++i) manifest += std::to_string(i + 1) + "=" + files[i].name + "\r\n";
  for (const ServerFile& f : files) {
    manifest += "\r\n[" + f.name + "]\r\nVER=2.0\r\n";
    if (!ts::WriteFileBytes(release + f.name, f.content)) {
      ADD_FAILURE() << "cannot write release file " << f.name;
      return false;
    }
  }
  ServerBuildResult built = BuildServerFolder(release, manifest, served.path);
  if (!built.ok) {
    ADD_FAILURE() << "server build refused: " << built.error;
    return false;
  }
  out->dir = served.path;
  out->base = served.url;
  std::string root = ts::Env("UPD_HTTP_URL");
  out->name = served.url.substr(root.size());
  return true;
}

std::string SlowBase(const Server& server, int bytesPerSecond) {
  return ts::Env("UPD_HTTP_URL") + "slow/" + std::to_string(bytesPerSecond) + "/" + server.name;
}

std::string IniFor(const std::string& base, const std::vector<std::pair<std::string, std::string>>& localVers) {
  std::string text = "[URL]\r\nURL=" + base + "\r\nEXT=.z\r\n";
  if (localVers.empty()) return text;
  text += "\r\n[ENUM]\r\n";
  for (size_t i = 0; i < localVers.size(); ++i) text += std::to_string(i + 1) + "=" + localVers[i].first + "\r\n";
  for (const auto& entry : localVers) text += "\r\n[" + entry.first + "]\r\nVER=" + entry.second + "\r\n";
  return text;
}

std::string MakeApp(const std::string& iniText, const std::vector<uint8_t>& strings) {
  std::string dir = ts::NewScratchDir("app");
  if (dir.empty() || !ts::CopyFileTo(ts::DistDir() + "Update.exe", dir + "Update.exe")) {
    ADD_FAILURE() << "cannot make the application folder";
    return std::string();
  }
  if (!iniText.empty()) ts::WriteFileBytes(dir + "update.ini", iniText);
  if (!strings.empty()) ts::WriteFileBytes(dir + "Update.Str", std::string(strings.begin(), strings.end()));
  return dir;
}

bool Wizard::Start(const std::string& appDir, const std::string& args, const std::vector<std::string>* extraEnv) {
  std::string cmd = "\"" + appDir + "Update.exe\"";
  if (!args.empty()) cmd += " " + args;
  m_proc = ts::StartProcess(cmd, appDir, extraEnv);
  if (!m_proc.Started()) ADD_FAILURE() << "cannot start " << cmd << ": error " << GetLastError();
  return m_proc.Started();
}

Wizard::~Wizard() {
  if (m_proc.Running()) m_proc.Terminate();
}

bool Wizard::Read(ts::WindowInfo* out) const {
  for (const ts::WindowInfo& w : ts::ListWindows(m_proc.Pid())) {
    if (w.cls == "#32770" && ts::FindControl(w, IDC_STATUS_LABEL)) {
      *out = w;
      return true;
    }
  }
  return false;
}

bool Wizard::WaitStatus(int id, int timeoutMs, ts::WindowInfo* out) const {
  std::string want = Text("en", id);
  ts::WindowInfo w;
  // Controls are read one after the other; once the status line shows the text, the handler that
  // set it has ended (the wizard answered), so a second read sees all of its changes.
  auto shows = [&] { return Read(&w) && w.visible && TextOf(w, IDC_STATUS_LABEL) == want; };
  bool ok = ts::WaitUntil([&] { return shows() && shows(); }, timeoutMs, 50);
  if (ok && out) *out = w;
  return ok;
}

std::string Wizard::Status() const {
  ts::WindowInfo w;
  return Read(&w) ? TextOf(w, IDC_STATUS_LABEL) : std::string("<no wizard>");
}

std::vector<std::vector<std::string>> Wizard::Rows() const {
  ts::WindowInfo w;
  if (!Read(&w)) return {};
  const ts::ControlInfo* list = ts::FindControl(w, IDC_FILE_LIST);
  return list ? ts::ListViewRows(list->hwnd, 2) : std::vector<std::vector<std::string>>();
}

bool Wizard::Click(int id) const {
  ts::WindowInfo w;
  return Read(&w) && ts::ClickButton(w.hwnd, id);
}

namespace {
struct VisibleSearch {
  DWORD pid;
  bool visible;
};
BOOL CALLBACK FindVisible(HWND hwnd, LPARAM param) {
  auto* s = reinterpret_cast<VisibleSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == s->pid && IsWindowVisible(hwnd)) {
    s->visible = true;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

bool Wizard::AnyVisible() const {
  VisibleSearch search{m_proc.Pid(), false};
  EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
  return search.visible;
}

std::string TextOf(const ts::WindowInfo& w, int id) {
  const ts::ControlInfo* c = ts::FindControl(w, id);
  return c ? c->text : std::string("<no control>");
}

bool EnabledOf(const ts::WindowInfo& w, int id) {
  const ts::ControlInfo* c = ts::FindControl(w, id);
  return c && c->enabled;
}

bool FindQuestion(DWORD pid, ts::MessageBoxInfo* out) {
  for (const ts::WindowInfo& w : ts::ListWindows(pid)) {
    if (w.cls != "#32770" || !w.visible || ts::FindControl(w, IDC_STATUS_LABEL) || ts::FindControl(w, IDC_ABOUT_VERSION))
      continue;
    ts::MessageBoxInfo box;
    box.hwnd = w.hwnd;
    box.title = w.title;
    for (const ts::ControlInfo& c : w.controls) {
      if (lstrcmpiA(c.cls.c_str(), "Button") == 0) {
        box.buttons.push_back(c);
      } else if (lstrcmpiA(c.cls.c_str(), "Static") == 0 && !c.text.empty()) {
        if (!box.text.empty()) box.text += "\n";
        box.text += c.text;
      }
    }
    if (box.buttons.empty()) continue;
    *out = box;
    return true;
  }
  return false;
}

bool WaitQuestion(DWORD pid, int timeoutMs, ts::MessageBoxInfo* out) {
  return ts::WaitUntil([&] { return FindQuestion(pid, out); }, timeoutMs);
}

std::string TempDir() {
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  return temp;
}

std::string RepoDir() {
  std::string dist = ts::DistDir();  // "...\dist\win64\"
  return dist.substr(0, dist.size() - std::string("dist\\win64\\").size());
}

}  // namespace wiz
