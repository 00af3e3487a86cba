#include "tool_cli.h"

#include <cstdio>

bool ToolCli::ShowHelpIfAsked(const std::vector<std::string>& args) const {
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h" || a == "/?") {
      std::fputs(m_usage, stdout);
      return true;
    }
  }
  return false;
}

int ToolCli::Usage(const std::string& problem) const {
  std::fprintf(stderr, "%s: %s\n\n%s", m_name, problem.c_str(), m_usage);
  return 2;
}

int ToolCli::Fail(const std::string& message) const {
  std::fprintf(stderr, "%s: %s\n", m_name, message.c_str());
  return 1;
}
