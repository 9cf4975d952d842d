#include "scheduling/random.h"

#include <chrono>

namespace liga::scheduling {
namespace {

constexpr std::uint64_t kMultiplier = 6364136223846793005ULL;
constexpr std::uint64_t kIncrement = 1442695040888963407ULL;

std::uint64_t clockSeed() {
  auto wall = std::chrono::system_clock::now().time_since_epoch().count();
  auto mono = std::chrono::steady_clock::now().time_since_epoch().count();
  return static_cast<std::uint64_t>(wall) ^ (static_cast<std::uint64_t>(mono) << 17);
}

}  // namespace

void Pcg32::seed64(std::uint64_t seed) {
  m_state = 0;
  next();
  m_state += seed;
  next();
}

std::uint32_t Pcg32::next() {
  std::uint64_t old = m_state;
  m_state = old * kMultiplier + kIncrement;
  auto xorshifted = static_cast<std::uint32_t>(((old >> 18u) ^ old) >> 27u);
  auto rot = static_cast<std::uint32_t>(old >> 59u);
  return (xorshifted >> rot) | (xorshifted << ((32u - rot) & 31u));
}

std::uint32_t Pcg32::below(std::uint32_t bound) {
  if (bound <= 1) return 0;
  // Values below `threshold` would make the low residues more likely; skip them.
  std::uint32_t threshold = (0u - bound) % bound;
  for (;;) {
    std::uint32_t r = next();
    if (r >= threshold) return r % bound;
  }
}

ClockRandom::ClockRandom() : m_gen(clockSeed()) {}

void ClockRandom::reseed() {
  // Two reseeds within one clock tick must still give different streams.
  m_gen.seed64(clockSeed() + 0x9E3779B97F4A7C15ULL * ++m_reseeds);
}

}  // namespace liga::scheduling
