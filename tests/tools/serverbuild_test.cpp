// Server folders: what mkserver writes, byte for byte, and what the checker accepts and refuses.
#include "serverbuild.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>

#include "tools_test_util.h"

using namespace toolstest;

namespace {

std::vector<uint8_t> Zlib(const std::vector<uint8_t>& data) {
  uLongf len = compressBound(static_cast<uLong>(data.size()));
  std::vector<uint8_t> out(len);
  EXPECT_EQ(Z_OK, compress2(out.data(), &len, data.data(), static_cast<uLong>(data.size()), 6));
  out.resize(len);
  return out;
}

std::vector<uint8_t> Unzlib(const std::vector<uint8_t>& packed, size_t expected) {
  std::vector<uint8_t> out(expected + 1);
  uLongf len = static_cast<uLongf>(out.size());
  EXPECT_EQ(Z_OK, uncompress(out.data(), &len, packed.data(), static_cast<uLong>(packed.size())));
  out.resize(len);
  return out;
}

bool AnyContains(const std::vector<std::string>& lines, const std::string& a, const std::string& b = "") {
  for (const std::string& l : lines)
    if (l.find(a) != std::string::npos && l.find(b) != std::string::npos) return true;
  return false;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\n";
  return s;
}

std::vector<uint8_t> Pattern(size_t size) {
  std::vector<uint8_t> b(size);
  for (size_t i = 0; i < size; ++i) b[i] = uint8_t((i * 7 + i / 256) & 0xFF);
  return b;
}

// ---------------------------------------------------------------------------------------------
// A build from a fixture release: every byte of file 0 and the manifest it carries.

TEST(ServerBuild, WritesHeaderManifestAndPackedFilesExactly) {
  ScratchDir release, out;
  const std::vector<uint8_t> app = Pattern(10240);
  std::string dataText;
  for (int i = 0; i < 50; ++i) dataText += "hello world\n";
  const std::vector<uint8_t> data = Bytes(dataText);
  WriteBytes(release.Path() / "App.exe", app);
  WriteBytes(release.Path() / "sub" / "data.bin", data);
  WriteBytes(release.Path() / "empty.txt", {});

  // "\n" line ends, a stale lower-case "size" to be replaced in place, a comment after the keys.
  const std::string manifest =
      "; demo\n"
      "[URL]\n"
      "URL=http://example.invalid/srv/\n"
      "EXT=.pak\n"
      "\n"
      "[ENUM]\n"
      "1=App.exe\n"
      "2=sub\\data.bin\n"
      "3=empty.txt\n"
      "\n"
      "[App.exe]\n"
      "VER=2.0\n"
      "size=999\n"
      "EXE=1\n"
      "\n"
      "[sub\\data.bin]\n"
      "VER=2.0\n"
      "FOLDER={app}\\sub\\\n"
      "; trailing comment\n"
      "\n"
      "[empty.txt]\n"
      "VER=2.0\n";
  ServerBuildResult r = BuildServerFolder(release.Path().string(), manifest, out.Path().string());
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(r.warnings.empty()) << JoinLines(r.warnings);

  // Packed files: plain zlib streams of the release files; the empty file is an empty packed file.
  const std::vector<uint8_t> p1 = ReadBytes(out.Path() / "1.pak");
  const std::vector<uint8_t> p2 = ReadBytes(out.Path() / "2.pak");
  const std::vector<uint8_t> p3 = ReadBytes(out.Path() / "3.pak");
  EXPECT_EQ(app, Unzlib(p1, app.size()));
  EXPECT_EQ(data, Unzlib(p2, data.size()));
  EXPECT_TRUE(fs::exists(out.Path() / "3.pak"));
  EXPECT_TRUE(p3.empty());

  const std::string expected =
      "; demo\r\n"
      "[URL]\r\n"
      "URL=http://example.invalid/srv/\r\n"
      "EXT=.pak\r\n"
      "\r\n"
      "[ENUM]\r\n"
      "1=App.exe\r\n"
      "2=sub\\data.bin\r\n"
      "3=empty.txt\r\n"
      "\r\n"
      "[App.exe]\r\n"
      "VER=2.0\r\n"
      "size=10240\r\n"
      "EXE=1\r\n"
      "ZSIZE=" + std::to_string(p1.size()) + "\r\n"
      "ZSUM=" + Hex8(SumOfBytes(p1)) + "\r\n"
      "\r\n"
      "[sub\\data.bin]\r\n"
      "VER=2.0\r\n"
      "FOLDER={app}\\sub\\\r\n"
      "SIZE=600\r\n"
      "ZSIZE=" + std::to_string(p2.size()) + "\r\n"
      "ZSUM=" + Hex8(SumOfBytes(p2)) + "\r\n"
      "; trailing comment\r\n"
      "\r\n"
      "[empty.txt]\r\n"
      "VER=2.0\r\n"
      "SIZE=0\r\n"
      "ZSIZE=0\r\n"
      "ZSUM=00000000\r\n";

  const std::vector<uint8_t> file0 = ReadBytes(out.Path() / "0.pak");
  ASSERT_GT(file0.size(), 24u);
  EXPECT_EQ(24u, Le32(file0, 0));
  EXPECT_EQ(Le32(file0, 8) + Le32(file0, 12) + Le32(file0, 16) + Le32(file0, 20), Le32(file0, 4));
  EXPECT_EQ(0u, Le32(file0, 8));
  EXPECT_EQ(expected.size() + 1, Le32(file0, 12));
  EXPECT_EQ(file0.size() - 24, Le32(file0, 16));
  const std::vector<uint8_t> packed(file0.begin() + 24, file0.end());
  EXPECT_EQ(SumOfBytes(packed), Le32(file0, 20));
  std::vector<uint8_t> text = Unzlib(packed, expected.size() + 1);
  ASSERT_EQ(expected.size() + 1, text.size());
  EXPECT_EQ(0, text.back());
  EXPECT_EQ(expected, std::string(text.begin(), text.end() - 1));

  EXPECT_TRUE(CheckServerFolder(out.Path().string(), ".pak").empty());
  for (const auto& entry : fs::directory_iterator(out.Path()))
    EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".part")) << entry.path();
}

