#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "updater.h"

int UpdateEntryList::Add(const char* name, int index, uint32_t size, uint32_t checksum, uint32_t packedSize) {
  if (!name) return 0;
  size_t nameLength = strlen(name);
  // One block: the fixed fields followed by the name and its zero.
  auto* entry = static_cast<UpdateEntry*>(malloc(offsetof(UpdateEntry, name) + nameLength + 1));
  if (!entry) return 0;
  entry->next = nullptr;
  entry->index = index;
  entry->size = size;
  entry->packedSize = packedSize;
  entry->checksum = checksum;
  memcpy(entry->name, name, nameLength + 1);
  if (m_tail) {
    m_tail->next = entry;
  } else {
    m_head = entry;
  }
  m_tail = entry;
  return 1;
}

const UpdateEntry* UpdateEntryList::At(int i) const {
  const UpdateEntry* entry = m_head;
  for (; entry && i > 0; --i) entry = entry->next;
  return entry;
}

int UpdateEntryList::Count() const {
  int n = 0;
  for (const UpdateEntry* entry = m_head; entry; entry = entry->next) ++n;
  return n;
}

void UpdateEntryList::Clear() {
  while (m_head) {
    UpdateEntry* next = m_head->next;
    free(m_head);
    m_head = next;
  }
  m_tail = nullptr;
}
