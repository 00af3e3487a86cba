// Langpin.com: appends a language string file to an executable.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "langpin_append.h"
#include "langpin_cmdline.h"

int main(int argc, char** argv) {
  // The messages carry their own "\r\n"; text mode would turn it into "\r\r\n".
  _setmode(_fileno(stdout), _O_BINARY);
  LangpinCommand command;
  switch (ParseLangpinArgs(argc, argv, command)) {
    case LangpinAction::Usage:
      printf("Error: No parameter!\r\n");
      printf("You should input like this:\r\n");
      printf("Langpin.com /s xxx.str /d xxx.exe\r\n");
      break;
    case LangpinAction::TooLong:
      printf("Parameter too long: a value holds at most %u and the command line at most %u characters!\r\n",
             unsigned(kLangpinValueSize - 1), unsigned(kLangpinLineSize - 1));
      break;
    case LangpinAction::Quit:
      break;
    case LangpinAction::Append:
      if (!AppendString(command.stringFile, command.executable))
        printf("Add str file \"%s\" to executable file \"%s\" failed!\r\n", command.stringFile, command.executable);
      break;
  }
  fflush(stdout);
  return 0;
}