TEST(ServerBuild, PackManifestAndPackDataAreWhatTheClientUnpacks) {
  const std::string text = "[URL]\r\nURL=x\r\n";
  std::vector<uint8_t> m = PackManifest(text);
  ASSERT_GT(m.size(), 24u);
  EXPECT_EQ(24u, Le32(m, 0));
  EXPECT_EQ(text.size() + 1, Le32(m, 12));
  std::vector<uint8_t> unpacked = Unzlib(std::vector<uint8_t>(m.begin() + 24, m.end()), text.size() + 1);
  EXPECT_EQ(text + std::string(1, '\0'), std::string(unpacked.begin(), unpacked.end()));
  const std::vector<uint8_t> data = Pattern(5000);
  EXPECT_EQ(data, Unzlib(PackData(data), data.size()));
}

TEST(ServerBuild, SuffixOverrideNamesTheFilesAndWarnsAboutTheManifest) {
  ScratchDir release, out;
  WriteText(release.Path() / "a.txt", "alpha");
  ServerBuildOptions options;
  options.extOverride = "";
  ServerBuildResult r = BuildServerFolder(release.Path().string(),
                                          "[URL]\nURL=http://h/\nEXT=.z\n[ENUM]\n1=a.txt\n[a.txt]\nVER=1\n",
                                          out.Path().string(), options);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(fs::exists(out.Path() / "0"));
  EXPECT_TRUE(fs::exists(out.Path() / "1"));
  EXPECT_FALSE(fs::exists(out.Path() / "0.z"));
  EXPECT_TRUE(AnyContains(r.warnings, "EXT", ".z"));
  EXPECT_TRUE(CheckServerFolder(out.Path().string(), "").empty());
}

