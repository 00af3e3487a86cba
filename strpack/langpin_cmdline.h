// Command line of the string packer: "Langpin.com /s xxx.str /d xxx.exe". Portable: no Windows headers.
#pragma once
#include <cstddef>

constexpr size_t kLangpinValueSize = 256;  // a value holds at most 255 characters
constexpr size_t kLangpinLineSize = 1024;  // the joined command line holds at most 1023 characters

// First character of text that is not a space (only " " counts as blank).
const char* SkipSpaces(const char* text);

enum class TokenResult { Ok, Unterminated, TooLong };
// Copies one value into out: blanks skipped, then either the text up to the next double quote (the
// scan goes on at that closing quote) or the text up to the next space or the end. Returns where the
// scan goes on, or nullptr when a quote has no closing quote or the value does not fit out.
const char* ReadToken(const char* text, char out[kLangpinValueSize], TokenResult& result);

enum class LangpinAction {
  Usage,      // no argument: print the three usage lines
  Quit,       // unknown switch, unterminated quote or a missing value: end without a message
  TooLong,    // a value or the joined line does not fit its buffer
  Append,     // both values present: append the string file to the executable
};

struct LangpinCommand {
  char stringFile[kLangpinValueSize] = "";
  char executable[kLangpinValueSize] = "";
};

// Joins the arguments (argv[1..argc-1]) each followed by one space, and scans the line for "/s" and "/d"
// in either case and order; a later use of a switch replaces the earlier value.
LangpinAction ParseLangpinArgs(int argc, const char* const* argv, LangpinCommand& command);
