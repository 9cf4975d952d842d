// On-disk layouts shared by the engine, the checker and the tests.
//
// All integers are little-endian.
//
// Data file ("DAT"): record n occupies bytes n * LenRec .. n * LenRec + LenRec - 1. Record 0 is
// the file header; its first 21 bytes are:
//   OFFSET SIZE FIELD
//   0      i32  FirstFree     first record of the free chain, -1 = empty
//   4      i32  NumberFree    records on the free chain
//   8      i32  NumRec        highest record number ever allocated
//   12     i32  LenRec        record length, >= 21
//   16     i32  NumberOfKeys  0..100
//   20     u8   InUse         1 while unsaved changes exist (never set in journalled mode)
// and the rest of record 0 is zero. The first 4 bytes of a record in use are 0; a free record
// holds the next free record number there (-1 ends the chain).
//
// Index file ("IX"): index records of IxRecLen = sum of the page sizes of all indexes. Index k
// owns the slot at KeyOffset(k) = sum of the page sizes of indexes 1..k-1 in every index
// record; page p of index k lies at p * IxRecLen + KeyOffset(k). Index record 0 holds the
// 28-byte index headers:
//   0  i32 FirstFreePage  -1 = none      4  i32 NumberFreePages   8  i32 NumPages
//   12 i32 PageSize                      16 i32 RootPage (0 = empty index)
//   20 u8  AllowDuplicates  21 u8 reserved  22 i32 NumKeys  26 i16 ItemsPerPage (0 reads 62)
// A page is: i16 ItemsOnPage, i32 LeftChild (0 on a leaf), then items of KeyL + 9 bytes:
//   i32 DataRef, i32 RightChild, u8 key length, KeyL key bytes.
// PageSize = 6 + ItemsPerPage * (KeyL + 9). Only the first 6 + n * (KeyL + 9) bytes of a page
// are written. A free page holds the next free page number in its first 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "common/isam_error.h"
#include "common/little_endian.h"

namespace liga::storage {

inline constexpr int kDataHeaderSize = 21;
inline constexpr int kIndexHeaderSize = 28;
inline constexpr int kMaxItems = 62;
inline constexpr int kMaxKeyLen = 30;
inline constexpr int kMaxPageSize = 6 + kMaxItems * (kMaxKeyLen + 9);
inline constexpr int kMaxIndexes = 100;
// Records longer than this are refused; it bounds every buffer the engine allocates.
inline constexpr std::int32_t kMaxRecordLength = 64 * 1024 * 1024;

struct DataHeader {
  std::int32_t firstFree = -1;
  std::int32_t numberFree = 0;
  std::int32_t numRec = 0;
  std::int32_t lenRec = 0;
  std::int32_t numberOfKeys = 0;
  std::uint8_t inUse = 0;

  void encode(std::uint8_t* p) const {
    wr32(p, firstFree);
    wr32(p + 4, numberFree);
    wr32(p + 8, numRec);
    wr32(p + 12, lenRec);
    wr32(p + 16, numberOfKeys);
    p[20] = inUse;
  }
  void decode(const std::uint8_t* p) {
    firstFree = rd32(p);
    numberFree = rd32(p + 4);
    numRec = rd32(p + 8);
    lenRec = rd32(p + 12);
    numberOfKeys = rd32(p + 16);
    inUse = p[20];
  }
  bool operator==(const DataHeader&) const = default;
};

struct IndexHeader {
  std::int32_t firstFreePage = -1;
  std::int32_t numberFreePages = 0;
  std::int32_t numPages = 0;
  std::int32_t pageSize = 0;
  std::int32_t rootPage = 0;
  std::uint8_t allowDuplicates = 0;
  std::uint8_t reserved = 0;
  std::int32_t numKeys = 0;
  std::int16_t itemsPerPageStored = kMaxItems;  // as stored; 0 means 62

  int itemsPerPage() const { return itemsPerPageStored == 0 ? kMaxItems : itemsPerPageStored; }

  void encode(std::uint8_t* p) const {
    wr32(p, firstFreePage);
    wr32(p + 4, numberFreePages);
    wr32(p + 8, numPages);
    wr32(p + 12, pageSize);
    wr32(p + 16, rootPage);
    p[20] = allowDuplicates;
    p[21] = reserved;
    wr32(p + 22, numKeys);
    wr16(p + 26, itemsPerPageStored);
  }
  void decode(const std::uint8_t* p) {
    firstFreePage = rd32(p);
    numberFreePages = rd32(p + 4);
    numPages = rd32(p + 8);
    pageSize = rd32(p + 12);
    rootPage = rd32(p + 16);
    allowDuplicates = p[20];
    reserved = p[21];
    numKeys = rd32(p + 22);
    itemsPerPageStored = rd16(p + 26);
  }
  bool operator==(const IndexHeader&) const = default;
};

// Validates an index header read from a file. Returns 0, or kItemsPerPage (ItemsPerPage),
// kBadIndexHeader (page size not whole, or counters out of range), kKeyLengthRange (key length
// outside 1..30). On success `*keyLen` is the derived key length.
int checkIndexHeader(const IndexHeader& h, int* keyLen);

// Validates a data header read from a file: kBadDataFile when NumberOfKeys or any counter is out of
// range. Stricter checks belong to the structural checker.
int checkDataHeader(const DataHeader& h);

// "NAME" -> "NAME.EXT"; a dot in the last path component starts the part that is replaced.
std::string withExtension(const std::string& base, const std::string& ext);
// Splits "data;index" into its two base names (both the same without ';').
void splitBlockName(const std::string& name, std::string* dataBase, std::string* indexBase);

std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t n);

}  // namespace liga::storage