// A rebuild replaces the folder's files; a refused build leaves the previous folder as it was.
TEST(ServerBuild, RefusedRebuildLeavesThePreviousServerUntouched) {
  ScratchDir release, out;
  WriteText(release.Path() / "a.txt", "version one");
  const std::string manifest = "[URL]\nURL=http://h/\nEXT=.z\n[ENUM]\n1=a.txt\n[a.txt]\nVER=1\n";
  ASSERT_TRUE(BuildServerFolder(release.Path().string(), manifest, out.Path().string()).ok);
  const std::vector<uint8_t> before0 = ReadBytes(out.Path() / "0.z");
  const std::vector<uint8_t> before1 = ReadBytes(out.Path() / "1.z");

  WriteText(release.Path() / "a.txt", "version two, longer");
  ServerBuildResult refused = BuildServerFolder(
      release.Path().string(), manifest + "[ENUM]\n", out.Path().string());  // duplicate section
  EXPECT_FALSE(refused.ok);
  refused = BuildServerFolder(release.Path().string(),
                              "[URL]\nURL=http://h/\nEXT=.z\n[ENUM]\n1=a.txt\n2=gone.txt\n[a.txt]\nVER=2\n",
                              out.Path().string());
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(before0, ReadBytes(out.Path() / "0.z"));
  EXPECT_EQ(before1, ReadBytes(out.Path() / "1.z"));
  EXPECT_FALSE(fs::exists(out.Path() / "2.z"));

  ServerBuildResult again = BuildServerFolder(release.Path().string(), manifest, out.Path().string());
  ASSERT_TRUE(again.ok) << again.error;
  EXPECT_EQ(Bytes("version two, longer"), Unzlib(ReadBytes(out.Path() / "1.z"), 19));
  size_t count = 0;
  for (const auto& entry : fs::directory_iterator(out.Path())) {
    ++count;
    EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".part"));
  }
  EXPECT_EQ(2u, count);
}

// ---------------------------------------------------------------------------------------------
// Manifests the build refuses, because the client would misread them.

struct RefusalCase {
  const char* what;
  std::string manifest;
  const char* fault;
};

class BuildRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(BuildRefusal, RefusesAndWritesNothing) {
  const RefusalCase& c = GetParam();
  ScratchDir release, out;
  WriteText(release.Path() / "a.txt", "alpha");
  WriteText(release.Path() / "sub" / "b.txt", "beta");
  const fs::path target = out.Path() / "server";
  ServerBuildResult r = BuildServerFolder(release.Path().string(), c.manifest, target.string());
  EXPECT_FALSE(r.ok) << c.what;
  EXPECT_NE(std::string::npos, r.error.find(c.fault)) << c.what << "\nerror: " << r.error;
  EXPECT_FALSE(fs::exists(target)) << c.what;
}

const std::string kHead = "[URL]\nURL=http://h/\nEXT=.z\n[ENUM]\n";

