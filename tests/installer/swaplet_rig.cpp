#include "swaplet_rig.h"

#include <cstdio>

#include "strfile.h"
#include "strsource.h"

const char kTitle[] = "Swaplet Test Title";
const char kInstallLabel[] = "Installing files:";
const char kClosingFormat[] = "Asking [%s] to close";
const char kCloseProgramFormat[] = "Please close [%s] now";
const char kSecondsFormat[] = "Seconds passed: [%d]";
const char kTerminateButton[] = "End it now";
const char kReplaceFailedFormat[] = "Cannot replace [%s]. Retry?";

namespace {

std::string WinPath(const char* linuxPath) {
  std::string out = "Z:";
  for (const char* p = linuxPath; *p; ++p) out += *p == '/' ? '\\' : *p;
  return out;
}

}  // namespace

std::string Fill(const char* format, const std::string& value) {
  std::string out = format;
  size_t at = out.find('%');
  return at == std::string::npos ? out : out.replace(at, 2, value);
}

std::string TestStringFile() {
  std::string source = "[language 1033 1252]\n";
  for (int id = 0; id < LS_COUNT; ++id) {
    std::string text = "String " + std::to_string(id);
    switch (id) {
      case LS_TITLE: text = kTitle; break;
      case LS_INSTALL_LABEL: text = kInstallLabel; break;
      case LS_FMT_CLOSING: text = kClosingFormat; break;
      case LS_FMT_CLOSE_PROGRAM: text = kCloseProgramFormat; break;
      case LS_FMT_SECONDS: text = kSecondsFormat; break;
      case LS_BTN_TERMINATE: text = kTerminateButton; break;
      case LS_FMT_REPLACE_FAILED: text = kReplaceFailedFormat; break;
      case LS_FMT_CONNECTING: text = "Connecting to %s"; break;
    }
    source += std::string(LangStringName(id)) + " = " + text + "\n";
  }
  std::vector<uint8_t> image;
  std::string error;
  if (!CompileStrSource(source, image, error)) {
    fprintf(stderr, "string source: %s\n", error.c_str());
    return std::string();
  }
  return std::string(image.begin(), image.end());
}

std::string SwapletExe() { return WinPath(SWAPLET_EXE); }
std::string ComponentDll(bool newVersion) { return WinPath(newVersion ? REGTEST_NEW_DLL : REGTEST_OLD_DLL); }
std::string StartLoggerExe() { return WinPath(START_LOGGER_EXE); }
std::string DocsDir() { return WinPath(UPD_DOCS_DIR) + "\\"; }

bool SwapletRig::Create(const std::string& hint, const std::string& appName, const std::string& tempName) {
  base = ts::NewScratchDir(hint);
  if (base.empty()) return false;
  app = base + appName + "\\";
  update = app + "Update\\";
  temp = base + tempName + "\\";
  regLog = base + "reg.log";
  startLog = base + "start.log";
  static const std::string strings = TestStringFile();
  return !strings.empty() && ts::MakeDirs(app) && ts::MakeDirs(update) && ts::MakeDirs(temp) &&
         ts::WriteFileBytes(app + "Update.Str", strings) && ts::CopyFileTo(SwapletExe(), temp + "Swaplet.exe");
}

bool SwapletRig::WriteApp(const std::string& rel, const std::string& data) const {
  std::string path = app + rel;
  return ts::MakeDirs(path.substr(0, path.find_last_of("\\/") + 1)) && ts::WriteFileBytes(path, data);
}

bool SwapletRig::WriteDownload(const std::string& rel, const std::string& data) const {
  std::string path = update + rel + ".tmp";
  return ts::MakeDirs(path.substr(0, path.find_last_of("\\/") + 1)) && ts::WriteFileBytes(path, data);
}

bool SwapletRig::WriteLocalManifest(const std::string& text) const {
  return ts::WriteFileBytes(app + "update.ini", text);
}

bool SwapletRig::WriteSavedManifest(const std::string& text) const {
  return ts::WriteFileBytes(update + "update.ini.tmp", text);
}

std::string SwapletRig::ReadApp(const std::string& rel) const {
  std::string data;
  return ts::ReadFileBytes(app + rel, &data) ? data : std::string("<missing>");
}

