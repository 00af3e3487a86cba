// Writer and reader of whole string files, used by the publisher tools.
#include "strfile.h"

#include "le_bytes.h"

namespace {

constexpr size_t kHeaderSize = 20;
constexpr size_t kEntrySize = 20;

void PutU16(std::vector<uint8_t>& out, size_t at, uint16_t v) { WriteLe16(&out[at], v); }

void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t v) { WriteLe32(&out[at], v); }

}  // namespace

// Layout: header, the language entries one after another (each linked to the next, the last one's
// link 0), then per language its table of LS_COUNT offsets followed by its strings. Unused fields are 0.
std::vector<uint8_t> BuildStrFile(const std::vector<StrLanguage>& languages) {
  std::vector<uint8_t> out(kHeaderSize + kEntrySize * languages.size(), 0);
  out[0] = 'S';
  out[1] = 'T';
  out[2] = 'R';
  PutU16(out, 10, static_cast<uint16_t>(languages.size()));
  PutU32(out, 16, static_cast<uint32_t>(kHeaderSize));
  for (size_t i = 0; i < languages.size(); ++i) {
    const StrLanguage& lang = languages[i];
    size_t entry = kHeaderSize + kEntrySize * i;
    PutU32(out, entry, i + 1 < languages.size() ? static_cast<uint32_t>(entry + kEntrySize) : 0);
    PutU16(out, entry + 4, lang.codePage);
    PutU16(out, entry + 6, lang.langId);
    size_t table = out.size();
    PutU32(out, entry + 16, static_cast<uint32_t>(table));
    out.resize(table + 4 * LS_COUNT, 0);
    for (int n = 0; n < LS_COUNT; ++n) {
      PutU32(out, table + 4 * n, static_cast<uint32_t>(out.size()));
      if (static_cast<size_t>(n) < lang.strings.size()) {
        const std::string& s = lang.strings[n];
        // A string ends at its first zero byte; anything after it could never be read.
        size_t len = s.find('\0');
        if (len == std::string::npos) len = s.size();
        out.insert(out.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(len));
      }
      out.push_back(0);
    }
  }
  return out;
}

bool ReadStrFile(const uint8_t* data, size_t size, std::vector<StrLanguage>& out, std::string& why) {
  out.clear();
  StrFileView view(data, size);
  if (!view.IsValid(&why)) return false;
  unsigned count = view.LanguageCount();
  for (unsigned i = 0; i < count; ++i) {
    StrLanguage lang;
    lang.langId = view.LangId(i);
    lang.codePage = view.CodePage(i);
    for (int n = 0; n < LS_COUNT; ++n) {
      const char* s = view.String(i, n);
      if (!s) {
        why = "language " + std::to_string(i) + ": string " + std::to_string(n) + " cannot be read";
        out.clear();
        return false;
      }
      lang.strings.push_back(s);
    }
    out.push_back(lang);
  }
  return true;
}
