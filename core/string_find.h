// CstringFind: a 64-bucket hash set of UTF-16 strings (the screen-protection list).
// Pure code, free of windows.h.
#pragma once
#include <cstddef>
#include <cstdint>

#include "exchange/exchange_layout.h"

class CstringFind {
 public:
  struct Entry {
    ExWChar* m_pszText;  // owned copy, NUL-terminated (stored right after the entry)
    uint32_t m_uValue;   // value given at insertion
    uint32_t m_uLength;  // length in code units
    Entry* m_pNext;      // next entry in the bucket
  };

  static constexpr uint32_t kBucketCount = 64;

  CstringFind();
  virtual ~CstringFind();
  CstringFind(const CstringFind&) = delete;
  CstringFind& operator=(const CstringFind&) = delete;

  // 1 inserted; 0 when an equal string is present, the text is null or memory ran out.
  int Insert(const ExWChar* text, uint32_t value);
  // Insert for a caller that has already made sure no equal string is present (the list
  // parser de-duplicates in bulk): skips the bucket scan, which the hash makes long for lists
  // of names that differ only in their middle. 1 inserted, 0 when memory ran out.
  int InsertKnownAbsent(const ExWChar* text, size_t length, uint32_t value);
  // 1 present, 0 absent (exact, case-sensitive comparison).
  int Find(const ExWChar* text) const;
  // Frees every entry; the buckets stay allocated.
  void Clear();

  uint32_t Count() const { return m_uCount; }
  uint32_t BucketCount() const { return m_uBucketCount; }
  // Head of a bucket's chain (null when empty or out of range); for inspection.
  const Entry* Bucket(uint32_t index) const;

  // Bucket of a string of `length` units over `buckets` buckets (signed 32-bit arithmetic).
  static int32_t Hash(const ExWChar* text, size_t length, int32_t buckets);

 private:
  const Entry* Lookup(const ExWChar* text, size_t length, int32_t slot) const;

  Entry** m_ppBuckets;  // kBucketCount heads, zeroed at construction (null if that failed)
  uint32_t m_uCount;
  uint32_t m_uBucketCount;
};
