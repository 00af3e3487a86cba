// Command-line conventions shared by the publisher tools: help on --help, -h or /? anywhere in the
// arguments; messages "<tool>: ..." on standard error; exit status 0 success, 1 refused or failed,
// 2 wrong usage.
#pragma once
#include <string>
#include <vector>

class ToolCli {
 public:
  ToolCli(const char* name, const char* usage) : m_name(name), m_usage(usage) {}

  // True when an argument asks for help; the usage text is then printed on standard output.
  bool ShowHelpIfAsked(const std::vector<std::string>& args) const;
  // The problem and the usage text on standard error; returns 2.
  int Usage(const std::string& problem) const;
  // The message on standard error; returns 1.
  int Fail(const std::string& message) const;

 private:
  const char* m_name;
  const char* m_usage;
};
