// A small sort engine for report selections: items of a 32-bit value and a key of up to
// 40 bytes, delivered back in ascending key order.
//
// Use, for one sort per nesting level, strictly in this order:
//   BeginSort(expected) -> AddSortItem()* -> DoSort() -> NextSortItem()* -> EndSort().
// Limits (each refusal shows its error box and BeginSort returns false, leaving no level
// behind, so the caller does not call EndSort after a refusal):
//  1. at most 5 sorts are active at the same time;
//  2. at most 8192 items per sort; items beyond the expected count are ignored.
// Keys compare byte by byte as unsigned bytes; a proper prefix sorts first. Items with
// equal keys keep the order in which they were added.
#pragma once

#include <cstdint>
#include <string>

namespace liga {

inline constexpr int kMaxActiveSorts = 5;
inline constexpr int kMaxSortItems = 8192;
inline constexpr std::size_t kMaxSortKey = 40;

struct SortItem {
  std::int32_t value = 0;
  std::string key;  // cut to 40 bytes when added
  bool operator==(const SortItem&) const = default;
};

bool BeginSort(int expected);
void AddSortItem(const SortItem& item);
void DoSort();
// The next item in key order; after the last one an empty item (value 0, empty key).
SortItem NextSortItem();
void EndSort();
int ActiveSorts();

}  // namespace liga
