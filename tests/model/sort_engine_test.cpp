#include "model/sort_engine.h"

#include <gtest/gtest.h>

#include "common/recording_ui.h"

namespace liga {
namespace {

class SortEngineTest : public ::testing::Test {
 protected:
  void TearDown() override {
    while (ActiveSorts() > 0) EndSort();
  }
  RecordingUi m_ui;
  ScopedUi m_scoped{m_ui};
};

TEST_F(SortEngineTest, AscendingUnsignedBytesPrefixFirst) {
  ASSERT_TRUE(BeginSort(6));
  const SortItem items[] = {{1, "AB"}, {2, "\x99\x99\x99"}, {3, "A"}, {4, "ABC"},
                            {5, "Z"},  {6, "\xC5"}};
  for (const auto& i : items) AddSortItem(i);
  DoSort();
  std::vector<int> order;
  for (int i = 0; i < 6; ++i) order.push_back(NextSortItem().value);
  EXPECT_EQ(order, (std::vector<int>{3, 1, 4, 5, 2, 6}));
  EXPECT_EQ(NextSortItem(), SortItem{});  // after the last: an empty item
  EndSort();
  EXPECT_EQ(ActiveSorts(), 0);
}

TEST_F(SortEngineTest, EqualKeysKeepInsertionOrderAndExtraItemsAreIgnored) {
  ASSERT_TRUE(BeginSort(4));
  for (int v : {10, 11, 12, 13, 14}) AddSortItem({v, v == 12 ? "A" : "B"});
  DoSort();
  std::vector<int> order;
  for (SortItem i = NextSortItem(); i.value != 0; i = NextSortItem()) order.push_back(i.value);
  EXPECT_EQ(order, (std::vector<int>{12, 10, 11, 13}));
  EndSort();
}

TEST_F(SortEngineTest, KeysAreCutToFortyBytes) {
  ASSERT_TRUE(BeginSort(1));
  AddSortItem({1, std::string(50, 'K')});
  DoSort();
  EXPECT_EQ(NextSortItem().key.size(), 40u);
  EndSort();
}

TEST_F(SortEngineTest, Limits) {
  EXPECT_FALSE(BeginSort(8193));
  EXPECT_EQ(ActiveSorts(), 0);
  EXPECT_EQ(m_ui.lastText(), "Antal element f\xF6r stort! Max: 8192");
  EXPECT_EQ(m_ui.shown.back().kind, MessageKind::Error);

  for (int i = 0; i < 5; ++i) ASSERT_TRUE(BeginSort(8192));
  EXPECT_FALSE(BeginSort(1));
  EXPECT_EQ(m_ui.lastText(),
            "F\xF6r m\xE5nga olika sorteringar p\xE5g\xE5"
            "ende under samma tid. Max: 5");
  EXPECT_EQ(ActiveSorts(), 5);  // a refused sort leaves the others alone
}

TEST_F(SortEngineTest, NestedLevelsAreIndependent) {
  ASSERT_TRUE(BeginSort(2));
  AddSortItem({1, "B"});
  AddSortItem({2, "A"});
  ASSERT_TRUE(BeginSort(1));
  AddSortItem({3, "C"});
  DoSort();
  EXPECT_EQ(NextSortItem().value, 3);
  EndSort();
  DoSort();
  EXPECT_EQ(NextSortItem().value, 2);
  EXPECT_EQ(NextSortItem().value, 1);
  EndSort();
}

}  // namespace
}  // namespace liga
