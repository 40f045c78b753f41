#pragma once
// The two header lines that open a read in the call-accounting file.

#include <string>

#include "model/Clock.h"
#include "model/ReadState.h"
#include "model/Status.h"

namespace tallyvox::callfile {

// "       Данные на  DD-MM-YYYY hh:mm:ss " in Windows-1251.
std::string HeaderDateLine(const TCalendarTime& exchangeClock);
// "       Начало         Продолжит   Абонент      СЛ     Номер" in Windows-1251.
std::string HeaderTitleLine();

// Sets HeaderDateLine and HeaderTitleLine of read from the status just read.
void BuildHeader(TReadState& read, const TStatus& status);

} // namespace tallyvox::callfile
