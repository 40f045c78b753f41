#pragma once
// The core keeps Windows-1251 bytes; the windows show QString.

#include <QString>
#include <string>

namespace tallyvox::app {

QString ToQString(const std::string& cp1251);
std::string ToCp1251(const QString& text);

} // namespace tallyvox::app
