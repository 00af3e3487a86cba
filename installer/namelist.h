// NameList: an ordered, singly linked list of names; each element owns a copy of its name.
#pragma once

class NameList {
 public:
  NameList() = default;
  ~NameList() { Clear(); }
  NameList(const NameList&) = delete;
  NameList& operator=(const NameList&) = delete;

  // Appends a copy of name; 0 (and nothing added) when memory runs out. Duplicates are allowed.
  int Add(const char* name);
  int Count() const;
  // Name at the 0-based position, or nullptr past the end (or for a negative position).
  const char* At(int position) const;
  void Clear();

 private:
  struct Node {
    Node* next;
    char name[1];  // allocated to hold the whole name
  };
  Node* m_head = nullptr;
  Node* m_tail = nullptr;
};
