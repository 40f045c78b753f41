#include "qtadapters/LocaleDate.h"

#include <QLocale>
#include <QString>

#include "text/Cp1251.h"

namespace tallyvox::reportcli {

namespace {

std::string Cp1251(const QString& text) {
    return text::Utf16ToCp1251(text.toStdU16String());
}

report::TDateNames LocaleNames(const QLocale& locale) {
    report::TDateNames names;
    for (int month = 1; month <= 12; ++month) {
        const auto i = static_cast<std::size_t>(month - 1);
        names.ShortMonths[i] = Cp1251(locale.monthName(month, QLocale::ShortFormat));
        names.LongMonths[i] = Cp1251(locale.monthName(month, QLocale::LongFormat));
    }
    for (int day = 1; day <= 7; ++day) {
        const auto i = static_cast<std::size_t>(day - 1); // Monday first
        names.ShortDays[i] = Cp1251(locale.dayName(day, QLocale::ShortFormat));
        names.LongDays[i] = Cp1251(locale.dayName(day, QLocale::LongFormat));
    }
    return names;
}

} // namespace

report::TDateFormat LocaleDateFormat(const QLocale& locale,
                                     const std::optional<std::string>& pattern) {
    const std::string cp1251Pattern =
        pattern ? text::Utf8ToCp1251(*pattern) : Cp1251(locale.dateFormat(QLocale::ShortFormat));
    return report::TDateFormat(cp1251Pattern, LocaleNames(locale));
}

} // namespace tallyvox::reportcli
