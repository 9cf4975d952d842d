// Output compared byte for byte with a file kept under tests/; LIGA_UPDATE_GOLDEN=1 writes
// the files anew from what the program produces.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "support/file_io.h"

namespace liga::testing {

// `relative` is the golden file's path below the source tree's tests/ folder.
inline void ExpectGolden(const std::string& relative, const std::string& bytes) {
  const std::filesystem::path golden = std::filesystem::path(LIGA_SOURCE_DIR) / "tests" / relative;
  if (std::getenv("LIGA_UPDATE_GOLDEN")) {
    std::filesystem::create_directories(golden.parent_path());
    WriteFile(golden, bytes);
  }
  const std::string expected = ReadFile(golden);
  ASSERT_FALSE(expected.empty()) << golden;
  EXPECT_TRUE(bytes == expected) << "differs from " << golden << ":\n" << bytes;
}

// A view's title ends with the date and time it was made: replaced by a fixed text.
inline std::string WithoutTitleDates(const std::string& text) {
  std::string out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("LigaWin32: ", 0) == 0 && line.size() >= 19)
      line = line.substr(0, line.size() - 19) + "<datum och tid>";
    out += line + "\n";
  }
  return out;
}

}  // namespace liga::testing
