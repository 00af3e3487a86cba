// Compiler and dumper of the string source format.
#include "strsource.h"

#include <algorithm>
#include <cstdlib>

#include "codepage.h"
#include "strfile.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    if (end == text.size()) break;
    start = end + 1;
  }
  return lines;
}

// Reads a decimal number 1..65535 that fills the whole word.
bool ParseId(const std::string& word, uint16_t& value) {
  if (word.empty() || word.size() > 5) return false;
  unsigned long v = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<unsigned long>(c - '0');
  }
  if (v == 0 || v > 65535) return false;
  value = static_cast<uint16_t>(v);
  return true;
}

std::vector<std::string> Words(const std::string& s) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    size_t b = i;
    while (i < s.size() && !IsBlank(s[i])) ++i;
    if (i > b) words.push_back(s.substr(b, i - b));
  }
  return words;
}

// Decodes the escapes \\ \r \n \t and \s (a blank, for leading or trailing blanks).
bool Unescape(const std::string& in, std::string& out, std::string& error) {
  out.clear();
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '\\') {
      out += in[i];
      continue;
    }
    if (i + 1 >= in.size()) {
      error = "a single \"\\\" ends the text (write \"\\\\\" for a backslash)";
      return false;
    }
    char c = in[++i];
    switch (c) {
      case '\\': out += '\\'; break;
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 's': out += ' '; break;
      default:
        error = std::string("unknown escape \"\\") + c + "\" (known: \\\\ \\r \\n \\t \\s)";
        return false;
    }
  }
  return true;
}

std::string Escape(const std::string& in) {
  std::string out;
  for (size_t i = 0; i < in.size(); ++i) {
    char c = in[i];
    bool edge = i == 0 || i + 1 == in.size();
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case ' ': out += edge ? "\\s" : " "; break;
      default: out += c;
    }
  }
  return out;
}

// Offset of the first byte that does not start a well-formed UTF-8 sequence, or npos.
size_t FirstInvalidUtf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t len = c < 0x80 ? 1 : (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3 : (c >= 0xF0 && c <= 0xF4) ? 4 : 0;
    if (len == 0 || i + len > s.size()) return i;
    for (size_t k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return i;
    unsigned char c1 = static_cast<unsigned char>(len > 1 ? s[i + 1] : 0);
    if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0) || (c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 >= 0x90))
      return i;  // overlong forms, surrogates, beyond U+10FFFF
    i += len;
  }
  return std::string::npos;
}

struct PendingLanguage {
  StrLanguage lang;
  int line = 0;
  std::vector<int> definedAt;  // line of each string, 0 while missing
};

bool FinishLanguage(PendingLanguage& p, std::vector<StrLanguage>& done, std::string& error) {
  for (int n = 0; n < LS_COUNT; ++n) {
    if (p.definedAt[n] == 0 && n != LS_UNUSED_17) {
      error = "line " + std::to_string(p.line) + ": language " + std::to_string(p.lang.langId) + " has no string " +
              LangStringName(n);
      return false;
    }
  }
  done.push_back(p.lang);
  return true;
}

}  // namespace

