// Fixed-length byte records with typed little-endian accessors.
//
// Every record of the competition files is kept as the exact bytes that are on disk. A
// field is read and written at its byte offset; bytes that no accessor names are never
// touched, so a record read from a file written by another installation is written back
// with those bytes unchanged.
//
// Text fields come in two forms:
//   string[N]  one length byte (0..N) followed by N character bytes (N + 1 bytes). A
//              length byte above N (a damaged record) is read as N. Writing cuts the text
//              to N bytes and leaves the character bytes beyond the new length as they
//              were, as a rewrite of an unchanged record must give the same bytes.
//   char[N]    a NUL-terminated byte string of at most N - 1 characters.
// All texts are byte strings in code page 1252.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "common/little_endian.h"

namespace liga {

template <std::size_t N>
class FixedRecord {
 public:
  static constexpr std::size_t kSize = N;

  FixedRecord() { m_bytes.fill(0); }

  std::uint8_t* data() { return m_bytes.data(); }
  const std::uint8_t* data() const { return m_bytes.data(); }
  static constexpr std::size_t size() { return N; }
  const std::array<std::uint8_t, N>& bytes() const { return m_bytes; }
  void clear() { m_bytes.fill(0); }

  bool operator==(const FixedRecord&) const = default;

  std::uint8_t u8(std::size_t off) const { return m_bytes[off]; }
  void setU8(std::size_t off, std::uint8_t v) { m_bytes[off] = v; }

  std::int16_t i16(std::size_t off) const { return rd16(&m_bytes[off]); }
  void setI16(std::size_t off, int v) { wr16(&m_bytes[off], static_cast<std::int16_t>(v)); }

  std::int32_t i32(std::size_t off) const { return rd32(&m_bytes[off]); }
  void setI32(std::size_t off, std::int32_t v) { wr32(&m_bytes[off], v); }

  // string[cap] at `off` (occupies cap + 1 bytes).
  std::string str(std::size_t off, std::size_t cap) const {
    const std::size_t len = std::min<std::size_t>(m_bytes[off], cap);
    return std::string(reinterpret_cast<const char*>(&m_bytes[off + 1]), len);
  }
  void setStr(std::size_t off, std::size_t cap, std::string_view text) {
    const std::size_t len = std::min(text.size(), cap);
    m_bytes[off] = static_cast<std::uint8_t>(len);
    std::memcpy(&m_bytes[off + 1], text.data(), len);
  }

  // char[size] at `off`: NUL-terminated.
  std::string cstr(std::size_t off, std::size_t size) const {
    const auto* p = reinterpret_cast<const char*>(&m_bytes[off]);
    return std::string(p, strnlen(p, size));
  }
  void setCstr(std::size_t off, std::size_t size, std::string_view text) {
    const std::size_t len = std::min(text.size(), size - 1);
    std::memcpy(&m_bytes[off], text.data(), len);
    std::memset(&m_bytes[off + len], 0, size - len);
  }

  // A sub-record of M bytes copied out of / into this record.
  template <typename Sub>
  Sub sub(std::size_t off) const {
    Sub s;
    std::memcpy(s.data(), &m_bytes[off], Sub::kSize);
    return s;
  }
  template <typename Sub>
  void setSub(std::size_t off, const Sub& s) {
    std::memcpy(&m_bytes[off], s.data(), Sub::kSize);
  }

 private:
  std::array<std::uint8_t, N> m_bytes;
};

}  // namespace liga
