#pragma once
// How the core shows its messages and ends the program when it runs under the windows.

#include <QPointer>
#include <QWidget>

#include "exchange/Notifier.h"

namespace tallyvox::app {

class TQtNotifier : public TNotifier {
public:
    // Message boxes open over parent (which may go away first).
    explicit TQtNotifier(QWidget* parent);
    // Any thread: the box is shown on the UI thread while the caller waits.
    void ShowMessage(const std::string& text, const std::string& caption) override;
    // Ends the process with status; the core has already shown why.
    void Terminate(int status) override;

private:
    QPointer<QWidget> Parent;
};

} // namespace tallyvox::app
