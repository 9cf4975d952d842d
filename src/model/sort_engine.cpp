#include "model/sort_engine.h"

#include <algorithm>
#include <vector>

#include "common/encoding.h"
#include "common/messages.h"
#include "common/text.h"

namespace liga {
namespace {

struct SortLevel {
  int expected = 0;
  std::vector<SortItem> items;
  std::size_t cursor = 0;
};

std::vector<SortLevel>& stack() {
  static std::vector<SortLevel> s;
  return s;
}

}  // namespace

bool BeginSort(int expected) {
  auto& s = stack();
  if (static_cast<int>(s.size()) >= kMaxActiveSorts) {
    ShowMessage(401, W("För många olika sorteringar pågående under samma tid. Max:") +
                         FormatInt(kMaxActiveSorts, 2));
    return false;
  }
  if (expected > kMaxSortItems) {
    ShowMessage(401, W("Antal element för stort! Max:") + FormatInt(kMaxSortItems, 5));
    return false;
  }
  // Memory is treated as available; "Minnet räcker inte för sortering" remains for a
  // reservation that really fails.
  SortLevel level;
  level.expected = std::max(expected, 0);
  try {
    level.items.reserve(static_cast<std::size_t>(level.expected));
  } catch (const std::bad_alloc&) {
    ShowMessage(401, W("Minnet räcker inte för sortering"));
    return false;
  }
  s.push_back(std::move(level));
  return true;
}

void AddSortItem(const SortItem& item) {
  auto& s = stack();
  if (s.empty()) return;
  SortLevel& level = s.back();
  if (static_cast<int>(level.items.size()) >= level.expected) return;
  level.items.push_back(item);
  if (level.items.back().key.size() > kMaxSortKey) level.items.back().key.resize(kMaxSortKey);
}

void DoSort() {
  auto& s = stack();
  if (s.empty()) return;
  SortLevel& level = s.back();
  // std::string compares through char_traits<char>, which orders bytes as unsigned char.
  std::stable_sort(level.items.begin(), level.items.end(),
                   [](const SortItem& a, const SortItem& b) { return a.key < b.key; });
  level.cursor = 0;
}

SortItem NextSortItem() {
  auto& s = stack();
  if (s.empty()) return {};
  SortLevel& level = s.back();
  if (level.cursor >= level.items.size()) return {};
  return std::move(level.items[level.cursor++]);
}

void EndSort() {
  auto& s = stack();
  if (!s.empty()) s.pop_back();
}

int ActiveSorts() {
  return static_cast<int>(stack().size());
}

}  // namespace liga
