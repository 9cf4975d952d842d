// Structural checker and dump of a file block, reading its files directly (never through an
// open block, so nothing is written or rolled back).
//
// The checker verifies: the data header; the free-record chain (in range, no cycle, its
// length equal to NumberFree, and every record off the chain marked in use); every index
// header; every index tree (keys strictly ascending across pages, item counts within
// ItemsPerPage / 2 .. ItemsPerPage on every page but the root, all leaves at one depth,
// NumKeys equal to the entries found); each index's free-page chain (no cycle, the right
// count) and that every page 1..NumPages is either in the tree or on the free chain.
// A journal holding a sealed, unfinished change is reported too (the next open rolls it
// back).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace liga::storage {

struct CheckResult {
  bool ok = true;
  std::vector<std::string> problems;
  std::string summary;  // one line
  std::int32_t usedRecords = 0;
  std::vector<std::int32_t> keysPerIndex;
};

// `name` is a block name as given to OpenFileBlock (a path without extension).
CheckResult checkBlock(const std::string& name);

// Prints the summary line and then one line per problem; true when consistent.
bool checkFileBlock(const std::string& name, std::ostream& out);

// Prints the headers, the free chains and every index's entries in order. False when the
// files cannot be read.
bool dumpFileBlock(const std::string& name, std::ostream& out);

// One index's entries in order (key bytes, record number), read directly from the files.
// Used by the tests to compare a block with a model. False on any structural problem.
bool readIndexEntries(const std::string& name, int index,
                      std::vector<std::pair<std::string, std::int32_t>>* entries);

// Accepts "NAME", "NAME.DAT", "NAME.IX" or "NAME.DIA" (any case) and returns the block name.
std::string blockNameFromPath(const std::string& path);

}  // namespace liga::storage
