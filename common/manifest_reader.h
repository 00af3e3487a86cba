// Strict reader of the server manifest text held in memory (zero-terminated).
// Section headers and key lines stand at the very start of a line; names match without regard to case;
// the first matching section and key win; values end at "\r", "\n" or the zero byte.
#pragma once
#include <cstddef>

class ManifestReader {
 public:
  explicit ManifestReader(const char* text = nullptr) : m_text(text) {}
  void Reset(const char* text) { m_text = text; }

  // Position just after the "]" of the first header "[section]", or nullptr. A name that does not fit
  // the 260-character header buffer with its brackets is never found.
  const char* FindSection(const char* section) const;
  // Position of the value of key in the section that starts at sectionPos, or nullptr.
  const char* FindKey(const char* sectionPos, const char* key) const;
  // Copies at most size - 1 characters of the value into dest and terminates it; dest is empty when
  // the section or the key is missing. size 0 copies nothing.
  void GetValue(const char* section, const char* key, char* dest, size_t size) const;

 private:
  const char* m_text;
};
