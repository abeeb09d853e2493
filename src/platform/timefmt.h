#pragma once
// Local date-times, the packed 32-bit DOS time used for every stored time,
// the "#,##0" number text and the date-time picture formatter.

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace fv {

using DosTime = std::uint32_t;

struct DateTime {
  int year = 0;    // 4-digit
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  int hour = 0;    // 0..23
  int minute = 0;  // 0..59
  int second = 0;  // 0..59
};

// Packs a local date-time; 0 for a year outside 1980..2107 or an invalid
// date.
DosTime PackDosTime(const DateTime& t);

// Unpacks; false (and t untouched) for 0 or a value that is not a valid date.
bool UnpackDosTime(DosTime v, DateTime& t);

// The local clock as a DOS time.
DosTime NowDosTime();

// A file time (seconds since the epoch, UTC) converted to local time and
// packed; 0 when the time is outside the DOS range.
DosTime DosTimeFromUnix(std::time_t t);

// The local clock as a DateTime.
DateTime NowLocal();

// "#,##0": rounded half away from zero, "," between groups of three digits.
std::string FormatNumber(double v);

// Formats a DOS time with a picture (yyyy mm dd aaa hh nn ss g gg ee; every
// other character copied). Picture and result are cp932. 0 or an invalid
// date gives the empty text.
std::string FormatDosTime(std::string_view picture, DosTime v);
std::string FormatDateTime(std::string_view picture, const DateTime& t);

// Day of week 0 = Sunday .. 6 = Saturday; false for an invalid date.
int DayOfWeek(int year, int month, int day);
bool IsValidDate(int year, int month, int day);

}  // namespace fv
