#include "reports/picture.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace liga::reports {
namespace {

PictureLoader& loader() {
  static PictureLoader l;
  return l;
}

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

void onError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void silence(j_common_ptr, int) {}
void silenceOutput(j_common_ptr) {}

// Reads the header (and the pixels when `decode`) of a JPEG held in memory. libjpeg
// reports errors by calling onError, which jumps back here; no C++ object with a
// destructor lives between setjmp and the jump.
bool readJpeg(const std::vector<std::uint8_t>& bytes, bool decode, Picture& out) {
  if (bytes.size() < 4) return false;
  jpeg_decompress_struct info;
  ErrorManager err;
  info.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = onError;
  err.pub.emit_message = silence;
  err.pub.output_message = silenceOutput;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  out.width = static_cast<int>(info.image_width);
  out.height = static_cast<int>(info.image_height);
  if (decode) {
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    out.rgb.resize(std::size_t(info.output_width) * info.output_height * 3);
    while (info.output_scanline < info.output_height) {
      JSAMPROW row = out.rgb.data() + std::size_t(info.output_scanline) * info.output_width * 3;
      jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
  }
  jpeg_destroy_decompress(&info);
  return true;
}

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return std::nullopt;
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
}

}  // namespace

bool IsJpegPath(const std::string& path) {
  auto ends = [&](std::string_view ext) {
    if (path.size() < ext.size()) return false;
    for (std::size_t i = 0; i < ext.size(); ++i) {
      char c = path[path.size() - ext.size() + i];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      if (c != ext[i]) return false;
    }
    return true;
  };
  return ends(".JPG") || ends(".JPEG");
}

std::optional<Picture> DecodeJpeg(const std::vector<std::uint8_t>& bytes) {
  Picture p;
  if (!readJpeg(bytes, true, p) || !p.valid()) return std::nullopt;
  return p;
}

std::optional<Picture> DecodeJpegFile(const std::string& path) {
  auto bytes = readFile(path);
  if (!bytes) return std::nullopt;
  return DecodeJpeg(*bytes);
}

bool JpegSize(const std::vector<std::uint8_t>& bytes, int& width, int& height) {
  Picture p;
  if (!readJpeg(bytes, false, p)) return false;
  width = p.width;
  height = p.height;
  return width > 0 && height > 0;
}

std::vector<std::uint8_t> EncodeJpeg(const Picture& picture, int quality) {
  if (!picture.valid()) return {};
  jpeg_compress_struct info;
  ErrorManager err;
  info.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = onError;
  err.pub.emit_message = silence;
  err.pub.output_message = silenceOutput;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return {};
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(picture.width);
  info.image_height = static_cast<JDIMENSION>(picture.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(picture.rgb.data() +
                                        std::size_t(info.next_scanline) * picture.width * 3);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<std::uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

void SetPictureLoader(PictureLoader l) {
  loader() = std::move(l);
}

std::optional<Picture> LoadPicture(const std::string& path) {
  if (IsJpegPath(path)) return DecodeJpegFile(path);
  if (loader()) return loader()(path);
  return std::nullopt;
}

}  // namespace liga::reports