INSTANTIATE_TEST_SUITE_P(
    Table, BuildRefusal,
    ::testing::Values(
        RefusalCase{"blank before =", kHead + "1=a.txt\n[a.txt]\nVER =1\n", "blank around \"=\""},
        RefusalCase{"blank after =", kHead + "1=a.txt\n[a.txt]\nVER= 1\n", "blank around \"=\""},
        RefusalCase{"blanks around = in ENUM", kHead + "1 = a.txt\n[a.txt]\nVER=1\n", "blank around \"=\""},
        RefusalCase{"blank before key", kHead + "1=a.txt\n[a.txt]\n VER=1\n", "blank at the start of the line"},
        RefusalCase{"blank before header", kHead + "1=a.txt\n [a.txt]\nVER=1\n", "blank at the start of the line"},
        RefusalCase{"section name of 258", kHead + "1=a.txt\n[a.txt]\nVER=1\n[" + std::string(258, 'n') + "]\nVER=1\n",
                    "section name of 258 characters"},
        RefusalCase{"header without ]", kHead + "1=a.txt\n[a.txt\nVER=1\n", "without \"]\""},
        RefusalCase{"FOLDER without macro", kHead + "1=a.txt\n[a.txt]\nVER=1\nFOLDER=C:\\dir\\\n",
                    "does not start with {app}, {sys} or {win}"},
        RefusalCase{"FOLDER macro unknown", kHead + "1=a.txt\n[a.txt]\nVER=1\nFOLDER={tmp}\\\n",
                    "does not start with {app}, {sys} or {win}"},
        RefusalCase{"FOLDER sub-path without final separator", kHead + "1=a.txt\n[a.txt]\nVER=1\nFOLDER={app}\\docs\n",
                    "sub-path that ends with"},
        RefusalCase{"FOLDER leaving its directory", kHead + "1=a.txt\n[a.txt]\nVER=1\nFOLDER={sys}\\..\\x\\\n",
                    "through \"..\""},
        RefusalCase{"listed file missing", kHead + "1=a.txt\n2=sub\\nothere.txt\n[a.txt]\nVER=1\n",
                    "no such file in the release folder"},
        RefusalCase{"absolute name", kHead + "1=\\a.txt\n", "not a safe file name"},
        RefusalCase{"drive name", kHead + "1=C:\\a.txt\n", "not a safe file name"},
        RefusalCase{"name going up", kHead + "1=..\\a.txt\n", "not a safe file name"},
        RefusalCase{"name going up inside", kHead + "1=sub\\..\\..\\a.txt\n", "not a safe file name"},
        RefusalCase{"name too long", kHead + "1=" + std::string(258, 'x') + "\n", "not a safe file name"},
        RefusalCase{"file named like a settings section", kHead + "1=ENUM\n", "settings sections"},
        RefusalCase{"section twice", kHead + "1=a.txt\n[a.txt]\nVER=1\n[A.TXT]\nVER=2\n", "given twice"},
        RefusalCase{"key twice", kHead + "1=a.txt\n[a.txt]\nVER=1\nver=2\n", "given twice"},
        RefusalCase{"quoted value", kHead + "1=a.txt\n[a.txt]\nVER=\"1\"\n", "double quotes"},
        RefusalCase{"blank after value", kHead + "1=a.txt\n[a.txt]\nVER=1 \n", "blank at the end of the value"},
        RefusalCase{"value over 259", kHead + "1=a.txt\n[a.txt]\nVER=" + std::string(260, '1') + "\n",
                    "at most 259 are read"},
        RefusalCase{"OS over 31", kHead + "1=a.txt\n[a.txt]\nVER=1\nOS=" + std::string(32, '1') + "\n",
                    "at most 31 are read"},
        RefusalCase{"byte-order mark", "\xEF\xBB\xBF" + kHead + "1=a.txt\n[a.txt]\nVER=1\n", "byte-order mark"},
        RefusalCase{"zero byte", kHead + "1=a.txt\n[a.txt]\nVER=1" + std::string(1, '\0') + "\n", "zero byte"},
        RefusalCase{"suffix with a path", "[URL]\nURL=http://h/\nEXT=/x\n[ENUM]\n1=a.txt\n[a.txt]\nVER=1\n",
                    "path character"}),
    [](const auto& info) { return CaseName(info.param.what); });

// Legal manifests that probably say something else than the publisher meant: built, with a warning.
struct WarningCase {
  const char* what;
  std::string manifest;
  const char* warning;
};

class BuildWarning : public ::testing::TestWithParam<WarningCase> {};

