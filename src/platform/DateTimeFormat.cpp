#include "DateTimeFormat.h"

#include <iterator>

namespace verdane::platform {

namespace {

struct JapaneseEra {
    const char16_t* name;
    int year, month, day;  // its first day
};

// The eras from the earliest; dates before the first have no era.
const JapaneseEra kEras[] = {
    {u"明治", 1868, 9, 8},
    {u"大正", 1912, 7, 30},
    {u"昭和", 1926, 12, 25},
    {u"平成", 1989, 1, 8},
    {u"令和", 2019, 5, 1},
};

QChar Upper(QChar c) { return (c >= u'a' && c <= u'z') ? QChar(c.unicode() - 32) : c; }
bool IsAsciiLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

QString Number(int value, int digits) { return QStringLiteral("%1").arg(value, digits, 10, QLatin1Char('0')); }

// The first of `candidates` that occurs in `format`, or `fallback`: the locale's
// separator as its own short format uses it ("yyyy/MM/dd" gives '/').
QChar SeparatorIn(const QString& format, QStringView candidates, QChar fallback) {
    for (QChar c : format)
        if (candidates.contains(c)) return c;
    return fallback;
}

// The locale's long time format without its time-zone element: a date pattern
// speaks of the wall-clock time.
QString LongTimeFormat(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    bool quoted = false;
    QString out;
    for (QChar c : format) {
        if (c == u'\'') quoted = !quoted;
        if (!quoted && c == u't') continue;
        out += c;
    }
    return out.trimmed();
}

bool StartsWithNoCase(QStringView text, qsizetype at, QLatin1StringView what) {
    return text.mid(at, what.size()).compare(what, Qt::CaseInsensitive) == 0;
}

struct EraDate {
    QString name;
    int year = 0;
};

EraDate EraOf(const QDate& date, const QLocale& locale) {
    if (locale.language() == QLocale::Japanese) {
        for (auto e = std::rbegin(kEras); e != std::rend(kEras); ++e) {
            if (date >= QDate(e->year, e->month, e->day))
                return {QString::fromUtf16(e->name), date.year() - e->year + 1};
        }
        return {QString(), date.year()};
    }
    return {QStringLiteral("AD"), date.year()};
}

class Formatter {
public:
    Formatter(const QString& pattern, const QDateTime& when, const QLocale& locale)
        : p_(pattern), date_(when.date()), time_(when.time()), locale_(locale) {}

    QString Run() {
        while (i_ < p_.size()) {
            Step();
            if (out_.size() > kMaxFormattedLength) throw EDateFormatError("the formatted date is too long");
        }
        return out_;
    }

private:
    int Count(QChar upper) {
        int n = 1;
        while (i_ < p_.size() && Upper(p_[i_]) == upper) {
            ++i_;
            ++n;
        }
        return n;
    }

    // Whether an hour element at the current position is shown on the 12-hour
    // clock: an am/pm element before it did so, or the first element beginning
    // with "a" after it (outside quotes) is one.
    bool TwelveHourAhead() const {
        QChar quote;
        for (qsizetype j = i_; j < p_.size(); ++j) {
            const QChar c = p_[j];
            if (!quote.isNull()) {
                if (c == quote) quote = QChar();
                continue;
            }
            if (c == u'"' || c == u'\'') {
                quote = c;
            } else if (c == u'a' || c == u'A') {
                return StartsWithNoCase(p_, j, QLatin1StringView("am/pm")) || StartsWithNoCase(p_, j, QLatin1StringView("a/p")) ||
                       StartsWithNoCase(p_, j, QLatin1StringView("ampm"));
            } else if (c == u'h' || c == u'H') {
                return false;
            }
        }
        return false;
    }

