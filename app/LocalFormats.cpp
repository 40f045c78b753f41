#include "app/LocalFormats.h"

#include <QLocale>

namespace tallyvox::app {

QString LongTimeFormat() {
    return QLocale().timeFormat(QLocale::LongFormat).remove(QLatin1Char('t')).trimmed();
}

} // namespace tallyvox::app
