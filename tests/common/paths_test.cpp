#include "common/paths.h"

#include <gtest/gtest.h>

namespace liga {
namespace {

TEST(Paths, NormaliseFolderDropsTrailingSlashesOnly) {
  EXPECT_EQ(NormaliseFolder("/home/a/liga///"), "/home/a/liga");
  EXPECT_EQ(NormaliseFolder("/"), "/");
  EXPECT_EQ(NormaliseFolder("///"), "/");
  EXPECT_EQ(NormaliseFolder("rel/./x/"), "rel/./x");  // kept as given otherwise
  EXPECT_EQ(NormaliseFolder(""), "");
}

}  // namespace
}  // namespace liga
