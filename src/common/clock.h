// The one clock of the program: wall-clock time for dates and file names, and a monotonic
// stopwatch for the elapsed times shown after long operations.
//
// Every part that reads the time takes a `const Clock&` (or holds a pointer that defaults
// to SystemClock::instance()), so tests replace it with a FakeClock and get the same dates,
// names and elapsed times on every run.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace liga {

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since the epoch, as std::time(nullptr).
  virtual std::time_t now() const = 0;
  // A monotonic reading in milliseconds; only differences between two readings mean
  // anything.
  virtual std::int64_t milliseconds() const = 0;
};

class SystemClock final : public Clock {
 public:
  std::time_t now() const override;
  std::int64_t milliseconds() const override;
  // The process-wide instance; it has no state, so sharing it is safe from any thread.
  static const SystemClock& instance();
};

// A clock that stands still until told otherwise: set() and advance() move both the wall
// clock and the stopwatch, so an elapsed time is exactly what the test advanced.
class FakeClock : public Clock {
 public:
  explicit FakeClock(std::time_t now = 0) : m_now(now) {}
  std::time_t now() const override { return m_now; }
  std::int64_t milliseconds() const override { return m_ms; }
  void set(std::time_t now) { m_now = now; }
  void advance(std::int64_t milliseconds) {
    m_ms += milliseconds;
    m_now += static_cast<std::time_t>((m_ms / 1000) - ((m_ms - milliseconds) / 1000));
  }

 private:
  std::time_t m_now;
  std::int64_t m_ms = 0;
};

// The time_t of a local date and time (as the user's time zone reads it); -1 when it does
// not exist. Lets a test name the moment it fixes in the terms the output shows.
std::time_t LocalTime(int year, int month, int day, int hour = 12, int minute = 0, int second = 0);

// The local calendar fields of `t`.
std::tm LocalFields(std::time_t t);

// `t` with a strftime pattern ("%Y-%m-%d %H:%M:%S"), in local time or in UTC.
std::string FormatLocalTime(std::time_t t, const char* pattern);
std::string FormatUtcTime(std::time_t t, const char* pattern);

}  // namespace liga
