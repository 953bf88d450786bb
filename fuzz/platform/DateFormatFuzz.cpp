// Fuzz target: arbitrary lines of a date-pattern file formatted under a
// Japanese locale and under C. A pattern either formats or is refused with
// EDateFormatError; nothing else may happen.
#include "DateTimeFormat.h"
#include "ProfileFile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace verdane::platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    static const QLocale c = QLocale::c();
    const QString pattern = DecodeSettingsText(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const QDateTime& when : {QDateTime(QDate(2001, 3, 5), QTime(14, 7, 9, 250)),
                                  QDateTime(QDate(1868, 1, 1), QTime(0, 0)), QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59))}) {
        for (const QLocale* locale : {&japanese, &c}) {
            try {
                (void)FormatDateTime(pattern, when, *locale);
            } catch (const EDateFormatError&) {
            }
        }
    }
    return 0;
}
