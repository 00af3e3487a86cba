// Runs the real Langpin.com under Wine and checks its output and the files it leaves.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "append_trailer.h"
#include "scratch_base.h"

namespace {

std::string LangpinPath() {
  std::string path = LANGPIN_PATH;  // the built deliverable, as a Unix path on the Z: drive
  for (char& c : path) if (c == '/') c = '\\';
  return path[0] == '\\' ? "Z:" + path : path;
}

struct RunResult {
  std::string output;
  DWORD exitCode = 1234;
};

// Starts Langpin.com with the given arguments in dir and collects its standard output.
RunResult RunLangpin(const std::string& args, const std::string& dir) {
  RunResult r;
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return r;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si;
  ZeroMemory(&si, sizeof si);
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = writeEnd;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::string commandLine = "\"" + LangpinPath() + "\"" + (args.empty() ? "" : " " + args);
  PROCESS_INFORMATION pi;
  BOOL started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, dir.c_str(), &si, &pi);
  CloseHandle(writeEnd);
  if (started) {
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buf, sizeof buf, &got, nullptr) && got) r.output.append(buf, got);
    WaitForSingleObject(pi.hProcess, 30000);
    GetExitCodeProcess(pi.hProcess, &r.exitCode);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  CloseHandle(readEnd);
  return r;
}

std::string ReadAll(const std::string& path) {
  std::string data;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got) data.append(buf, got);
  CloseHandle(h);
  return data;
}

void WriteAll(const std::string& path, const std::string& data) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  if (!data.empty()) WriteFile(h, data.data(), DWORD(data.size()), &written, nullptr);
  CloseHandle(h);
  ASSERT_EQ(written, data.size());
}

std::string Trailer(uint32_t n) {
  uint8_t t[kTrailerSize];
  BuildTrailer(n, t);
  return std::string(reinterpret_cast<char*>(t), kTrailerSize);
}

std::string Failure(const std::string& str, const std::string& exe) {
  return "Add str file \"" + str + "\" to executable file \"" + exe + "\" failed!\r\n";
}

class LangpinRun : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = ScratchBase() + "langpin_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "\\";
    CreateDirectoryA(m_dir.c_str(), nullptr);
    m_exe = std::string("MZ") + std::string(1000, '\x90') + "end of image";
    m_a = std::string("STR\0\0\0", 6) + std::string(300, 'a');
    m_b = std::string("STR\0\0\0", 6) + std::string(77, 'b');
    WriteAll(Path("app.exe"), m_exe);
    WriteAll(Path("a.str"), m_a);
    WriteAll(Path("b.str"), m_b);
  }
  std::string Path(const std::string& name) const { return m_dir + name; }
  RunResult Run(const std::string& args) { return RunLangpin(args, m_dir); }

  std::string m_dir, m_exe, m_a, m_b;
};

TEST_F(LangpinRun, NoArgumentPrintsUsage) {
  RunResult r = Run("");
  EXPECT_EQ(r.output,
            "Error: No parameter!\r\nYou should input like this:\r\nLangpin.com /s xxx.str /d xxx.exe\r\n");
  EXPECT_EQ(r.exitCode, 0u);
}

TEST_F(LangpinRun, AppendsAndIsIdempotentInAnySwitchForm) {
  const std::string expected = m_exe + m_a + Trailer(uint32_t(m_a.size()));
  const char* forms[] = {"/s a.str /d app.exe", "/D app.exe /S a.str", "/sa.str /dapp.exe", "  /S   a.str   /d app.exe  "};
  for (const char* args : forms) {
    SCOPED_TRACE(args);
    WriteAll(Path("app.exe"), m_exe);
    RunResult r = Run(args);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(ReadAll(Path("app.exe")), expected);
    r = Run(args);  // a second run leaves the same file
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(ReadAll(Path("app.exe")), expected);
  }
}

TEST_F(LangpinRun, AnotherStringFileReplacesTheBlock) {
  Run("/s a.str /d app.exe");
  RunResult r = Run("/s b.str /d app.exe");
  EXPECT_EQ(r.output, "");
  std::string after = ReadAll(Path("app.exe"));
  EXPECT_EQ(after.size(), m_exe.size() + m_b.size() + kTrailerSize);
  EXPECT_EQ(after, m_exe + m_b + Trailer(uint32_t(m_b.size())));
  Run("/s a.str /d app.exe");  // and back to the larger one
  EXPECT_EQ(ReadAll(Path("app.exe")), m_exe + m_a + Trailer(uint32_t(m_a.size())));
}

