#include "langstrings.h"

#include <new>

#include "handles.h"
#include "le_bytes.h"

CLangStrings::~CLangStrings() { delete[] m_data; }

bool CLangStrings::LoadFile(const char* path) {
  if (!path) return false;
  ScopedHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  DWORD high = 0;
  DWORD size = GetFileSize(file.Get(), &high);
  if (size == INVALID_FILE_SIZE || high != 0 || size == 0) return false;
  uint8_t* image = new (std::nothrow) uint8_t[size];
  if (!image) return false;
  DWORD got = 0;
  // One read of the whole file; a short read is refused like a damaged file.
  if (!ReadFile(file.Get(), image, size, &got, nullptr) || got != size || !Attach(image, size)) {
    delete[] image;
    return false;
  }
  if (m_choice == Choice::Update)
    ChooseLanguage(SystemLangId());
  else
    MatchLanguage(SystemLangId());
  return true;
}

bool CLangStrings::Attach(uint8_t* image, size_t size) {
  if (!image || !StrFileView(image, size).IsValid()) return false;
  if (m_data != image) delete[] m_data;
  m_data = image;
  m_size = size;
  m_selected = 0;
  m_table = 0;
  SelectLanguage(0);
  return true;
}

uint16_t CLangStrings::GetLanguageCount() const { return StrFileView(m_data, m_size).LanguageCount(); }

uint32_t CLangStrings::GetEntryOffset(unsigned i) const { return StrFileView(m_data, m_size).EntryOffset(i); }

uint16_t CLangStrings::GetCodePage(unsigned i) const { return StrFileView(m_data, m_size).CodePage(i); }

uint16_t CLangStrings::GetLangId(unsigned i) const { return StrFileView(m_data, m_size).LangId(i); }

bool CLangStrings::SelectLanguage(unsigned i) {
  StrFileView view(m_data, m_size);
  if (view.EntryOffset(i) == 0) return false;
  m_selected = i;
  m_table = view.TableOffset(i);
  return true;
}

void CLangStrings::ChooseLanguage(uint16_t systemLangId) {
  if (m_data) SelectLanguage(ChooseLanguageIndex(StrFileView(m_data, m_size), systemLangId));
}

void CLangStrings::MatchLanguage(uint16_t systemLangId) {
  if (!m_data) return;
  StrFileView view(m_data, m_size);
  unsigned i = MatchLanguageIndex(view, systemLangId);
  // Without a match the selection made by Attach stays.
  uint16_t wanted = systemLangId == 3076 ? 1028 : systemLangId == 4100 ? 2052 : systemLangId;
  if (view.LangId(i) == wanted) SelectLanguage(i);
}

const char* CLangStrings::GetString(int n) const {
  if (!m_data || m_table == 0 || n < 0 || n >= LS_COUNT) return "";
  // The image was validated at Attach: every element of the table points at a terminated string.
  const uint8_t* element = m_data + m_table + size_t(n) * 4;
  uint32_t at = ReadLe32(element);
  return reinterpret_cast<const char*>(m_data + at);
}

uint16_t CLangStrings::SystemLangId() { return GetSystemDefaultLangID(); }
