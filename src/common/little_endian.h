// The little-endian codec of every binary file of the program: the storage engine's data,
// index and journal files, the competition records and the configuration file's blocks.
// Unaligned, independent of the machine's byte order.
#pragma once

#include <cstdint>

namespace liga {

inline std::int32_t rd32(const void* p) {
  const auto* b = static_cast<const std::uint8_t*>(p);
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
      static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24);
}
inline std::int16_t rd16(const void* p) {
  const auto* b = static_cast<const std::uint8_t*>(p);
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(b[0] | b[1] << 8));
}
inline std::uint64_t rd64(const void* p) {
  const auto* b = static_cast<const std::uint8_t*>(p);
  std::uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = v << 8 | b[i];
  return v;
}
inline void wr32(void* p, std::int32_t v) {
  auto* b = static_cast<std::uint8_t*>(p);
  auto u = static_cast<std::uint32_t>(v);
  b[0] = static_cast<std::uint8_t>(u);
  b[1] = static_cast<std::uint8_t>(u >> 8);
  b[2] = static_cast<std::uint8_t>(u >> 16);
  b[3] = static_cast<std::uint8_t>(u >> 24);
}
inline void wr16(void* p, std::int16_t v) {
  auto* b = static_cast<std::uint8_t*>(p);
  auto u = static_cast<std::uint16_t>(v);
  b[0] = static_cast<std::uint8_t>(u);
  b[1] = static_cast<std::uint8_t>(u >> 8);
}
inline void wr64(void* p, std::uint64_t v) {
  auto* b = static_cast<std::uint8_t*>(p);
  for (int i = 0; i < 8; ++i) b[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace liga
