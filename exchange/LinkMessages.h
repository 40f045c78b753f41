#pragma once
// The texts that the exchange link shows through the notifier (Windows-1251).

#include <string>

#include "exchange/CommBackend.h"
#include "exchange/CommError.h"
#include "exchange/ObjectHeader.h"
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

// A port failure that ended a command, in words a person can act on; the codes
// stay for whoever is asked for help.
inline std::string PortFailed(const ECommError& error) {
    return text::Utf8ToCp1251("Ошибка СОМ-порта (код ") + std::to_string(error.Code) +
           text::Utf8ToCp1251(", системная ошибка ") + std::to_string(error.SystemError) +
           text::Utf8ToCp1251("). Проверьте кабель и питание АТС, затем нажмите ") + "\"" +
           text::Utf8ToCp1251("Обновить") + "\".";
}

// Why a port did not open when another program has it, naming the port, its
// device and, where known, the process that holds it:
// "Порт COM1 (/dev/ttyUSB0) занят другой программой: процесс 1234 (minicom)."
inline std::string PortInUse(const std::string& portName, const TPortHolder& holder) {
    std::string text = text::Utf8ToCp1251("Порт ") + portName;
    if (holder.Device != portName) {
        text += " (" + text::Utf8ToCp1251(holder.Device) + ")";
    }
    text += text::Utf8ToCp1251(" занят другой программой");
    if (holder.ProcessId != 0) {
        text += text::Utf8ToCp1251(": процесс ") + std::to_string(holder.ProcessId);
        if (!holder.ProcessName.empty()) {
            text += " (" + text::Utf8ToCp1251(holder.ProcessName) + ")";
        }
    }
    return text + ".";
}

} // namespace tallyvox::messages