TEST_P(BuildWarning, BuildsAndWarns) {
  const WarningCase& c = GetParam();
  ScratchDir release, out;
  WriteText(release.Path() / "a.txt", "alpha");
  WriteText(release.Path() / "sub" / "b.txt", "beta");
  ServerBuildResult r = BuildServerFolder(release.Path().string(), c.manifest, out.Path().string());
  ASSERT_TRUE(r.ok) << c.what << ": " << r.error;
  EXPECT_TRUE(AnyContains(r.warnings, c.warning)) << c.what << "\nwarnings:\n" << JoinLines(r.warnings);
  EXPECT_TRUE(CheckServerFolder(out.Path().string(), ".z").empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, BuildWarning,
    ::testing::Values(
        WarningCase{"ENUM gap", kHead + "1=a.txt\n3=sub\\b.txt\n[a.txt]\nVER=1\n[sub\\b.txt]\nVER=1\n", "is never read"},
        WarningCase{"ENUM key with a leading zero", kHead + "1=a.txt\n02=sub\\b.txt\n[a.txt]\nVER=1\n", "is never read"},
        WarningCase{"OS not a number", kHead + "1=a.txt\n[a.txt]\nVER=1\nOS=win98\n", "not a decimal number"},
        WarningCase{"no VER", kHead + "1=a.txt\n[a.txt]\nOS=16\n", "no \"VER\""},
        WarningCase{"EXE with FOLDER", kHead + "1=a.txt\n[a.txt]\nVER=1\nEXE=1\nFOLDER={app}\\bin\\\n",
                    "not applied"},
        WarningCase{"no URL", "[URL]\nEXT=.z\n[ENUM]\n1=a.txt\n[a.txt]\nVER=1\n", "no server"},
        WarningCase{"line without a key", kHead + "1=a.txt\n[a.txt]\nVER=1\n=orphan\n", "without a key"},
        WarningCase{"text after ]", kHead + "1=a.txt\n[a.txt] ; the file\nVER=1\n", "is ignored"}),
    [](const auto& info) { return CaseName(info.param.what); });

TEST(ServerBuild, WarnsAboutVersionsThatDoNotSortAfterTheInstalledOnes) {
  ScratchDir release, out;
  for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) WriteText(release.Path() / name, name);
  ServerBuildOptions options;
  options.installedManifest = "[a.txt]\nVER=1.9\n[b.txt]\nVER=1.0\n[c.txt]\nVER=2.0\n[d.txt]\nVER=1.0\n";
  ServerBuildResult r = BuildServerFolder(
      release.Path().string(),
      kHead + "1=a.txt\n2=b.txt\n3=c.txt\n4=d.txt\n[a.txt]\nVER=1.10\n[b.txt]\nVER=1.1\n[c.txt]\nVER=2.0\n"
              "[d.txt]\nVER=1.0.1\n",
      out.Path().string(), options);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(AnyContains(r.warnings, "\"a.txt\"", "never replaced")) << JoinLines(r.warnings);
  EXPECT_TRUE(AnyContains(r.warnings, "\"d.txt\"", "differ in width")) << JoinLines(r.warnings);
  EXPECT_FALSE(AnyContains(r.warnings, "\"b.txt\"")) << JoinLines(r.warnings);
  EXPECT_FALSE(AnyContains(r.warnings, "\"c.txt\"")) << JoinLines(r.warnings);
}

TEST(ServerBuild, FilesAfterAnEnumGapAreNotPacked) {
  ScratchDir release, out;
  WriteText(release.Path() / "a.txt", "alpha");
  WriteText(release.Path() / "sub" / "b.txt", "beta");
  ServerBuildResult r = BuildServerFolder(release.Path().string(),
                                          kHead + "1=a.txt\n3=sub\\b.txt\n[a.txt]\nVER=1\n[sub\\b.txt]\nVER=1\n",
                                          out.Path().string());
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(fs::exists(out.Path() / "1.z"));
  EXPECT_FALSE(fs::exists(out.Path() / "2.z"));
  EXPECT_FALSE(fs::exists(out.Path() / "3.z"));
}

// ---------------------------------------------------------------------------------------------
// The checker against servers written by hand here, with zlib and a hand-made header.

struct HandFile {
  std::string section;
  std::vector<uint8_t> content;
  std::vector<uint8_t> packed;
  std::string size, zsize, zsum;  // the manifest values
};

struct HandServer {
  std::vector<HandFile> files;
  std::string extraLines;      // appended to the manifest text
  std::string verLine = "VER=1.0";
  bool finalZero = true;
  uint32_t headerSize = 24;
  int headerSumDelta = 0;
  size_t cutManifest = 0;      // bytes cut from the end of file 0
  bool flipPackedByte = false; // damage the packed manifest, header checksum kept

