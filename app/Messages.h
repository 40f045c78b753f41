#pragma once
// Every message box of the program goes through here, so that tests can observe
// and answer them instead of blocking on a modal dialog.

#include <QString>
#include <functional>

class QWidget;

namespace tallyvox::app {

// A modal message box with an OK button and no icon.
void ShowMessage(QWidget* parent, const QString& text, const QString& caption);

// The overwrite question: true for OK, false for Cancel.
bool AskOkCancel(QWidget* parent, const QString& text, const QString& caption);

// A test installs a hook that receives each message instead of a dialog; the
// hook's result answers AskOkCancel. An empty hook restores the dialogs.
using TMessageHook = std::function<bool(const QString& text, const QString& caption)>;
void SetMessageHook(TMessageHook hook);

} // namespace tallyvox::app
