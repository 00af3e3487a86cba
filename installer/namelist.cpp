#include "namelist.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

int NameList::Add(const char* name) {
  if (!name) return 0;
  size_t length = strlen(name);
  Node* node = static_cast<Node*>(malloc(offsetof(Node, name) + length + 1));
  if (!node) return 0;
  node->next = nullptr;
  memcpy(node->name, name, length + 1);
  if (m_tail)
    m_tail->next = node;
  else
    m_head = node;
  m_tail = node;
  return 1;
}

int NameList::Count() const {
  int count = 0;
  for (const Node* node = m_head; node; node = node->next) ++count;
  return count;
}

const char* NameList::At(int position) const {
  if (position < 0) return nullptr;
  const Node* node = m_head;
  while (node && position-- > 0) node = node->next;
  return node ? node->name : nullptr;
}

void NameList::Clear() {
  Node* node = m_head;
  while (node) {
    Node* next = node->next;
    free(node);
    node = next;
  }
  m_head = m_tail = nullptr;
}