  HandServer() {
    AddFile("app.exe", Pattern(9000));
    AddFile("sub\\data.txt", Bytes("some text, some text, some text"));
  }
  void AddFile(const std::string& section, const std::vector<uint8_t>& content) {
    HandFile f;
    f.section = section;
    f.content = content;
    f.packed = Zlib(content);
    f.size = std::to_string(content.size());
    f.zsize = std::to_string(f.packed.size());
    f.zsum = Hex8(SumOfBytes(f.packed));
    files.push_back(f);
  }
  std::string Text() const {
    std::string t = "[URL]\r\nURL=http://h/\r\nEXT=.z\r\n[ENUM]\r\n";
    for (size_t i = 0; i < files.size(); ++i) t += std::to_string(i + 1) + "=" + files[i].section + "\r\n";
    for (const HandFile& f : files)
      t += "[" + f.section + "]\r\n" + verLine + "\r\nSIZE=" + f.size + "\r\nZSIZE=" + f.zsize + "\r\nZSUM=" + f.zsum + "\r\n";
    return t + extraLines;
  }
  void Write(const fs::path& dir) const {
    std::vector<uint8_t> plain = Bytes(Text());
    if (finalZero) plain.push_back(0);
    std::vector<uint8_t> packed = Zlib(plain);
    std::vector<uint8_t> file(24);
    PutLe32(file, 0, headerSize);
    PutLe32(file, 8, 0x12345678);  // reserved: any value, counted in the header sum
    PutLe32(file, 12, static_cast<uint32_t>(plain.size()));
    PutLe32(file, 16, static_cast<uint32_t>(packed.size()));
    PutLe32(file, 20, SumOfBytes(packed));
    PutLe32(file, 4, 0x12345678u + static_cast<uint32_t>(plain.size()) + static_cast<uint32_t>(packed.size()) +
                         SumOfBytes(packed) + static_cast<uint32_t>(headerSumDelta));
    if (flipPackedByte) packed[packed.size() / 2] ^= 0x10;
    file.insert(file.end(), packed.begin(), packed.end());
    file.resize(file.size() - cutManifest);
    WriteBytes(dir / "0.z", file);
    for (size_t i = 0; i < files.size(); ++i) WriteBytes(dir / (std::to_string(i + 1) + ".z"), files[i].packed);
  }
};

TEST(ServerCheck, AcceptsAnIndependentlyPackedServer) {
  ScratchDir dir;
  HandServer server;
  server.Write(dir.Path());
  std::vector<std::string> faults = CheckServerFolder(dir.Path().string(), ".z");
  EXPECT_TRUE(faults.empty()) << JoinLines(faults);
}

TEST(ServerCheck, IgnoresBytesBeyondZsizeAsTheClientDoes) {
  ScratchDir dir;
  HandServer server;
  server.files[0].packed.push_back(0xEE);
  server.files[0].packed.push_back(0x01);
  // The manifest keeps the ZSIZE and ZSUM of the stream alone.
  server.Write(dir.Path());
  std::vector<std::string> faults = CheckServerFolder(dir.Path().string(), ".z");
  EXPECT_TRUE(faults.empty()) << JoinLines(faults);
}

TEST(ServerCheck, AcceptsAnEmptyFileOnlyAsZsizeZeroWithZsumZero) {
  ScratchDir dir;
  HandServer server;
  server.AddFile("empty.txt", {});
  server.files.back().packed.clear();
  server.files.back().zsize = "0";
  server.files.back().zsum = "00000000";
  server.Write(dir.Path());
  EXPECT_TRUE(CheckServerFolder(dir.Path().string(), ".z").empty());

  // A zlib stream of nothing (SIZE 0, ZSIZE 8) is refused by the client.
  ScratchDir dir2;
  HandServer server2;
  server2.AddFile("empty.txt", {});
  server2.Write(dir2.Path());
  std::vector<std::string> faults = CheckServerFolder(dir2.Path().string(), ".z");
  EXPECT_TRUE(AnyContains(faults, "3.z", "SIZE is 0")) << JoinLines(faults);
}

struct BrokenCase {
  const char* what;
  std::function<void(HandServer&, const fs::path&)> breakIt;  // before (server) or after (dir) writing
  bool afterWrite;
  const char* file;
  const char* fault;
};

class BrokenServer : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenServer, IsRefusedNamingFileAndFault) {
  const BrokenCase& c = GetParam();
  ScratchDir dir;
  HandServer server;
  if (!c.afterWrite) c.breakIt(server, dir.Path());
  server.Write(dir.Path());
  if (c.afterWrite) c.breakIt(server, dir.Path());
  std::vector<std::string> faults = CheckServerFolder(dir.Path().string(), ".z");
  EXPECT_TRUE(AnyContains(faults, c.file, c.fault)) << c.what << "\nfaults:\n" << JoinLines(faults);
}