TEST_F(LangpinRun, LookAlikeTrailersAndSmallFilesAreNeverCut) {
  struct {
    const char* name;
    std::string exe;
  } cases[] = {
      {"payload + 32 equals the file size", std::string(8, 'p') + Trailer(8)},
      {"payload + 32 beyond the file size", std::string(8, 'p') + Trailer(100)},
      {"file of exactly 32 bytes", Trailer(0)},
      {"file of 10 bytes", std::string(10, 'x')},
      {"file of 33 bytes, payload 1 reaching the start", std::string(1, 'p') + Trailer(1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteAll(Path("app.exe"), c.exe);
    RunResult r = Run("/s b.str /d app.exe");
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(ReadAll(Path("app.exe")), c.exe + m_b + Trailer(uint32_t(m_b.size())));
  }
  // One byte before a valid block: that block is cut.
  WriteAll(Path("app.exe"), "X" + std::string(8, 'p') + Trailer(8));
  Run("/s b.str /d app.exe");
  EXPECT_EQ(ReadAll(Path("app.exe")), "X" + m_b + Trailer(uint32_t(m_b.size())));
}

TEST_F(LangpinRun, MissingEmptyOrDirectoryFilesAreReported) {
  WriteAll(Path("empty.str"), "");
  CreateDirectoryA(Path("folder").c_str(), nullptr);
  struct {
    const char* args;
    std::string output;
  } cases[] = {
      {"/s missing.str /d app.exe", "Not find file: missing.str\r\n" + Failure("missing.str", "app.exe")},
      {"/s empty.str /d app.exe", "Not find file: empty.str\r\n" + Failure("empty.str", "app.exe")},
      {"/s folder /d app.exe", "Not find file: folder\r\n" + Failure("folder", "app.exe")},
      {"/s a.str /d missing.exe", "Not find file: missing.exe\r\n" + Failure("a.str", "missing.exe")},
      {"/s a.str /d folder", "Not find file: folder\r\n" + Failure("a.str", "folder")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    RunResult r = Run(c.args);
    EXPECT_EQ(r.output, c.output);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(ReadAll(Path("app.exe")), m_exe);
  }
  EXPECT_EQ(ReadAll(Path("missing.exe")), "<missing>");
}

TEST_F(LangpinRun, QuotedPathsWithSpaces) {
  CreateDirectoryA(Path("my dir").c_str(), nullptr);
  WriteAll(Path("my dir\\s t.str"), m_b);
  WriteAll(Path("my dir\\my app.exe"), m_exe);
  // The C run time removes the quotes: the value ends at the first space.
  RunResult r = Run("/s \"my dir\\s t.str\" /d \"my dir\\my app.exe\"");
  EXPECT_EQ(r.output, "Not find file: my\r\n" + Failure("my", "my"));
  EXPECT_EQ(ReadAll(Path("my dir\\my app.exe")), m_exe);
  // Quotes that reach the program (written \") keep the spaces.
  r = Run("/s \\\"my dir\\s t.str\\\" /d \\\"my dir\\my app.exe\\\"");
  EXPECT_EQ(r.output, "");
  EXPECT_EQ(ReadAll(Path("my dir\\my app.exe")), m_exe + m_b + Trailer(uint32_t(m_b.size())));
  // Absolute paths work the same.
  r = Run("/s " + Path("a.str") + " /d " + Path("app.exe"));
  EXPECT_EQ(r.output, "");
  EXPECT_EQ(ReadAll(Path("app.exe")), m_exe + m_a + Trailer(uint32_t(m_a.size())));
}

TEST_F(LangpinRun, BadCommandLinesChangeNothing) {
  const std::string longName(300, 'n');
  std::string manyWords;
  for (int i = 0; i < 60; ++i) manyWords += " word" + std::string(20, 'w');
  struct {
    const char* name;
    std::string args;
    std::string output;
  } cases[] = {
      {"unknown switch first", "/x /s a.str /d app.exe", ""},
      {"unknown switch last", "/s a.str /d app.exe /q", ""},
      {"only /s", "/s a.str", ""},
      {"only /d", "/d app.exe", ""},
      {"stray word", "hello", ""},
      {"unterminated quote", "/s \\\"a.str /d app.exe", ""},
      {"overlong value", "/s " + longName + " /d app.exe",
       "Parameter too long: a value holds at most 255 and the command line at most 1023 characters!\r\n"},
      {"overlong command line", "/s a.str /d app.exe" + manyWords,
       "Parameter too long: a value holds at most 255 and the command line at most 1023 characters!\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RunResult r = Run(c.args);
    EXPECT_EQ(r.output, c.output);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(ReadAll(Path("app.exe")), m_exe);
  }
}

TEST_F(LangpinRun, FilesThatCannotBeOpenedChangeNothing) {
  // An executable in use without sharing cannot be opened for writing: only the failure line.
  HANDLE inUse = CreateFileA(Path("app.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(inUse, INVALID_HANDLE_VALUE);
  RunResult r = Run("/s a.str /d app.exe");
  CloseHandle(inUse);
  EXPECT_EQ(r.output, Failure("a.str", "app.exe"));
  EXPECT_EQ(ReadAll(Path("app.exe")), m_exe);

  // A string file that cannot be opened leaves the earlier block in place.
  Run("/s a.str /d app.exe");
  const std::string withBlock = m_exe + m_a + Trailer(uint32_t(m_a.size()));
  ASSERT_EQ(ReadAll(Path("app.exe")), withBlock);
  HANDLE locked = CreateFileA(Path("b.str").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);
  r = Run("/s b.str /d app.exe");
  CloseHandle(locked);
  EXPECT_EQ(r.output, Failure("b.str", "app.exe"));
  EXPECT_EQ(ReadAll(Path("app.exe")), withBlock);
}

}  // namespace