bool CompileStrSource(const std::string& source, std::vector<uint8_t>& out, std::string& error) {
  out.clear();
  std::string text = source;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  if (text.find('\0') != std::string::npos) {
    error = "the source holds a zero byte (line " +
            std::to_string(1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(text.find('\0')), '\n')) +
            ")";
    return false;
  }
  size_t bad = FirstInvalidUtf8(text);
  if (bad != std::string::npos) {
    error = "line " + std::to_string(1 + std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(bad), '\n')) +
            ": not valid UTF-8 (byte " + std::to_string(bad) + " of the file)";
    return false;
  }
  std::vector<StrLanguage> languages;
  PendingLanguage pending;
  bool inLanguage = false;
  std::vector<std::string> lines = SplitLines(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    const int lineNo = static_cast<int>(i + 1);
    const std::string where = "line " + std::to_string(lineNo) + ": ";
    std::string line = Trim(lines[i]);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      if (line.back() != ']') {
        error = where + "a section header must end with \"]\"";
        return false;
      }
      std::vector<std::string> words = Words(line.substr(1, line.size() - 2));
      uint16_t langId = 0, codePage = 0;
      if (words.size() < 2 || words.size() > 3 || words[0] != "language" || !ParseId(words[1], langId) ||
          (words.size() == 3 && !ParseId(words[2], codePage))) {
        error = where + "expected \"[language LANGID CODEPAGE]\" with decimal numbers, found \"" + line + "\"";
        return false;
      }
      if (words.size() == 2) codePage = CodePageFromLangId(langId);
      for (const StrLanguage& l : languages) {
        if (l.langId == langId) {
          error = where + "language " + std::to_string(langId) + " is given twice";
          return false;
        }
      }
      if (inLanguage) {
        if (pending.lang.langId == langId) {
          error = where + "language " + std::to_string(langId) + " is given twice";
          return false;
        }
        if (!FinishLanguage(pending, languages, error)) return false;
      }
      if (!CodePageSupported(codePage)) {
        error = where + "code page " + std::to_string(codePage) + " cannot be converted on this system";
        return false;
      }
      pending = PendingLanguage();
      pending.lang.langId = langId;
      pending.lang.codePage = codePage;
      pending.lang.strings.assign(LS_COUNT, std::string());
      pending.definedAt.assign(LS_COUNT, 0);
      pending.line = lineNo;
      inLanguage = true;
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string::npos) {
      error = where + "expected \"LS_NAME = text\", a \"[language ...]\" header or a \"#\" comment";
      return false;
    }
    std::string name = Trim(line.substr(0, eq));
    int id = LangStringFromName(name.c_str());
    if (id < 0) {
      error = where + "unknown string name \"" + name + "\"";
      return false;
    }
    if (!inLanguage) {
      error = where + "string " + name + " stands before the first \"[language ...]\" header";
      return false;
    }
    if (pending.definedAt[id] != 0) {
      error = where + name + " is given twice in language " + std::to_string(pending.lang.langId) + " (first on line " +
              std::to_string(pending.definedAt[id]) + ")";
      return false;
    }
    std::string value, why;
    if (!Unescape(Trim(line.substr(eq + 1)), value, why)) {
      error = where + name + ": " + why;
      return false;
    }
    std::string converted;
    if (!Utf8ToCodePage(pending.lang.codePage, value, converted, why)) {
      error = where + name + ": " + why;
      return false;
    }
    if (!FormatFitsRole(id, converted.c_str())) {
      FormatRole role = FormatRoleOf(id);
      error = where + name + ": \"" + value + "\" does not fit its role: " +
              (role == FormatRole::Text     ? "it must hold exactly one \"%s\" (and \"%%\" for a percent sign)"
               : role == FormatRole::Number ? "it must hold exactly one \"%d\" (and \"%%\" for a percent sign)"
                                            : "it is not a format; write \"%%\" for a percent sign");
      return false;
    }
    pending.lang.strings[id] = converted;
    pending.definedAt[id] = lineNo;
  }
  if (inLanguage && !FinishLanguage(pending, languages, error)) return false;
  if (languages.empty()) {
    error = "the source has no \"[language LANGID CODEPAGE]\" section";
    return false;
  }
  if (languages.size() > 65535) {
    error = "too many languages";
    return false;
  }
  out = BuildStrFile(languages);
  std::string why;
  if (!StrFileView(out.data(), out.size()).IsValid(&why)) {
    error = "the written image does not read back: " + why;
    out.clear();
    return false;
  }
  return true;
}

bool DumpStrFile(const std::vector<uint8_t>& image, std::string& text, std::string& error) {
  text.clear();
  std::vector<StrLanguage> languages;
  std::string why;
  if (!ReadStrFile(image.data(), image.size(), languages, why)) {
    error = "not a valid string file: " + why;
    return false;
  }
  std::string out =
      "# Language strings; compile with: mkstrings compile THIS_FILE -o Update.Str\n"
      "# Escapes: \\\\ \\r \\n \\t, and \\s for a blank at the start or end of a text.\n";
  for (const StrLanguage& lang : languages) {
    out += "\n[language " + std::to_string(lang.langId) + " " + std::to_string(lang.codePage) + "]\n";
    for (int n = 0; n < LS_COUNT; ++n) {
      const std::string& s = lang.strings[n];
      if (n == LS_UNUSED_17 && s.empty()) continue;
      std::string utf8;
      if (!CodePageToUtf8(lang.codePage, s, utf8, why)) {
        error = "language " + std::to_string(lang.langId) + ", " + LangStringName(n) + ": " + why;
        return false;
      }
      std::string back;
      if (!Utf8ToCodePage(lang.codePage, utf8, back, why) || back != s) {
        error = "language " + std::to_string(lang.langId) + ", " + LangStringName(n) +
                ": the text does not convert back to the same bytes in code page " + std::to_string(lang.codePage);
        return false;
      }
      out += std::string(LangStringName(n)) + " = " + Escape(utf8) + "\n";
    }
  }
  text.swap(out);
  return true;
}
