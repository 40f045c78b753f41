#pragma once
// Every message box of the program goes through here, so that tests can observe
// and answer them instead of blocking on a modal dialog.

#include <QString>
#include <chrono>
#include <functional>

class QWidget;

namespace tallyvox::app {

// A modal message box with an OK button and no icon.
void ShowMessage(QWidget* parent, const QString& text, const QString& caption);

// A question with OK and Cancel: true for OK, false for Cancel.
bool AskOkCancel(QWidget* parent, const QString& text, const QString& caption);

// A test installs a hook that receives each message instead of a dialog; the
// hook's result answers AskOkCancel. An empty hook restores the dialogs.
using TMessageHook = std::function<bool(const QString& text, const QString& caption)>;
void SetMessageHook(TMessageHook hook);

// An automatic run may have nobody in front of the screen. While unattended,
// every message also goes to standard error, and a box closes itself after
// closeAfter (a question closed that way counts as Cancel).
inline constexpr std::chrono::milliseconds UnattendedBoxLifetime = std::chrono::seconds(60);
void SetUnattended(bool unattended, std::chrono::milliseconds closeAfter = UnattendedBoxLifetime);
bool Unattended();

// One line on standard error, in UTF-8.
void WriteToStandardError(const QString& line);

} // namespace tallyvox::app
