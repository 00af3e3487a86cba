#include "strfile.h"

#include <cstring>

#include "bounded.h"
#include "le_bytes.h"

namespace {

constexpr size_t kHeaderSize = 20;  // through the first-entry offset at byte 16
constexpr size_t kEntrySize = 20;   // through the table offset at byte 16
constexpr size_t kTableSize = LS_COUNT * 4;

const char* const kNames[LS_COUNT] = {
    "LS_TITLE",
    "LS_ABOUT",
    "LS_ABOUT_COPYRIGHT",
    "LS_ABOUT_OK",
    "LS_LIST_LABEL",
    "LS_COL_FILE",
    "LS_COL_SIZE",
    "LS_PHASE_RECEIVING",
    "LS_PHASE_VERIFYING",
    "LS_PHASE_UNPACKING",
    "LS_BTN_NEXT",
    "LS_BTN_RETRY",
    "LS_BTN_CANCEL",
    "LS_STATUS_CHECKING",
    "LS_STATUS_UPDATES_FOUND",
    "LS_STATUS_DOWNLOADING",
    "LS_STATUS_UP_TO_DATE",
    "LS_UNUSED_17",
    "LS_STATUS_DOWNLOADED",
    "LS_STATUS_DOWNLOAD_FAILED",
    "LS_STATUS_NO_SERVER",
    "LS_FMT_CONNECTING",
    "LS_ASK_CANCEL",
    "LS_INSTALL_LABEL",
    "LS_FMT_CLOSING",
    "LS_FMT_CLOSE_PROGRAM",
    "LS_FMT_SECONDS",
    "LS_BTN_TERMINATE",
    "LS_FMT_REPLACE_FAILED",
};

struct LangCodePage {
  uint16_t langId;
  uint16_t codePage;
};

// ANSI code page of every language the string files are expected to carry.
const LangCodePage kLangCodePages[] = {
    {1054, 874},   {1041, 932},   {2052, 936},   {4100, 936},   {1042, 949},   {1028, 950},
    {3076, 950},   {1029, 1250},  {1038, 1250},  {1045, 1250},  {1048, 1250},  {1050, 1250},
    {2074, 1250},  {1051, 1250},  {1052, 1250},  {1060, 1250},  {1026, 1251},  {1049, 1251},
    {3098, 1251},  {1058, 1251},  {1059, 1251},  {1027, 1252},  {1030, 1252},  {1031, 1252},
    {2055, 1252},  {3079, 1252},  {4103, 1252},  {5127, 1252},  {1033, 1252},  {2057, 1252},
    {3081, 1252},  {4105, 1252},  {5129, 1252},  {6153, 1252},  {7177, 1252},  {8201, 1252},
    {9225, 1252},  {10249, 1252}, {11273, 1252}, {1034, 1252},  {2058, 1252},  {3082, 1252},
    {4106, 1252},  {5130, 1252},  {6154, 1252},  {7178, 1252},  {8202, 1252},  {9226, 1252},
    {10250, 1252}, {11274, 1252}, {12298, 1252}, {13322, 1252}, {14346, 1252}, {15370, 1252},
    {16394, 1252}, {17418, 1252}, {18442, 1252}, {19466, 1252}, {20490, 1252}, {1035, 1252},
    {1036, 1252},  {2060, 1252},  {3084, 1252},  {4108, 1252},  {5132, 1252},  {1039, 1252},
    {1040, 1252},  {2064, 1252},  {1043, 1252},  {2067, 1252},  {1044, 1252},  {2068, 1252},
    {1046, 1252},  {2070, 1252},  {1053, 1252},  {2077, 1252},  {1057, 1252},  {1069, 1252},
    {1078, 1252},  {1080, 1252},  {1032, 1253},  {1055, 1254},  {1037, 1255},  {1025, 1256},
    {2049, 1256},  {3073, 1256},  {4097, 1256},  {5121, 1256},  {6145, 1256},  {7169, 1256},
    {8193, 1256},  {9217, 1256},  {10241, 1256}, {11265, 1256}, {12289, 1256}, {13313, 1256},
    {14337, 1256}, {15361, 1256}, {16385, 1256}, {1065, 1256},  {1061, 1257},  {1062, 1257},
    {1063, 1257},  {1066, 1258},  {2066, 1361},
};
static_assert(sizeof kLangCodePages / sizeof kLangCodePages[0] == 105, "105 language/code-page pairs");

constexpr uint16_t kEnglishUs = 1033;
constexpr uint16_t kWesternCodePage = 1252;

}  // namespace

const char* LangStringName(int id) { return (id >= 0 && id < LS_COUNT) ? kNames[id] : nullptr; }

int LangStringFromName(const char* name) {
  if (!name) return -1;
  for (int i = 0; i < LS_COUNT; ++i) {
    if (strcmp(kNames[i], name) == 0) return i;
  }
  return -1;
}

FormatRole FormatRoleOf(int id) {
  switch (id) {
    case LS_FMT_CONNECTING:
    case LS_FMT_CLOSING:
    case LS_FMT_CLOSE_PROGRAM:
    case LS_FMT_REPLACE_FAILED:
      return FormatRole::Text;
    case LS_FMT_SECONDS:
      return FormatRole::Number;
    default:
      return FormatRole::None;
  }
}

