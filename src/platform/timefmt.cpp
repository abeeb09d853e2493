#include "platform/timefmt.h"

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>

#include "platform/text.h"

namespace fv {

bool IsValidDate(int year, int month, int day) {
  if (month < 1 || month > 12 || day < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int dim = kDays[month - 1];
  if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) dim = 29;
  return day <= dim;
}

int DayOfWeek(int y, int m, int d) {
  // Sakamoto's method, 0 = Sunday.
  static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (m < 3) y -= 1;
  return (y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7;
}

DosTime PackDosTime(const DateTime& t) {
  if (t.year < 1980 || t.year > 2107) return 0;
  if (!IsValidDate(t.year, t.month, t.day)) return 0;
  if (t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59) return 0;
  return (static_cast<DosTime>(t.year - 1980) << 25) | (static_cast<DosTime>(t.month) << 21) |
         (static_cast<DosTime>(t.day) << 16) | (static_cast<DosTime>(t.hour) << 11) |
         (static_cast<DosTime>(t.minute) << 5) | static_cast<DosTime>(t.second / 2);
}

bool UnpackDosTime(DosTime v, DateTime& out) {
  if (v == 0) return false;
  DateTime t;
  t.year = static_cast<int>(v >> 25) + 1980;
  t.month = static_cast<int>((v >> 21) & 0x0F);
  t.day = static_cast<int>((v >> 16) & 0x1F);
  t.hour = static_cast<int>((v >> 11) & 0x1F);
  t.minute = static_cast<int>((v >> 5) & 0x3F);
  t.second = static_cast<int>(v & 0x1F) * 2;
  if (!IsValidDate(t.year, t.month, t.day) || t.hour > 23 || t.minute > 59 || t.second > 59) return false;
  out = t;
  return true;
}

static DateTime FromTm(const std::tm& tm) {
  DateTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec > 59 ? 59 : tm.tm_sec;
  return t;
}

DateTime NowLocal() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return FromTm(tm);
}

DosTime NowDosTime() { return PackDosTime(NowLocal()); }

DosTime DosTimeFromUnix(std::time_t t) {
  std::tm tm{};
  if (!localtime_r(&t, &tm)) return 0;
  return PackDosTime(FromTm(tm));
}

std::string FormatNumber(double v) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
  double r = std::round(v);  // half away from zero
  char buf[400];
  std::string digits;
  if (std::fabs(r) < 1e18) {
    // Exact in 64 bits: the common case, without the floating-point printer.
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, static_cast<unsigned long long>(std::fabs(r)));
    digits.assign(buf, end);
  } else {
    std::snprintf(buf, sizeof buf, "%.0f", std::fabs(r));
    digits = buf;
  }
  std::string out;
  if (r < 0) out.push_back('-');
  std::size_t n = digits.size();
  for (std::size_t i = 0; i < n; ++i) {
    out.push_back(digits[i]);
    std::size_t left = n - 1 - i;
    if (left > 0 && left % 3 == 0) out.push_back(',');
  }
  return out;
}

namespace {

struct Era {
  std::string name;  // cp932, full
  int year_in_era = 0;
};

bool JapaneseEra(const DateTime& t, Era& era) {
  thread_local std::unique_ptr<icu::Calendar> cal;
  thread_local std::unique_ptr<icu::SimpleDateFormat> fmt;
  UErrorCode err = U_ZERO_ERROR;
  if (!cal) {
    icu::Locale loc("ja_JP@calendar=japanese");
    cal.reset(icu::Calendar::createInstance(icu::TimeZone::getGMT()->clone(), loc, err));
    if (U_FAILURE(err)) return false;
    fmt = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString(u"GGGG"), loc, err);
    if (U_FAILURE(err)) return false;
    fmt->adoptCalendar(cal->clone());
  }
  // Days since the epoch of the civil date, so no time zone comes in.
  int y = t.year, m = t.month, d = t.day;
  y -= m <= 2;
  const int era400 = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era400 * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const double days = era400 * 146097.0 + doe - 719468.0;
  const UDate when = (days * 86400.0 + t.hour * 3600.0 + t.minute * 60.0 + t.second) * 1000.0;
  cal->setTime(when, err);
  int year = cal->get(UCAL_YEAR, err);
  if (U_FAILURE(err)) return false;
  icu::UnicodeString name;
  fmt->format(when, name);
  std::string utf8;
  name.toUTF8String(utf8);
  era.name = text::Utf8ToCp932(utf8);
  era.year_in_era = year;
  return true;
}

void Append2(std::string& out, int v) {
  int d = v % 100 < 0 ? 0 : v % 100;
  out.push_back(static_cast<char>('0' + d / 10));
  out.push_back(static_cast<char>('0' + d % 10));
}

}  // namespace

std::string FormatDateTime(std::string_view pic, const DateTime& t) {
  if (!IsValidDate(t.year, t.month, t.day)) return {};
  // 日 月 火 水 木 金 土 in cp932.
  static const char* const kWeek[] = {"\x93\xfa", "\x8c\x8e", "\x89\xce", "\x90\x85",
                                      "\x96\xd8", "\x8b\xe0", "\x93\x79"};
  std::string out;
  Era era;
  bool era_done = false;
  auto need_era = [&]() -> const Era& {
    if (!era_done) {
      era_done = true;
      if (!JapaneseEra(t, era)) era = Era{};
    }
    return era;
  };
  std::size_t i = 0;
  auto starts = [&](std::string_view tok) { return pic.substr(i, tok.size()) == tok; };
  while (i < pic.size()) {
    std::size_t cl = text::CharLen(pic, i);
    if (cl == 2) {
      out.append(pic.substr(i, 2));
      i += 2;
      continue;
    }
    if (starts("yyyy")) {
      char b[16];
      std::snprintf(b, sizeof b, "%04d", t.year);
      out += b;
      i += 4;
    } else if (starts("mm")) {
      Append2(out, t.month);
      i += 2;
    } else if (starts("dd")) {
      Append2(out, t.day);
      i += 2;
    } else if (starts("aaa")) {
      out += kWeek[DayOfWeek(t.year, t.month, t.day)];
      i += 3;
    } else if (starts("hh")) {
      Append2(out, t.hour);
      i += 2;
    } else if (starts("nn")) {
      Append2(out, t.minute);
      i += 2;
    } else if (starts("ss")) {
      Append2(out, t.second);
      i += 2;
    } else if (starts("gg")) {
      out += need_era().name;
      i += 2;
    } else if (starts("g")) {
      const std::string& n = need_era().name;
      if (!n.empty()) out.append(n, 0, text::CharLen(n, 0));
      i += 1;
    } else if (starts("ee")) {
      Append2(out, need_era().year_in_era);
      i += 2;
    } else {
      out.push_back(pic[i]);
      ++i;
    }
  }
  return out;
}

std::string FormatDosTime(std::string_view picture, DosTime v) {
  DateTime t;
  if (!UnpackDosTime(v, t)) return {};
  return FormatDateTime(picture, t);
}

}  // namespace fv
