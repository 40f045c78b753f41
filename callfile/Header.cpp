#include "callfile/Header.h"

#include "text/Cp1251.h"
#include "text/Format.h"

namespace tallyvox::callfile {

std::string HeaderDateLine(const TCalendarTime& exchangeClock) {
    using text::TwoDigits;
    return text::Utf8ToCp1251("       Данные на  ") + TwoDigits(exchangeClock.Day) + "-" +
           TwoDigits(exchangeClock.Month) + "-" + TwoDigits(exchangeClock.Year) + " " +
           TwoDigits(exchangeClock.Hour) + ":" + TwoDigits(exchangeClock.Minute) + ":" +
           TwoDigits(exchangeClock.Second) + " ";
}

std::string HeaderTitleLine() {
    return text::Utf8ToCp1251("       Начало         Продолжит   Абонент      СЛ     Номер");
}

void BuildHeader(TReadState& read, const TStatus& status) {
    read.HeaderDateLine = HeaderDateLine(status.ExchangeClock);
    read.HeaderTitleLine = HeaderTitleLine();
}

} // namespace tallyvox::callfile
