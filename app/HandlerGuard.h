#pragma once
// Exceptions must not cross the Qt event loop: a window command that fails is
// reported in a message box and the program goes on.

#include <functional>

class QWidget;

namespace tallyvox::app {

// Runs handler; an exception that escapes it is shown over parent with the
// application's name as caption, in words a person can act on, never in the
// exception's own (English) text.
void RunHandler(QWidget* parent, const std::function<void()>& handler);

} // namespace tallyvox::app
