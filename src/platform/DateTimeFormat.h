// Dates and times formatted with the patterns of the date dialog and the time
// menu ("yyyy/mm/dd", "ampm h:n:s", "gg e", ...). Names and formats come from a
// QLocale; the Japanese eras are a table of our own. Used by the date dialog.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <stdexcept>

namespace verdane::platform {

// A pattern that cannot be formatted: a quote left open, or a result too long to
// be a date (more than kMaxFormattedLength characters).
struct EDateFormatError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline constexpr qsizetype kMaxFormattedLength = 1024;

// Formats `when` with `pattern`. Letters are recognised in either case:
//   yyyy yy, m mm (minutes right after an hour element), mmm mmmm, d dd, ddd dddd,
//   ddddd dddddd (the short and long date), aaa aaaa (weekday names), h hh
//   (12-hour when an am/pm element stands before it or is the first element
//   beginning with "a" after it, outside quotes), n nn, s ss, z zzz, t tt,
//   ampm, am/pm, a/p, c, e ee g gg (era year and name), / and : (the locale's
//   separators), "text" and 'text' copied without the quotes; any other
//   character is copied. Throws EDateFormatError.
QString FormatDateTime(const QString& pattern, const QDateTime& when, const QLocale& locale);

}  // namespace verdane::platform
