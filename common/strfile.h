// The language string file "Update.Str": format, validation, language choice, and a writer/reader
// for the publisher tools. Portable: no Windows headers.
//
// Header: "STR" magic (3 bytes), 3 bytes unused, u32 unused offset @6, u16 language count @10,
// 4 bytes unused @12, u32 offset of entry 0 @16. Entry: u32 next entry @0, u16 code page @4,
// u16 LANGID @6, 4 bytes unused @8, u32 unused offset @12, u32 offset of the string offset table @16.
// Table: u32 offsets of strings 0..28, each a zero-terminated 8-bit string. All little-endian.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum LangStringId {
  LS_TITLE = 0,
  LS_ABOUT = 1,
  LS_ABOUT_COPYRIGHT = 2,
  LS_ABOUT_OK = 3,
  LS_LIST_LABEL = 4,
  LS_COL_FILE = 5,
  LS_COL_SIZE = 6,
  LS_PHASE_RECEIVING = 7,
  LS_PHASE_VERIFYING = 8,
  LS_PHASE_UNPACKING = 9,
  LS_BTN_NEXT = 10,
  LS_BTN_RETRY = 11,
  LS_BTN_CANCEL = 12,
  LS_STATUS_CHECKING = 13,
  LS_STATUS_UPDATES_FOUND = 14,
  LS_STATUS_DOWNLOADING = 15,
  LS_STATUS_UP_TO_DATE = 16,
  LS_UNUSED_17 = 17,
  LS_STATUS_DOWNLOADED = 18,
  LS_STATUS_DOWNLOAD_FAILED = 19,
  LS_STATUS_NO_SERVER = 20,
  LS_FMT_CONNECTING = 21,
  LS_ASK_CANCEL = 22,
  LS_INSTALL_LABEL = 23,
  LS_FMT_CLOSING = 24,
  LS_FMT_CLOSE_PROGRAM = 25,
  LS_FMT_SECONDS = 26,
  LS_BTN_TERMINATE = 27,
  LS_FMT_REPLACE_FAILED = 28,
  LS_COUNT = 29
};

// Name of a string number as written in string sources ("LS_TITLE"; "LS_UNUSED_17" for 17).
const char* LangStringName(int id);
// Number of a name, or -1.
int LangStringFromName(const char* name);

// The argument a format string takes: none (not a format), one text, or one integer.
enum class FormatRole { None, Text, Number };
FormatRole FormatRoleOf(int id);
// A format string fits its role when it holds exactly one placeholder of the role's kind
// ("%s" for text; "%d", "%i" or "%u" for a number), with optional flags/width/precision, and any
// number of "%%". A non-format string always fits.
bool FormatFitsRole(int id, const char* text);

// ANSI code page of a language identifier (table of 105 pairs); 1252 when unknown.
uint16_t CodePageFromLangId(uint16_t langId);

// Read-only view over a file image. Every accessor is bounded by the image size.
class StrFileView {
 public:
  StrFileView(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  // Magic "STR" in bytes 0..2.
  bool HasMagic() const;
  // Full check: magic, header inside the file, count >= 1, every entry of the chain inside the file,
  // every table of 29 offsets inside, every string ending inside, every format string fitting its role.
  bool IsValid(std::string* why = nullptr) const;
  uint16_t LanguageCount() const;
  uint32_t EntryOffset(unsigned i) const;  // 0 when out of range
  uint16_t CodePage(unsigned i) const;
  uint16_t LangId(unsigned i) const;
  uint32_t TableOffset(unsigned i) const;
  // String n of language i (nullptr when out of range).
  const char* String(unsigned i, int n) const;

 private:
  uint32_t U32(size_t at) const;
  uint16_t U16(size_t at) const;
  const uint8_t* m_data;
  size_t m_size;
};

// Language choice of the update client: exact match, then the last English entry for code page 1252,
// then an entry whose code-page field matches, then one whose language maps to the code page, else 0.
unsigned ChooseLanguageIndex(const StrFileView& file, uint16_t systemLangId);
// Language choice of the installer: 3076 -> 1028, 4100 -> 2052, first exact match, else 0.
unsigned MatchLanguageIndex(const StrFileView& file, uint16_t systemLangId);

// One language of a string file, for the publisher tools.
struct StrLanguage {
  uint16_t langId = 0;
  uint16_t codePage = 0;
  std::vector<std::string> strings;  // LS_COUNT strings, 8-bit in codePage
};

// Writes a string file image for the given languages (each with LS_COUNT strings).
std::vector<uint8_t> BuildStrFile(const std::vector<StrLanguage>& languages);
// Reads every language of a valid image. Returns false with a reason when the image is not valid.
bool ReadStrFile(const uint8_t* data, size_t size, std::vector<StrLanguage>& out, std::string& why);
