#pragma once
// The font of the lists of fixed-column lines (the call lines of the main window,
// the real-time lines): bold, monospaced and with Cyrillic letters, so that the
// columns stand under each other.

#include <QFont>

namespace tallyvox::app {

QFont ListFont();

} // namespace tallyvox::app
