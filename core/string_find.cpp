// CstringFind: chained hash set with head insertion.
#include "core/string_find.h"

#include <cstring>
#include <new>

namespace {
size_t UnitLength(const ExWChar* text) {
  size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}
}  // namespace

CstringFind::CstringFind() : m_ppBuckets(nullptr), m_uCount(0), m_uBucketCount(kBucketCount) {
  m_ppBuckets = new (std::nothrow) Entry*[kBucketCount]();
}

CstringFind::~CstringFind() {
  Clear();
  delete[] m_ppBuckets;
}

int32_t CstringFind::Hash(const ExWChar* text, size_t length, int32_t buckets) {
  int32_t h = 0;
  int32_t a = 21415;
  for (size_t i = 0; i < length; ++i) {
    int32_t c = static_cast<int32_t>(static_cast<uint16_t>(text[i]));
    h = (a * h + c) % buckets;
    a = (a * 27183) % (buckets - 1);
  }
  if (h < 0) h += buckets;
  return h;
}

const CstringFind::Entry* CstringFind::Bucket(uint32_t index) const {
  if (!m_ppBuckets || index >= m_uBucketCount) return nullptr;
  return m_ppBuckets[index];
}

const CstringFind::Entry* CstringFind::Lookup(const ExWChar* text, size_t length,
                                              int32_t slot) const {
  for (const Entry* e = m_ppBuckets[slot]; e; e = e->m_pNext) {
    if (e->m_uLength == length && std::memcmp(e->m_pszText, text, length * sizeof(ExWChar)) == 0)
      return e;
  }
  return nullptr;
}

int CstringFind::Find(const ExWChar* text) const {
  if (!text || !m_ppBuckets) return 0;
  size_t length = UnitLength(text);
  return Lookup(text, length, Hash(text, length, static_cast<int32_t>(m_uBucketCount))) ? 1 : 0;
}

int CstringFind::Insert(const ExWChar* text, uint32_t value) {
  if (!text || !m_ppBuckets) return 0;
  size_t length = UnitLength(text);
  if (length > UINT32_MAX - 1) return 0;
  if (Lookup(text, length, Hash(text, length, static_cast<int32_t>(m_uBucketCount)))) return 0;
  return InsertKnownAbsent(text, length, value);
}

int CstringFind::InsertKnownAbsent(const ExWChar* text, size_t length, uint32_t value) {
  if (!text || !m_ppBuckets || length > UINT32_MAX - 1) return 0;
  int32_t slot = Hash(text, length, static_cast<int32_t>(m_uBucketCount));
  // The entry and its copy of the text share one allocation (the list holds thousands).
  void* block = ::operator new(sizeof(Entry) + (length + 1) * sizeof(ExWChar), std::nothrow);
  if (!block) return 0;
  Entry* entry = new (block) Entry();
  entry->m_pszText = reinterpret_cast<ExWChar*>(entry + 1);
  std::memcpy(entry->m_pszText, text, length * sizeof(ExWChar));
  entry->m_pszText[length] = 0;
  entry->m_uValue = value;
  entry->m_uLength = static_cast<uint32_t>(length);
  entry->m_pNext = m_ppBuckets[slot];
  m_ppBuckets[slot] = entry;
  ++m_uCount;
  return 1;
}

void CstringFind::Clear() {
  if (!m_ppBuckets) return;
  for (uint32_t i = 0; i < m_uBucketCount; ++i) {
    Entry* e = m_ppBuckets[i];
    while (e) {
      Entry* next = e->m_pNext;
      e->~Entry();
      ::operator delete(e);
      e = next;
    }
    m_ppBuckets[i] = nullptr;
  }
  m_uCount = 0;
}
