#pragma once
// The texts that the exchange link shows through the notifier (Windows-1251).

#include <string>

#include "text/Cp1251.h"

namespace tallyvox::messages {

inline std::string SelectionRefused() {
    return text::Utf8ToCp1251("Невозможно установить активную АТС");
}

inline std::string BufferInconsistent() {
    return text::Utf8ToCp1251("Неверная информация в буфере тарификации");
}

inline std::string ErrorCaption() {
    return text::Utf8ToCp1251("Ошибка");
}

} // namespace tallyvox::messages
