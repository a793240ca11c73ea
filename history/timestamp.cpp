#include "history/timestamp.h"

#include <cstdio>

namespace warden::history {
namespace {

constexpr std::int64_t kMsPerDay = 86400000;

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar, and
// back (H. Hinnant's algorithms; no time zone tables involved).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t* y, unsigned* m, unsigned* d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = doy - (153 * mp + 2) / 5 + 1;
  *m = mp < 10 ? mp + 3 : mp - 9;
  *y = static_cast<std::int64_t>(yoe) + era * 400 + (*m <= 2);
}

// Reads exactly `digits` decimal digits at `*at`.
bool Digits(std::string_view text, std::size_t* at, int digits, int* value) {
  *value = 0;
  for (int i = 0; i < digits; ++i, ++*at) {
    if (*at >= text.size() || text[*at] < '0' || text[*at] > '9') return false;
    *value = *value * 10 + (text[*at] - '0');
  }
  return true;
}

bool Char(std::string_view text, std::size_t* at, char c) {
  if (*at >= text.size() || text[*at] != c) return false;
  ++*at;
  return true;
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// "YYYY-MM-DD" as days since 1970, checked against the calendar.
std::optional<std::int64_t> ReadDate(std::string_view text, std::size_t* at) {
  int y = 0, m = 0, d = 0;
  if (!Digits(text, at, 4, &y) || !Char(text, at, '-') || !Digits(text, at, 2, &m) ||
      !Char(text, at, '-') || !Digits(text, at, 2, &d) || m < 1 || m > 12 || d < 1) {
    return std::nullopt;
  }
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (d > kDays[m - 1] + (m == 2 && IsLeapYear(y) ? 1 : 0)) return std::nullopt;
  return DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d));
}

// "HH:MM", then ":SS" and ".mmm" where `full` asks for them or they follow.
std::optional<std::int64_t> ReadTime(std::string_view text, std::size_t* at, bool full) {
  int h = 0, min = 0, s = 0, ms = 0;
  if (!Digits(text, at, 2, &h) || !Char(text, at, ':') || !Digits(text, at, 2, &min) || h > 23 ||
      min > 59) {
    return std::nullopt;
  }
  const bool seconds = full || (*at < text.size() && text[*at] == ':');
  if (seconds && (!Char(text, at, ':') || !Digits(text, at, 2, &s) || s > 59)) return std::nullopt;
  const bool millis = full || (seconds && *at < text.size() && text[*at] == '.');
  if (millis && (!Char(text, at, '.') || !Digits(text, at, 3, &ms))) return std::nullopt;
  return ((h * 60 + min) * 60 + s) * 1000LL + ms;
}

}  // namespace

std::string FormatUtc(std::int64_t utc_ms) {
  std::int64_t days = utc_ms / kMsPerDay, ms = utc_ms % kMsPerDay;
  if (ms < 0) ms += kMsPerDay, --days;
  std::int64_t y = 0;
  unsigned m = 0, d = 0;
  CivilFromDays(days, &y, &m, &d);
  char text[40];
  std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02d:%02d:%02d.%03dZ",
                static_cast<long long>(y), m, d, static_cast<int>(ms / 3600000),
                static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60),
                static_cast<int>(ms % 1000));
  return text;
}

std::string FormatOffset(std::int32_t offset_min) {
  const std::int32_t magnitude = offset_min < 0 ? -offset_min : offset_min;
  char text[16];
  std::snprintf(text, sizeof text, "%c%02d:%02d", offset_min < 0 ? '-' : '+',
                static_cast<int>(magnitude / 60 % 100), static_cast<int>(magnitude % 60));
  return text;
}

std::optional<std::int64_t> ParseUtc(std::string_view text) {
  std::size_t at = 0;
  const auto days = ReadDate(text, &at);
  if (!days || !Char(text, &at, 'T')) return std::nullopt;
  const auto time = ReadTime(text, &at, true);
  if (!time || !Char(text, &at, 'Z') || at != text.size()) return std::nullopt;
  return *days * kMsPerDay + *time;
}

std::optional<std::int32_t> ParseOffset(std::string_view text) {
  std::size_t at = 1;
  int h = 0, m = 0;
  if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || !Digits(text, &at, 2, &h) ||
      !Char(text, &at, ':') || !Digits(text, &at, 2, &m) || m > 59) {
    return std::nullopt;
  }
  return (text[0] == '-' ? -1 : 1) * (h * 60 + m);
}

std::optional<TimeBound> ParseTimeBound(std::string_view text) {
  std::size_t at = 0;
  const auto days = ReadDate(text, &at);
  if (!days) return std::nullopt;
  if (at == text.size()) return TimeBound{*days * kMsPerDay, true};
  std::optional<std::int64_t> time;
  if (!Char(text, &at, 'T') || !(time = ReadTime(text, &at, false))) return std::nullopt;
  const std::int64_t wall = *days * kMsPerDay + *time;
  if (at == text.size()) return TimeBound{wall, true};
  if (text.substr(at) == "Z") return TimeBound{wall, false};
  const auto offset = ParseOffset(text.substr(at));
  if (!offset) return std::nullopt;
  return TimeBound{wall - *offset * 60000LL, false};
}

}  // namespace warden::history
