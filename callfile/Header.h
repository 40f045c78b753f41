#pragma once
// The two header lines that open a read in the call-accounting file.

#include <string>

#include "exchange/Clock.h"
#include "exchange/LowLevel.h"

namespace tallyvox::callfile {

// "       Данные на  DD-MM-YYYY hh:mm:ss " in Windows-1251.
std::string HeaderDateLine(const TCalendarTime& exchangeClock);
// "       Начало         Продолжит   Абонент      СЛ     Номер" in Windows-1251.
std::string HeaderTitleLine();

// Sets HeaderDateLine and HeaderTitleLine of lowLevel from the status just read.
void BuildHeader(TLowLevel& lowLevel, const TStatus& status);

} // namespace tallyvox::callfile
