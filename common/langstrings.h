// The language string table of a program: loads "Update.Str", chooses a language and hands out texts.
#pragma once
#include <windows.h>
#include <cstdint>
#include "strfile.h"

class CLangStrings {
 public:
  enum class Choice { Update, Swaplet };  // ChooseLanguage (with code-page fallbacks) or MatchLanguage

  explicit CLangStrings(Choice choice) : m_choice(choice) {}
  ~CLangStrings();
  CLangStrings(const CLangStrings&) = delete;
  CLangStrings& operator=(const CLangStrings&) = delete;

  // Reads the whole file with one read; true when it is a valid string file. A file that fails any
  // check (magic, offsets, tables, strings, format placeholders) is refused like a wrong magic.
  bool LoadFile(const char* path);
  // Takes ownership of a heap image (allocated with new uint8_t[]) of size bytes; false, changing
  // nothing and not taking the image, unless it is a valid string file. Selects entry 0.
  bool Attach(uint8_t* image, size_t size);
  uint16_t GetLanguageCount() const;
  uint32_t GetEntryOffset(unsigned i) const;
  uint16_t GetCodePage(unsigned i) const;
  uint16_t GetLangId(unsigned i) const;
  bool SelectLanguage(unsigned i);
  // Index of the language that is selected now.
  unsigned Selected() const { return m_selected; }
  void ChooseLanguage(uint16_t systemLangId);
  void MatchLanguage(uint16_t systemLangId);
  // Text of string n in the chosen language; "" while nothing is loaded or n is out of range.
  const char* GetString(int n) const;
  bool Loaded() const { return m_data != nullptr; }

  // The system's default language (GetSystemDefaultLangID).
  static uint16_t SystemLangId();

 private:
  Choice m_choice;
  uint8_t* m_data = nullptr;
  size_t m_size = 0;
  unsigned m_selected = 0;
  uint32_t m_table = 0;  // offset of the selected language's string table
};

extern CLangStrings theStrings;  // one per program, defined by the program