std::string SwapletRig::LocalIni(const std::string& section, const std::string& key) const {
  char value[MAX_PATH];
  GetPrivateProfileStringA(section.c_str(), key.c_str(), "<none>", value, sizeof value, (app + "update.ini").c_str());
  return value;
}

bool SwapletRig::Start(const std::string& commandLine) {
  std::vector<std::string> env = {"REGTEST_LOG=" + regLog, "START_LOG=" + startLog,
                                  "START_WATCH=" + update};
  std::string cmd = "\"" + temp + "Swaplet.exe\"";
  if (!commandLine.empty()) cmd += " " + commandLine;
  proc = ts::StartProcess(cmd, temp, &env);
  return proc.Started();
}

namespace {

// Visible top-level windows of a process. Only calls that need no answer from the installer,
// whose thread does not take messages while the run goes on.
std::vector<HWND> VisibleWindows(DWORD pid) {
  struct Search {
    DWORD pid;
    std::vector<HWND> found;
  } search{pid, {}};
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        Search* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner == s->pid && IsWindowVisible(hwnd)) s->found.push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool IsProgressDialog(HWND w) { return GetDlgItem(w, 1000) && GetDlgItem(w, 1001) && GetDlgItem(w, 1002); }

bool IsCloseDialog(HWND w) {
  return GetDlgItem(w, 1) && GetDlgItem(w, 1000) && GetDlgItem(w, 1001) && !GetDlgItem(w, 1002) &&
         !GetDlgItem(w, 0xFFFF);
}

// The full description of a window found by the quick search, or false.
bool Describe(DWORD pid, HWND hwnd, ts::WindowInfo* out) {
  for (const ts::WindowInfo& w : ts::ListWindows(pid))
    if (w.hwnd == hwnd) {
      *out = w;
      return true;
    }
  return false;
}

}  // namespace

void SwapletRig::Sample() {
  for (HWND w : VisibleWindows(proc.Pid())) {
    m_sawWindow = true;
    if (IsCloseDialog(w)) m_sawCloseDialog = true;
  }
  ts::MessageBoxInfo box;
  if (boxAnswer != 0 && ts::FindMessageBox(proc.Pid(), &box) && ts::AnswerMessageBox(box.hwnd, boxAnswer)) {
    ++boxesAnswered;
    ts::WaitUntil([&] { return !IsWindow(box.hwnd); }, 5000);
  }
}

bool SwapletRig::WaitEnd(DWORD ms) {
  DWORD start = GetTickCount();
  while (!proc.Wait(50)) {
    Sample();
    if (GetTickCount() - start > ms) return false;
  }
  return proc.ExitCode() == 0;
}

bool SwapletRig::WaitSelfRemoved(DWORD ms) const {
  return ts::WaitUntil(
      [&] { return !ts::FileExists(temp + "Swaplet.exe") && !ts::FileExists(temp + "SelfDel.bat"); },
      static_cast<int>(ms), 100);
}

HWND SwapletRig::WaitProgressWindow(int ms) {
  HWND found = nullptr;
  ts::WaitUntil(
      [&] {
        for (HWND w : VisibleWindows(proc.Pid()))
          if (IsProgressDialog(w)) found = w;
        return found != nullptr;
      },
      ms, 10);
  if (found) m_sawWindow = true;
  return found;
}

bool SwapletRig::WaitProgressDialog(int ms, ts::WindowInfo* out) {
  HWND hwnd = WaitProgressWindow(ms);
  return hwnd && Describe(proc.Pid(), hwnd, out);
}

bool SwapletRig::WaitCloseDialog(int ms, ts::WindowInfo* out) {
  HWND found = nullptr;
  ts::WaitUntil(
      [&] {
        for (HWND w : VisibleWindows(proc.Pid()))
          if (IsCloseDialog(w)) found = w;
        return found != nullptr;
      },
      ms);
  if (!found) return false;
  m_sawWindow = m_sawCloseDialog = true;
  return Describe(proc.Pid(), found, out);
}

std::string StoredText(HWND hwnd) {
  char text[1024] = "";
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::string data;
  std::vector<std::string> lines;
  if (!ts::ReadFileBytes(path, &data)) return lines;
  size_t start = 0;
  while (start < data.size()) {
    size_t end = data.find('\n', start);
    if (end == std::string::npos) end = data.size();
    std::string line = data.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return s;
}
