#include "common/clock.h"

#include <chrono>

namespace liga {

std::time_t SystemClock::now() const {
  return std::time(nullptr);
}

std::int64_t SystemClock::milliseconds() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

const SystemClock& SystemClock::instance() {
  static const SystemClock clock;
  return clock;
}

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

std::tm LocalFields(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}

namespace {

std::string formatFields(const std::tm& tm, const char* pattern) {
  char buf[64];
  return std::strftime(buf, sizeof buf, pattern, &tm) > 0 ? std::string(buf) : std::string();
}

}  // namespace

std::string FormatLocalTime(std::time_t t, const char* pattern) {
  return formatFields(LocalFields(t), pattern);
}

std::string FormatUtcTime(std::time_t t, const char* pattern) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  return formatFields(tm, pattern);
}

}  // namespace liga
