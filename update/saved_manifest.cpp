#include "saved_manifest.h"

#include "file_write.h"
#include "profile_text.h"

std::string SavedManifestText(const char* text, uint32_t length) {
  ProfileText profile(std::string(text, length));
  return profile.WithoutKeysOfListedSections({"SIZE", "ZSIZE", "ZSUM"});
}

int SaveServerManifest(const char* path, const void* text, uint32_t length, uint32_t limit) {
  std::string saved;
  try {
    saved = SavedManifestText(static_cast<const char*>(text), length);
  } catch (...) {
    return 0;  // no memory for the copy
  }
  return WriteNewFile(path, saved.data(), uint32_t(saved.size()), limit);
}
