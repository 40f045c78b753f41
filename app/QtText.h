#pragma once
// The core keeps Windows-1251 bytes; the windows show QString.

#include <QString>
#include <string>

namespace tallyvox::app {

// Every Windows-1251 byte has its character.
QString ToQString(const std::string& cp1251);
// A character outside the code page becomes '?'.
std::string ToCp1251(const QString& text);

} // namespace tallyvox::app
