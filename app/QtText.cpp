#include "app/QtText.h"

#include "text/Cp1251.h"

namespace tallyvox::app {

QString ToQString(const std::string& cp1251) {
    const std::u16string utf16 = text::Cp1251ToUtf16(cp1251);
    return QString::fromUtf16(utf16.data(), static_cast<qsizetype>(utf16.size()));
}

std::string ToCp1251(const QString& text) {
    return text::Utf16ToCp1251(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                   static_cast<std::size_t>(text.size())));
}

} // namespace tallyvox::app
