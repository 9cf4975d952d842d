#include "scheduling/pairing.h"

#include <gtest/gtest.h>

namespace liga::scheduling {
namespace {
TEST(PairingTest, Placeholder) {
  EXPECT_EQ(PairingTableSize(4), 6);
}
}  // namespace
}  // namespace liga::scheduling