    void Step() {
        const QChar c = p_[i_++];
        QChar token = Upper(c);
        if (IsAsciiLetter(c)) {
            if (token == u'M' && last_ == u'H') token = u'N';
            last_ = token;
        }
        switch (token.unicode()) {
        case 'Y': {
            const int n = Count(u'Y');
            out_ += n <= 2 ? Number(date_.year() % 100, 2) : Number(date_.year(), 4);
            break;
        }
        case 'G': {
            const int n = Count(u'G');
            const QString name = EraOf(date_, locale_).name;
            out_ += n == 1 && locale_.language() == QLocale::Japanese ? name.left(1) : name;
            break;
        }
        case 'E': {
            const int n = Count(u'E');
            out_ += Number(EraOf(date_, locale_).year, n == 1 ? 1 : 2);
            break;
        }
        case 'M': {
            const int n = Count(u'M');
            if (n <= 2) out_ += Number(date_.month(), n);
            else out_ += locale_.monthName(date_.month(), n == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            break;
        }
        case 'N': {  // also "m" right after an hour
            const int n = std::min(Count(Upper(c)), 2);
            out_ += Number(time_.minute(), n);
            break;
        }
        case 'D': {
            const int n = Count(u'D');
            if (n <= 2) out_ += Number(date_.day(), n);
            else if (n <= 4) out_ += locale_.dayName(date_.dayOfWeek(), n == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            else out_ += locale_.toString(date_, n == 5 ? QLocale::ShortFormat : QLocale::LongFormat);
            break;
        }
        case 'H': {
            const int n = std::min(Count(u'H'), 2);
            if (!twelve_) twelve_ = TwelveHourAhead();
            int hour = time_.hour();
            if (twelve_) hour = hour == 0 ? 12 : (hour > 12 ? hour - 12 : hour);
            out_ += Number(hour, n);
            break;
        }
        case 'S':
            out_ += Number(time_.second(), std::min(Count(u'S'), 2));
            break;
        case 'Z':
            out_ += Number(time_.msec(), std::min(Count(u'Z'), 3));
            break;
        case 'T':
            out_ += Count(u'T') == 1 ? locale_.toString(time_, QLocale::ShortFormat) : locale_.toString(time_, LongTimeFormat(locale_));
            break;
        case 'A':
            AmPmOrWeekday(c);
            break;
        case 'C':
            Count(u'C');
            out_ += locale_.toString(date_, QLocale::ShortFormat);
            if (time_.hour() != 0 || time_.minute() != 0 || time_.second() != 0)
                out_ += u' ' + locale_.toString(time_, LongTimeFormat(locale_));
            break;
        case '/':
            out_ += SeparatorIn(locale_.dateFormat(QLocale::ShortFormat), u"/.-", u'/');
            break;
        case ':':
            out_ += SeparatorIn(locale_.timeFormat(QLocale::ShortFormat), u":.", u':');
            break;
        case '"':
        case '\'': {
            const qsizetype close = p_.indexOf(c, i_);
            if (close < 0) throw EDateFormatError("a quoted text is not closed");
            out_ += QStringView(p_).mid(i_, close - i_);
            i_ = close + 1;
            break;
        }
        default:
            out_ += c;
        }
    }

    // At an "a": am/pm, a/p (letters in the pattern's case), ampm (the locale's
    // designators), aaaa and aaa (weekday names), or a plain "a".
    void AmPmOrWeekday(QChar c) {
        const qsizetype at = i_ - 1;
        const bool afternoon = time_.hour() >= 12;
        if (StartsWithNoCase(p_, at, QLatin1StringView("am/pm"))) {
            out_ += p_.mid(afternoon ? at + 3 : at, 2);
            i_ = at + 5;
            twelve_ = true;
        } else if (StartsWithNoCase(p_, at, QLatin1StringView("a/p"))) {
            out_ += p_[afternoon ? at + 2 : at];
            i_ = at + 3;
            twelve_ = true;
        } else if (StartsWithNoCase(p_, at, QLatin1StringView("ampm"))) {
            out_ += afternoon ? locale_.pmText() : locale_.amText();
            i_ = at + 4;
            twelve_ = true;
        } else if (StartsWithNoCase(p_, at, QLatin1StringView("aaaa"))) {
            out_ += locale_.dayName(date_.dayOfWeek(), QLocale::LongFormat);
            i_ = at + 4;
        } else if (StartsWithNoCase(p_, at, QLatin1StringView("aaa"))) {
            out_ += locale_.dayName(date_.dayOfWeek(), QLocale::ShortFormat);
            i_ = at + 3;
        } else {
            out_ += c;
        }
    }

    const QString& p_;
    qsizetype i_ = 0;
    QDate date_;
    QTime time_;
    const QLocale& locale_;
    QString out_;
    QChar last_;
    bool twelve_ = false;
};

}  // namespace

QString FormatDateTime(const QString& pattern, const QDateTime& when, const QLocale& locale) {
    if (!when.isValid()) throw EDateFormatError("no valid date and time");
    return Formatter(pattern, when, locale).Run();
}

}  // namespace verdane::platform
