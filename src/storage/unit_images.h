// Writing a set of page images into several file blocks as one unit of work.
//
// The window's undo keeps, for every change, the bytes its files held before and after it
// (database/change_images.h). Putting either set back must be as safe as the change itself:
// applyBlockImages journals the bytes each block holds now (with the files' lengths) and
// writes the new bytes in place, under a super-journal when several blocks take part; it
// commits as any unit does (storage/engine.h, rules 4 and 9). A crash at any point leaves every
// block as before the call or as after it; the next open of each block finishes the rollback.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/engine.h"

namespace liga::storage {

// What one block's files are to hold afterwards: the ranges to write (in this order) and
// the lengths the data and index files end with (a longer file is cut, a shorter one grows
// by what the pieces write; pieces must cover any growth).
struct BlockImage {
  std::string name;  // the block's name as openBlock takes it (path without extension)
  struct Piece {
    std::uint8_t file = 0;  // 0 data, 1 index
    std::uint64_t offset = 0;
    std::string bytes;
  };
  std::vector<Piece> pieces;
  std::uint64_t length[2] = {0, 0};
};

// Applies the images as one unit. A block that is open is written through its handle (its
// buffers and headers are read again afterwards); one that is not is opened for the call
// and closed again. A block that is read-only, broken or inside a batch is refused
// (kStillOpen) before anything is written. On a failure every block is put back as it was
// (kBatchRestored), or, when even that fails, left to the journal's rollback at its next open.
Status applyBlockImages(const std::vector<BlockImage>& blocks);

// The path of block `name`'s data or index file as openBlock resolves it.
std::string blockFilePath(const std::string& name, int file);

}  // namespace liga::storage
