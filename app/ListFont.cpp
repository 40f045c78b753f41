#include "app/ListFont.h"

namespace tallyvox::app {

// Bold "Courier New"; where it is missing the system puts in a monospaced font of
// the same metrics (Liberation Mono on Debian), so the columns stay under each other.
QFont ListFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setBold(true);
    font.setPixelSize(12);
    return font;
}

} // namespace tallyvox::app
