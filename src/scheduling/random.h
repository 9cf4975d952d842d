// The pseudo-random generator of a scheduling run.
//
// The run draws from it to order the match sequence (which class takes which turn) and
// reseeds it before each draw of a class permutation. A run started from the program
// reseeds from the clock, so two runs on the same data differ; a run with an explicit
// seed ignores the reseeds and is reproducible on every platform (the generator and the
// mapping to a range are our own: the standard library's distributions differ between
// implementations).
#pragma once

#include <cstdint>

namespace liga::scheduling {

class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // Uniform in 0..bound-1. REQUIRES: bound >= 1.
  virtual std::uint32_t below(std::uint32_t bound) = 0;
  // The run asks for a fresh seed here; sources with a fixed seed keep their stream.
  virtual void reseed() {}
};

// PCG32 (XSH RR output, 64-bit state) with an unbiased mapping to a range.
class Pcg32 {
 public:
  explicit Pcg32(std::uint64_t seed) { seed64(seed); }
  void seed64(std::uint64_t seed);
  std::uint32_t next();
  std::uint32_t below(std::uint32_t bound);

 private:
  std::uint64_t m_state = 0;
};

// A reproducible source: the stream is fixed by the seed; reseed() does nothing.
class SeededRandom : public RandomSource {
 public:
  explicit SeededRandom(std::uint64_t seed) : m_gen(seed) {}
  std::uint32_t below(std::uint32_t bound) override { return m_gen.below(bound); }

 private:
  Pcg32 m_gen;
};

// The program's source: seeded from the clock at construction and at every reseed().
class ClockRandom : public RandomSource {
 public:
  ClockRandom();
  std::uint32_t below(std::uint32_t bound) override { return m_gen.below(bound); }
  void reseed() override;

 private:
  Pcg32 m_gen;
  std::uint64_t m_reseeds = 0;
};

}  // namespace liga::scheduling
