// Starting, waiting for and ending processes; capturing standard output.
#include <cstring>
#include <map>

#include "testsupport.h"

#include <tlhelp32.h>

#include "handles.h"

namespace ts {

Proc& Proc::operator=(Proc&& other) noexcept {
  if (this != &other) {
    Close();
    m_pi = other.m_pi;
    ZeroMemory(&other.m_pi, sizeof(other.m_pi));
  }
  return *this;
}

void Proc::Adopt(const PROCESS_INFORMATION& pi) {
  Close();
  m_pi = pi;
}

bool Proc::Wait(DWORD ms) { return Started() && WaitForSingleObject(m_pi.hProcess, ms) == WAIT_OBJECT_0; }

bool Proc::Running() { return Started() && WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT; }

DWORD Proc::ExitCode() {
  DWORD code = 0xFFFFFFFF;
  if (!Started() || !GetExitCodeProcess(m_pi.hProcess, &code)) return 0xFFFFFFFF;
  return code;
}

void Proc::Terminate(UINT code) {
  if (!Running()) return;
  TerminateProcess(m_pi.hProcess, code);
  WaitForSingleObject(m_pi.hProcess, 10000);
}

void Proc::Close() {
  if (m_pi.hThread) CloseHandle(m_pi.hThread);
  if (m_pi.hProcess) CloseHandle(m_pi.hProcess);
  ZeroMemory(&m_pi, sizeof(m_pi));
}

// The test's environment with extra "NAME=value" entries added or replaced, as an environment block.
// Names compare without case, as Windows does.
static std::string EnvironmentBlock(const std::vector<std::string>& extra) {
  std::map<std::string, std::string> byName;  // upper-case name -> "NAME=value"
  auto add = [&](const std::string& entry) {
    size_t eq = entry.find('=', 1);  // entries like "=C:=C:\" start with '='
    std::string name = entry.substr(0, eq == std::string::npos ? entry.size() : eq);
    for (char& c : name) c = (char)toupper((unsigned char)c);
    byName[name] = entry;
  };
  char* block = GetEnvironmentStringsA();
  if (block) {
    for (const char* p = block; *p; p += strlen(p) + 1) add(p);
    FreeEnvironmentStringsA(block);
  }
  for (const std::string& e : extra) add(e);
  std::string out;
  for (const auto& kv : byName) {
    out += kv.second;
    out += '\0';
  }
  out += '\0';
  return out;
}

static Proc Start(const std::string& cmdline, const std::string& cwd, const std::vector<std::string>* extraEnv,
                  HANDLE stdoutWrite) {
  Proc proc;
  STARTUPINFOA si;
  ZeroMemory(&si, sizeof(si));
  si.cb = sizeof(si);
  BOOL inherit = FALSE;
  if (stdoutWrite) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = stdoutWrite;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    inherit = TRUE;
  }
  std::vector<char> cmd(cmdline.begin(), cmdline.end());
  cmd.push_back('\0');
  std::string env;
  if (extraEnv) env = EnvironmentBlock(*extraEnv);
  PROCESS_INFORMATION pi;
  ZeroMemory(&pi, sizeof(pi));
  if (CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, inherit, 0, extraEnv ? &env[0] : nullptr,
                     cwd.empty() ? nullptr : cwd.c_str(), &si, &pi)) {
    proc.Adopt(pi);
  }
  return proc;
}

Proc StartProcess(const std::string& cmdline, const std::string& cwd, const std::vector<std::string>* extraEnv) {
  return Start(cmdline, cwd, extraEnv, nullptr);
}

bool RunProcess(const std::string& cmdline, const std::string& cwd, DWORD timeoutMs, std::string* stdoutText,
                DWORD* exitCode, const std::vector<std::string>* extraEnv) {
  if (stdoutText) stdoutText->clear();
  if (exitCode) *exitCode = 0xFFFFFFFF;
  SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return false;
  ScopedHandle reader(readEnd), writer(writeEnd);
  SetHandleInformation(reader.Get(), HANDLE_FLAG_INHERIT, 0);

  Proc proc = Start(cmdline, cwd, extraEnv, writer.Get());
  writer.Close();  // only the child holds the write end now: the pipe ends when it does
  if (!proc.Started()) return false;

  // Read on this thread while the child runs; a pipe with no data waits, so poll with PeekNamedPipe
  // to keep the time limit.
  DWORD start = GetTickCount();
  bool inTime = true;
  char buf[4096];
  for (;;) {
    if (GetTickCount() - start > timeoutMs) {  // checked first: a child that never stops writing ends too
      inTime = false;
      break;
    }
    DWORD avail = 0;
    if (!PeekNamedPipe(reader.Get(), nullptr, 0, nullptr, &avail, nullptr)) break;  // child closed its end
    if (avail > 0) {
      DWORD got = 0;
      if (!ReadFile(reader.Get(), buf, sizeof(buf), &got, nullptr) || got == 0) break;
      if (stdoutText) stdoutText->append(buf, got);
      continue;
    }
    if (proc.Wait(10)) {
      // Ended: collect whatever is still in the pipe, then stop (a grandchild may hold the write end).
      while (PeekNamedPipe(reader.Get(), nullptr, 0, nullptr, &avail, nullptr) && avail > 0) {
        DWORD got = 0;
        if (!ReadFile(reader.Get(), buf, sizeof(buf), &got, nullptr) || got == 0) break;
        if (stdoutText) stdoutText->append(buf, got);
      }
      break;
    }
  }
  DWORD elapsed = GetTickCount() - start;
  if (!inTime || !proc.Wait(elapsed < timeoutMs ? timeoutMs - elapsed : 0)) {
    proc.Terminate();
    return false;
  }
  if (exitCode) *exitCode = proc.ExitCode();
  return true;
}

std::vector<DWORD> FindProcesses(const std::string& exeName) {
  std::vector<DWORD> pids;
  ScopedHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snap.Valid()) return pids;
  PROCESSENTRY32 pe;
  pe.dwSize = sizeof(pe);
  for (BOOL ok = Process32First(snap.Get(), &pe); ok; ok = Process32Next(snap.Get(), &pe)) {
    const char* base = strrchr(pe.szExeFile, '\\');
    base = base ? base + 1 : pe.szExeFile;
    if (_stricmp(base, exeName.c_str()) == 0) pids.push_back(pe.th32ProcessID);
  }
  return pids;
}

}  // namespace ts
