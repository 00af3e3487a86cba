// mkserver: builds a server folder for the update client from a release folder and a manifest,
// and checks a server folder as the client reads it.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "file_io.h"
#include "serverbuild.h"
#include "tool_cli.h"

namespace fs = std::filesystem;

namespace {

const char kUsage[] =
    "Usage:\n"
    "  mkserver build --release DIR --manifest FILE --out DIR [--ext SUFFIX] [--level 0-9]\n"
    "                 [--installed UPDATE.INI]\n"
    "      Packs every file listed under [ENUM] of FILE from the release folder DIR as server file\n"
    "      1, 2, 3, ... and the manifest, with SIZE, ZSIZE and ZSUM filled in, as server file 0.\n"
    "      SUFFIX defaults to EXT of the manifest's [URL] section. With --installed, warns about\n"
    "      every file whose new VER does not sort after the installed one byte by byte.\n"
    "  mkserver --check DIR [--ext SUFFIX]\n"
    "      Reads a server folder as the update client does and lists every fault. Without --ext the\n"
    "      suffix is taken from the one file whose name is \"0\" followed by the suffix.\n"
    "  mkserver --help\n"
    "Exit status: 0 success, 1 refused or faults found, 2 wrong usage.\n";

const ToolCli kCli("mkserver", kUsage);

// The suffix of the packed manifest: the single file whose name is "0" + suffix.
bool GuessExt(const std::string& dir, std::string& ext, std::string& error) {
  std::error_code ec;
  std::vector<std::string> candidates;
  for (fs::directory_iterator it(fs::path(dir), ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.size() >= 1 && name[0] == '0' && it->is_regular_file(ec) &&
        (name.size() == 1 || name[1] < '0' || name[1] > '9') &&
        !(name.size() > 5 && name.compare(name.size() - 5, 5, ".part") == 0))
      candidates.push_back(name.substr(1));
  }
  if (ec) {
    error = dir + ": cannot be listed";
    return false;
  }
  if (candidates.size() != 1) {
    error = dir + ": " + std::to_string(candidates.size()) +
            " files could be the packed manifest (\"0\" + suffix); give the suffix with --ext";
    return false;
  }
  ext = candidates[0];
  return true;
}

int Check(const std::string& dir, bool haveExt, std::string ext) {
  std::string error;
  if (!haveExt && !GuessExt(dir, ext, error)) return kCli.Fail(error);
  std::vector<std::string> faults = CheckServerFolder(dir, ext);
  for (const std::string& f : faults) std::printf("fault: %s\n", f.c_str());
  if (!faults.empty()) {
    std::printf("%s: %u fault(s)\n", dir.c_str(), static_cast<unsigned>(faults.size()));
    return 1;
  }
  std::printf("%s: the client accepts the manifest and every listed file (suffix \"%s\")\n", dir.c_str(), ext.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (kCli.ShowHelpIfAsked(args)) return 0;
  if (args.empty()) return kCli.Usage("no command given");
  std::string release, manifest, out, ext, checkDir, level, installed;
  bool haveExt = false, build = false, check = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto next = [&](std::string& target) {
      if (i + 1 >= args.size()) return false;
      target = args[++i];
      return true;
    };
    if (a == "build" && i == 0) build = true;
    else if ((a == "--check" || (a == "check" && i == 0))) {
      check = true;
      if (!next(checkDir)) return kCli.Usage(a + " needs a folder");
    } else if (a == "--release") {
      if (!next(release)) return kCli.Usage("--release needs a folder");
    } else if (a == "--manifest") {
      if (!next(manifest)) return kCli.Usage("--manifest needs a file");
    } else if (a == "--out") {
      if (!next(out)) return kCli.Usage("--out needs a folder");
    } else if (a == "--ext") {
      if (!next(ext)) return kCli.Usage("--ext needs a suffix (\"\" for none)");
      haveExt = true;
    } else if (a == "--installed") {
      if (!next(installed)) return kCli.Usage("--installed needs a file");
    } else if (a == "--level") {
      if (!next(level)) return kCli.Usage("--level needs a number");
    } else {
      return kCli.Usage("unexpected argument " + a);
    }
  }
  if (build == check) return kCli.Usage("give either build or --check");
  if (check) {
    if (!release.empty() || !manifest.empty() || !out.empty() || !level.empty() || !installed.empty())
      return kCli.Usage("--check takes only a folder and --ext");
    return Check(checkDir, haveExt, ext);
  }
  if (release.empty() || manifest.empty() || out.empty())
    return kCli.Usage("build needs --release, --manifest and --out");
  ServerBuildOptions options;
  if (haveExt) options.extOverride = ext;
  if (!level.empty()) {
    if (level.size() != 1 || level[0] < '0' || level[0] > '9') return kCli.Usage("--level must be 0 to 9");
    options.zlibLevel = level[0] - '0';
  }
  std::string text, error;
  if (!ReadWholeFile(manifest, text, error)) return kCli.Fail(error);
  if (!installed.empty() && !ReadWholeFile(installed, options.installedManifest, error)) return kCli.Fail(error);
  ServerBuildResult result = BuildServerFolder(release, text, out, options);
  for (const std::string& w : result.warnings) std::fprintf(stderr, "mkserver: warning: %s\n", w.c_str());
  if (!result.ok) return kCli.Fail(manifest + ": refused:\n" + result.error);
  std::printf("%s: server folder written\n", out.c_str());
  return 0;
}
