// mkstrings: compiles a string source into "Update.Str" and dumps a string file back into a source.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "file_io.h"
#include "strsource.h"
#include "tool_cli.h"

namespace {

const char kUsage[] =
    "Usage:\n"
    "  mkstrings compile SOURCE -o Update.Str   compile a UTF-8 string source into a string file\n"
    "  mkstrings dump Update.Str [-o SOURCE]    write a string file back as source (to stdout without -o)\n"
    "  mkstrings --help                         show this text\n"
    "\n"
    "Source format: one \"[language LANGID CODEPAGE]\" section per language, then one line\n"
    "\"LS_NAME = text\" for each of the 29 strings (LS_UNUSED_17 may be left out). Lines starting\n"
    "with \"#\" are comments. Escapes: \\\\ \\r \\n \\t, and \\s for a blank at the start or end.\n";

const ToolCli kCli("mkstrings", kUsage);

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (kCli.ShowHelpIfAsked(args)) return 0;
  if (args.empty()) return kCli.Usage("no command given");
  std::string command = args[0], input, output;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "-o") {
      if (i + 1 >= args.size()) return kCli.Usage("-o needs a file name");
      if (!output.empty()) return kCli.Usage("-o is given twice");
      output = args[++i];
    } else if (!args[i].empty() && args[i][0] == '-') {
      return kCli.Usage("unknown option " + args[i]);
    } else if (input.empty()) {
      input = args[i];
    } else {
      return kCli.Usage("unexpected argument " + args[i]);
    }
  }
  if (input.empty()) return kCli.Usage("no input file given");
  std::string error;
  if (command == "compile") {
    if (output.empty()) return kCli.Usage("compile needs -o OUTPUT");
    std::string source;
    if (!ReadWholeFile(input, source, error)) return kCli.Fail(error);
    std::vector<uint8_t> image;
    if (!CompileStrSource(source, image, error)) return kCli.Fail(input + ": " + error);
    if (!WriteFileAtomic(output, image.data(), image.size(), error)) return kCli.Fail(error);
    return 0;
  }
  if (command == "dump") {
    std::vector<uint8_t> image;
    if (!ReadWholeFile(input, image, error)) return kCli.Fail(error);
    std::string text;
    if (!DumpStrFile(image, text, error)) return kCli.Fail(input + ": " + error);
    if (output.empty()) {
      if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
        return kCli.Fail("cannot write to standard output");
      return 0;
    }
    if (!WriteFileAtomic(output, text.data(), text.size(), error)) return kCli.Fail(error);
    return 0;
  }
  return kCli.Usage("unknown command " + command);
}
