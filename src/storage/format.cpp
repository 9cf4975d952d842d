#include "storage/format.h"

namespace liga::storage {

int checkIndexHeader(const IndexHeader& h, int* keyLen) {
  int m = h.itemsPerPage();
  if (m < 2 || m > kMaxItems) return isam_error::kItemsPerPage;
  if (h.pageSize < 6 || (h.pageSize - 6) % m != 0) return isam_error::kBadIndexHeader;
  int k = (h.pageSize - 6) / m - 9;
  if (k < 1 || k > kMaxKeyLen) return isam_error::kKeyLengthRange;
  if (h.numPages < 0 || h.rootPage < 0 || h.rootPage > h.numPages || h.numKeys < 0 ||
      h.numberFreePages < 0 || h.numberFreePages > h.numPages ||
      (h.firstFreePage != -1 && (h.firstFreePage < 1 || h.firstFreePage > h.numPages)))
    return isam_error::kBadIndexHeader;
  *keyLen = k;
  return 0;
}

int checkDataHeader(const DataHeader& h) {
  if (h.numberOfKeys < 0 || h.numberOfKeys > kMaxIndexes) return isam_error::kBadDataFile;
  if (h.lenRec < kDataHeaderSize || h.lenRec > kMaxRecordLength) return isam_error::kBadDataFile;
  if (h.numRec < 0 || h.numRec == INT32_MAX || h.numberFree < 0 || h.numberFree > h.numRec)
    return isam_error::kBadDataFile;
  if (h.firstFree != -1 && (h.firstFree < 1 || h.firstFree > h.numRec))
    return isam_error::kBadDataFile;
  return 0;
}

std::string withExtension(const std::string& base, const std::string& ext) {
  std::size_t slash = base.rfind('/');
  std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  std::size_t dot = base.rfind('.');
  if (dot != std::string::npos && dot >= start) return base.substr(0, dot + 1) + ext;
  return base + "." + ext;
}

void splitBlockName(const std::string& name, std::string* dataBase, std::string* indexBase) {
  std::size_t semi = name.find(';');
  if (semi == std::string::npos) {
    *dataBase = name;
    *indexBase = name;
  } else {
    *dataBase = name.substr(0, semi);
    *indexBase = name.substr(semi + 1);
  }
}

std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t n) {
  static const auto table = [] {
    struct T {
      std::uint32_t v[256];
    } t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t.v[i] = c;
    }
    return t;
  }();
  const auto* p = static_cast<const std::uint8_t*>(data);
  crc = ~crc;
  for (std::size_t i = 0; i < n; ++i) crc = table.v[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

}  // namespace liga::storage