void CutLastByte(const fs::path& path) {
  std::vector<uint8_t> b = ReadBytes(path);
  b.pop_back();
  WriteBytes(path, b);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BrokenServer,
    ::testing::Values(
        BrokenCase{"header sum off by one", [](HandServer& s, const fs::path&) { s.headerSumDelta = 1; }, false,
                   "0.z", "header sum"},
        BrokenCase{"header size 23", [](HandServer& s, const fs::path&) { s.headerSize = 23; }, false, "0.z",
                   "header size is 23"},
        BrokenCase{"packed manifest cut short", [](HandServer& s, const fs::path&) { s.cutManifest = 1; }, false,
                   "0.z", "truncated"},
        BrokenCase{"manifest shorter than its header",
                   [](HandServer&, const fs::path& d) { WriteBytes(d / "0.z", Bytes("0123456789")); }, true, "0.z",
                   "shorter than the 24-byte header"},
        BrokenCase{"packed manifest damaged", [](HandServer& s, const fs::path&) { s.flipPackedByte = true; }, false,
                   "0.z", "differs from the header checksum"},
        BrokenCase{"manifest text without final zero", [](HandServer& s, const fs::path&) { s.finalZero = false; },
                   false, "0.z", "zero byte"},
        BrokenCase{"manifest claims 4 GiB of text",
                   [](HandServer&, const fs::path& d) {
                     std::vector<uint8_t> f = ReadBytes(d / "0.z");
                     PutLe32(f, 12, 0xFFFFFFF0u);
                     PutLe32(f, 4, Le32(f, 8) + Le32(f, 12) + Le32(f, 16) + Le32(f, 20));
                     WriteBytes(d / "0.z", f);
                   },
                   true, "0.z", "says 4294967280"},
        BrokenCase{"manifest missing", [](HandServer&, const fs::path& d) { fs::remove(d / "0.z"); }, true, "0.z",
                   "missing"},
        BrokenCase{"wrong ZSUM",
                   [](HandServer& s, const fs::path&) {
                     s.files[0].zsum = Hex8(SumOfBytes(s.files[0].packed) + 1);
                   },
                   false, "1.z", "ZSUM"},
        BrokenCase{"lower-case ZSUM",
                   [](HandServer& s, const fs::path&) {
                     s.files[1].zsum = "0000abcd";
                   },
                   false, "2.z", "reads as 0"},
        BrokenCase{"data file truncated", [](HandServer&, const fs::path& d) { CutLastByte(d / "2.z"); }, true,
                   "2.z", "truncated"},
        BrokenCase{"data file unpacks to one byte more than SIZE",
                   [](HandServer& s, const fs::path&) { s.files[0].size = std::to_string(s.files[0].content.size() - 1); },
                   false, "1.z", "unpacks to 9000 bytes, SIZE says 8999"},
        BrokenCase{"data file unpacks to one byte less than SIZE",
                   [](HandServer& s, const fs::path&) { s.files[0].size = std::to_string(s.files[0].content.size() + 1); },
                   false, "1.z", "unpacks to 9000 bytes, SIZE says 9001"},
        BrokenCase{"SIZE near 2 GiB", [](HandServer& s, const fs::path&) { s.files[0].size = "2147483000"; }, false,
                   "1.z", "unpacks to 9000 bytes, SIZE says 2147483000"},
        BrokenCase{"data file not zlib",
                   [](HandServer& s, const fs::path&) {
                     s.files[1].packed = Bytes("this is an error page, not a zlib stream");
                     s.files[1].zsize = std::to_string(s.files[1].packed.size());
                     s.files[1].zsum = Hex8(SumOfBytes(s.files[1].packed));
                   },
                   false, "2.z", "zlib stream"},
        BrokenCase{"data file missing", [](HandServer&, const fs::path& d) { fs::remove(d / "2.z"); }, true, "2.z",
                   "missing"},
        BrokenCase{"SIZE 0 with a stream", [](HandServer& s, const fs::path&) { s.files[0].size = "0"; }, false, "1.z",
                   "SIZE is 0"},
        BrokenCase{"ZSIZE 0 with a checksum", [](HandServer& s, const fs::path&) { s.files[0].zsize = "0"; }, false,
                   "1.z", "ZSIZE is 0"},
        BrokenCase{"blank around = in the manifest",
                   [](HandServer& s, const fs::path&) { s.verLine = "VER = 1.0"; }, false, "0.z", "blank around"},
        BrokenCase{"unsafe listed name",
                   [](HandServer& s, const fs::path&) { s.AddFile("..\\evil.dll", Bytes("x")); }, false, "0.z",
                   "not a safe file name"}),
    [](const auto& info) { return CaseName(info.param.what); });

}  // namespace
