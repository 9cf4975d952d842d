// Pictures for printed reports and exports: JPEG through libjpeg-turbo, any other format
// through a loader the front end installs (the desktop program uses Qt's image readers).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "reports/surface.h"

namespace liga::reports {

// True when the path ends in ".JPG" or ".JPEG" (any case).
bool IsJpegPath(const std::string& path);

// Decodes a JPEG file to RGB; nullopt when the file cannot be read or is no JPEG.
std::optional<Picture> DecodeJpegFile(const std::string& path);
std::optional<Picture> DecodeJpeg(const std::vector<std::uint8_t>& bytes);
// The size of a JPEG without decoding it (for embedding its bytes as they are).
bool JpegSize(const std::vector<std::uint8_t>& bytes, int& width, int& height);
// Encodes RGB as a baseline JPEG of `quality` (1..100).
std::vector<std::uint8_t> EncodeJpeg(const Picture& picture, int quality = 90);

using PictureLoader = std::function<std::optional<Picture>(const std::string& path)>;
// The loader for files that are not JPEG; none is installed by default.
void SetPictureLoader(PictureLoader loader);
// JPEG files are decoded here, others go to the installed loader.
std::optional<Picture> LoadPicture(const std::string& path);

}  // namespace liga::reports
