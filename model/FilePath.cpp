#include "model/FilePath.h"

#include "text/Cp1251.h"

namespace tallyvox {

std::filesystem::path FilePathOfText(std::string_view cp1251) {
    return std::filesystem::path(text::Cp1251ToUtf16(cp1251));
}

std::string TextOfFilePath(const std::filesystem::path& path) {
    return text::Utf16ToCp1251(path.u16string());
}

} // namespace tallyvox
