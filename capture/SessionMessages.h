#pragma once
// What a read session tells a person when its passes end early (Windows-1251).

#include <string>

#include "text/Cp1251.h"

namespace tallyvox::capture::messages {

inline std::string LinkBroken() {
    return text::Utf8ToCp1251("Связь с АТС прервана. Считывание остановлено.");
}

inline std::string ReadFailed() {
    return text::Utf8ToCp1251(
        "Считывание остановлено из-за непредвиденной ошибки программы. Считанные строки "
        "сохранены, остальные записи остаются в АТС. Начните считывание снова; если ошибка "
        "повторится, перезапустите программу.");
}

} // namespace tallyvox::capture::messages