bool FormatFitsRole(int id, const char* text) {
  FormatRole role = FormatRoleOf(id);
  if (role == FormatRole::None) return true;
  if (!text) return false;
  int placeholders = 0;
  for (const char* p = text; *p;) {
    if (*p != '%') {
      ++p;
      continue;
    }
    char conversion;
    p += ScanPlaceholder(p, conversion);
    if (conversion == '%') continue;
    bool fits = role == FormatRole::Text ? conversion == 's'
                                         : (conversion == 'd' || conversion == 'i' || conversion == 'u');
    if (!fits) return false;
    ++placeholders;
  }
  return placeholders == 1;
}

uint16_t CodePageFromLangId(uint16_t langId) {
  for (const LangCodePage& pair : kLangCodePages) {
    if (pair.langId == langId) return pair.codePage;
  }
  return kWesternCodePage;
}

uint32_t StrFileView::U32(size_t at) const {
  if (!m_data || at > m_size || m_size - at < 4) return 0;
  return ReadLe32(m_data + at);
}

uint16_t StrFileView::U16(size_t at) const {
  if (!m_data || at > m_size || m_size - at < 2) return 0;
  return ReadLe16(m_data + at);
}

bool StrFileView::HasMagic() const {
  return m_data && m_size >= 3 && m_data[0] == 'S' && m_data[1] == 'T' && m_data[2] == 'R';
}

uint16_t StrFileView::LanguageCount() const { return HasMagic() ? U16(10) : 0; }

uint32_t StrFileView::EntryOffset(unsigned i) const {
  if (i >= LanguageCount()) return 0;
  uint32_t offset = U32(16);
  // Entry i is reached by following i links; the last entry's link is never read.
  for (unsigned step = 0; step < i && offset != 0; ++step) {
    if (offset > m_size || m_size - offset < kEntrySize) return 0;
    offset = U32(offset);
  }
  if (offset > m_size || m_size - offset < kEntrySize) return 0;
  return offset;
}

uint16_t StrFileView::CodePage(unsigned i) const {
  uint32_t entry = EntryOffset(i);
  return entry ? U16(entry + 4) : 0;
}

uint16_t StrFileView::LangId(unsigned i) const {
  uint32_t entry = EntryOffset(i);
  return entry ? U16(entry + 6) : 0;
}

uint32_t StrFileView::TableOffset(unsigned i) const {
  uint32_t entry = EntryOffset(i);
  return entry ? U32(entry + 16) : 0;
}

const char* StrFileView::String(unsigned i, int n) const {
  if (n < 0 || n >= LS_COUNT) return nullptr;
  uint32_t table = TableOffset(i);
  if (table == 0 || table > m_size || m_size - table < kTableSize) return nullptr;
  uint32_t at = U32(table + size_t(n) * 4);
  if (at >= m_size || !memchr(m_data + at, '\0', m_size - at)) return nullptr;
  return reinterpret_cast<const char*>(m_data + at);
}

bool StrFileView::IsValid(std::string* why) const {
  auto refuse = [why](const std::string& reason) {
    if (why) *why = reason;
    return false;
  };
  if (!m_data || m_size < kHeaderSize) return refuse("file shorter than its header");
  if (!HasMagic()) return refuse("no \"STR\" magic");
  unsigned count = LanguageCount();
  if (count == 0) return refuse("no language entry");
  for (unsigned i = 0; i < count; ++i) {
    const std::string entry = "language entry " + std::to_string(i);
    if (EntryOffset(i) == 0) return refuse(entry + " lies outside the file");
    uint32_t table = TableOffset(i);
    if (table == 0 || table > m_size || m_size - table < kTableSize)
      return refuse(entry + ": string table of 29 offsets lies outside the file");
    for (int n = 0; n < LS_COUNT; ++n) {
      const char* text = String(i, n);
      if (!text) return refuse(entry + ": string " + std::to_string(n) + " does not end inside the file");
      if (!FormatFitsRole(n, text))
        return refuse(entry + ": " + kNames[n] + " does not hold exactly one placeholder of its kind");
    }
  }
  return true;
}

unsigned ChooseLanguageIndex(const StrFileView& file, uint16_t systemLangId) {
  unsigned count = file.LanguageCount();
  bool sawEnglish = false;
  unsigned lastEnglish = 0;
  for (unsigned i = 0; i < count; ++i) {
    uint16_t lang = file.LangId(i);
    if (lang == systemLangId) return i;
    if (lang == kEnglishUs) {
      sawEnglish = true;
      lastEnglish = i;
    }
  }
  uint16_t codePage = CodePageFromLangId(systemLangId);
  if (codePage == kWesternCodePage && sawEnglish) return lastEnglish;
  for (unsigned i = 0; i < count; ++i) {
    if (file.CodePage(i) == codePage) return i;
  }
  for (unsigned i = 0; i < count; ++i) {
    if (CodePageFromLangId(file.LangId(i)) == codePage) return i;
  }
  return 0;
}

unsigned MatchLanguageIndex(const StrFileView& file, uint16_t systemLangId) {
  if (systemLangId == 3076) systemLangId = 1028;  // Hong Kong Chinese reads traditional Chinese
  if (systemLangId == 4100) systemLangId = 2052;  // Singapore Chinese reads simplified Chinese
  unsigned count = file.LanguageCount();
  for (unsigned i = 0; i < count; ++i) {
    if (file.LangId(i) == systemLangId) return i;
  }
  return 0;
}
