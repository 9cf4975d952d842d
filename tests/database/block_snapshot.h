// The contents of a data directory as a text, for comparing it before and after a command:
// every record in use of every file block, with the keys of its index in order.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "storage/isam.h"

namespace liga::testing {

// Every record in use of every block of the data directory, with its index keys in order.
// With `replay` the blocks are opened for writing, which first rolls back what an unfinished
// journal holds (the next program to open them does that); without, they are read as they
// are on disk.
inline std::string Snapshot(const std::filesystem::path& data, bool replay = false) {
  std::string out;
  std::vector<std::filesystem::path> dats;
  for (const auto& e : std::filesystem::directory_iterator(data)) {
    if (e.path().extension() == ".DAT") dats.push_back(e.path());
  }
  std::sort(dats.begin(), dats.end());
  for (const auto& dat : dats) {
    const std::string block = (dat.parent_path() / dat.stem()).string();
    FileBlockPtr h = nullptr;
    OpenFileBlock(h, block, !replay);
    out += dat.filename().string() + (IsamOK ? "\n" : " (does not open)\n");
    if (!IsamOK) continue;
    std::string rec(static_cast<std::size_t>(RecordLength(h)), '\0');
    for (std::int32_t r = 1; r < FileLen(h); ++r) {
      GetRec(h, r, rec.data());
      if (IsamOK && rec.compare(0, 4, std::string(4, '\0')) == 0)
        out += std::to_string(r) + ":" + rec + "\n";
    }
    if (dat.stem() != "cupfiles") {
      ClearKey(h, 1);
      std::int32_t r = 0;
      std::string key;
      for (NextKey(h, 1, r, key); IsamOK; NextKey(h, 1, r, key))
        out += "key " + key + " " + std::to_string(r) + "\n";
    }
    CloseFileBlock(h);
  }
  return out;
}

}  // namespace liga::testing
