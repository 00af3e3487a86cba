#include "langpin_cmdline.h"

#include <cstring>

const char* SkipSpaces(const char* text) {
  while (*text == ' ') ++text;
  return text;
}

const char* ReadToken(const char* text, char out[kLangpinValueSize], TokenResult& result) {
  out[0] = '\0';
  text = SkipSpaces(text);
  const char* start = text;
  const char* end;
  const char* next;
  if (*text == '"') {
    start = text + 1;
    end = strchr(start, '"');
    if (!end) {
      result = TokenResult::Unterminated;
      return nullptr;
    }
    next = end;  // the scan goes on at the closing quote
  } else {
    end = text + strcspn(text, " ");
    next = end;
  }
  size_t length = size_t(end - start);
  if (length >= kLangpinValueSize) {
    result = TokenResult::TooLong;
    return nullptr;
  }
  memcpy(out, start, length);
  out[length] = '\0';
  result = TokenResult::Ok;
  return next;
}

LangpinAction ParseLangpinArgs(int argc, const char* const* argv, LangpinCommand& command) {
  command.stringFile[0] = '\0';
  command.executable[0] = '\0';
  if (argc <= 1) return LangpinAction::Usage;

  char line[kLangpinLineSize];
  size_t length = 0;
  for (int i = 1; i < argc; ++i) {
    size_t n = strlen(argv[i]);
    if (n + 1 > kLangpinLineSize - 1 - length) return LangpinAction::TooLong;
    memcpy(line + length, argv[i], n);
    length += n;
    line[length++] = ' ';
  }
  line[length] = '\0';

  const char* p = line;
  while (*p) {
    p = SkipSpaces(p);
    if (*p == '\0') break;
    if (*p != '/') {
      ++p;
      continue;
    }
    char* target;
    if (p[1] == 's' || p[1] == 'S')
      target = command.stringFile;
    else if (p[1] == 'd' || p[1] == 'D')
      target = command.executable;
    else
      return LangpinAction::Quit;
    TokenResult result;
    p = ReadToken(p + 2, target, result);
    if (result == TokenResult::TooLong) return LangpinAction::TooLong;
    if (!p) return LangpinAction::Quit;
  }
  if (command.stringFile[0] == '\0' || command.executable[0] == '\0') return LangpinAction::Quit;
  return LangpinAction::Append;
}
