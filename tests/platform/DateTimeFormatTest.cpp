// Date patterns on a fixed date and time, under a Japanese locale and under C,
// and the Japanese eras at their first days.
#include "DateTimeFormat.h"

#include <gtest/gtest.h>

namespace verdane::platform {
namespace {

const QLocale kJapanese(QLocale::Japanese, QLocale::Japan);
const QLocale kC = QLocale::c();
// Monday 5 March 2001, 14:07:09.250
const QDateTime kWhen(QDate(2001, 3, 5), QTime(14, 7, 9, 250));

struct Case {
    const char* pattern;
    const char* japanese;
    const char* c;
};

class BuiltInPattern : public testing::TestWithParam<Case> {};

TEST_P(BuiltInPattern, FormatsTheFixedDate) {
    const Case& c = GetParam();
    EXPECT_EQ(FormatDateTime(QString::fromUtf8(c.pattern), kWhen, kJapanese), QString::fromUtf8(c.japanese));
    EXPECT_EQ(FormatDateTime(QString::fromUtf8(c.pattern), kWhen, kC), QString::fromUtf8(c.c));
}

INSTANTIATE_TEST_SUITE_P(
    All, BuiltInPattern,
    testing::Values(Case{"(yyyy/mm/dd)", "(2001/03/05)", "(2001/03/05)"},
                    Case{"(yyyy/mm/dd hh:nn:ss)", "(2001/03/05 14:07:09)", "(2001/03/05 14:07:09)"},
                    Case{"yyyy/mm", "2001/03", "2001/03"},
                    Case{"mm/dd(aaa)", "03/05(月)", "03/05(Mon)"},
                    Case{"dd(aaa)", "05(月)", "05(Mon)"},
                    Case{"c", "2001/03/05 14時07分09秒", "5 Mar 2001 14:07:09"},
                    Case{"mm.dd.yyyy", "03.05.2001", "03.05.2001"},
                    Case{"yy/mm/dd", "01/03/05", "01/03/05"},
                    Case{"yyyy/mm/dd", "2001/03/05", "2001/03/05"},
                    Case{"yy/mm/dd (aaa)", "01/03/05 (月)", "01/03/05 (Mon)"},
                    Case{"yy/m/d (aaa)", "01/3/5 (月)", "01/3/5 (Mon)"},
                    Case{"yyyy/mm/dd (aaa)", "2001/03/05 (月)", "2001/03/05 (Mon)"},
                    Case{"yyyy/m/d (aaa)", "2001/3/5 (月)", "2001/3/5 (Mon)"},
                    Case{"yyyy-mm-dd", "2001-03-05", "2001-03-05"},
                    Case{"yyyy\"年\"m\"月\"d\"日\"", "2001年3月5日", "2001年3月5日"},
                    Case{"yyyy\"年\"mm\"月\"dd\"日\"", "2001年03月05日", "2001年03月05日"},
                    Case{"yyyy\"年\"m\"月\"d\"日\" aaaa", "2001年3月5日 月曜日", "2001年3月5日 Monday"},
                    Case{"yyyy\"年\"mm\"月\"dd\"日\" aaaa", "2001年03月05日 月曜日", "2001年03月05日 Monday"},
                    Case{"yy\"年\"m\"月\"d\"日\"", "01年3月5日", "01年3月5日"},
                    Case{"yy\"年\"m\"月\"d\"日\" aaaa", "01年3月5日 月曜日", "01年3月5日 Monday"},
                    Case{"yy\"年\"mm\"月\"dd\"日\"", "01年03月05日", "01年03月05日"},
                    Case{"yy\"年\"mm\"月\"dd\"日\" aaaa", "01年03月05日 月曜日", "01年03月05日 Monday"},
                    Case{"hh:nn", "14:07", "14:07"},
                    Case{"hh:nn:ss", "14:07:09", "14:07:09"},
                    Case{"ampm h:n:s", "午後 2:7:9", "PM 2:7:9"},
                    Case{"ampm hh:nn:ss", "午後 02:07:09", "PM 02:07:09"},
                    Case{"AM/PM h:n:s", "PM 2:7:9", "PM 2:7:9"},
                    Case{"AM/PM hh:nn:ss", "PM 02:07:09", "PM 02:07:09"}));

TEST(FormatDateTime, OtherElements) {
    const struct {
        const char* pattern;
        const char* japanese;
    } cases[] = {
        {"hh:mm", "14:07"},                 // m after an hour is the minute
        {"h \"x\" m", "14 x 7"},            // also with text between
        {"m/d h:m", "3/5 14:7"},
        {"MMM MMMM", "3月 3月"},
        {"ddd dddd", "月 月曜日"},
        {"ddddd", "2001/03/05"},
        {"dddddd", "2001年3月5日月曜日"},
        {"t|tt", "14:07|14時07分09秒"},
        {"z zzz", "250 250"},
        {"h:nn am/pm", "2:07 pm"},          // am/pm after the hour makes it 12-hour
        {"h:nn A/P", "2:07 P"},
        {"h:nn aaa am/pm", "14:07 月 pm"},  // only the first element with "a" counts
        {"h 'am/pm' ampm", "2 am/pm 午後"},  // quoted text does not count
        {"gg e ee g", "平成 13 13 平"},
        {"'it''s' YYYY", "its 2001"},
        {"Q#@", "Q#@"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDateTime(QString::fromUtf8(c.pattern), kWhen, kJapanese), QString::fromUtf8(c.japanese)) << c.pattern;
}

TEST(FormatDateTime, TwelveHourClockAtMidnightAndNoon) {
    const QDateTime midnight(QDate(2001, 3, 5), QTime(0, 5));
    const QDateTime noon(QDate(2001, 3, 5), QTime(12, 0));
    EXPECT_EQ(FormatDateTime("ampm h:nn", midnight, kJapanese), "午前 12:05");
    EXPECT_EQ(FormatDateTime("am/pm h:nn", noon, kC), "pm 12:00");
    EXPECT_EQ(FormatDateTime("c", midnight.addSecs(-5 * 60), kJapanese), "2001/03/05");
}

TEST(FormatDateTime, JapaneseErasChangeOnTheirFirstDays) {
    const struct {
        QDate date;
        const char* text;
    } cases[] = {
        {QDate(1868, 9, 8), "明治 1"},     {QDate(1912, 7, 29), "明治 45"}, {QDate(1912, 7, 30), "大正 1"},
        {QDate(1926, 12, 24), "大正 15"},  {QDate(1926, 12, 25), "昭和 1"}, {QDate(1989, 1, 7), "昭和 64"},
        {QDate(1989, 1, 8), "平成 1"},     {QDate(2019, 4, 30), "平成 31"}, {QDate(2019, 5, 1), "令和 1"},
        {QDate(2026, 1, 1), "令和 8"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDateTime("gg e", QDateTime(c.date, QTime(9, 0)), kJapanese), QString::fromUtf8(c.text)) << c.text;
    EXPECT_EQ(FormatDateTime("ggee", QDateTime(QDate(2019, 4, 30), QTime()), kJapanese), "平成31");
    EXPECT_EQ(FormatDateTime("gg e", QDateTime(QDate(2001, 1, 1), QTime()), kC), "AD 2001");
}

TEST(FormatDateTime, LocaleSeparators) {
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", kWhen, german), "05.03.2001 14:07");
}

TEST(FormatDateTime, BrokenPatternsFail) {
    EXPECT_THROW(FormatDateTime("yyyy\"年", kWhen, kJapanese), EDateFormatError);
    EXPECT_THROW(FormatDateTime(QStringLiteral("c ").repeated(100), kWhen, kJapanese), EDateFormatError);
    EXPECT_THROW(FormatDateTime("yyyy", QDateTime(), kJapanese), EDateFormatError);
}

}  // namespace
}  // namespace verdane::platform
