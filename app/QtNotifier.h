#pragma once
// How the core shows its messages and ends the program when it runs under the windows.

#include <QPointer>
#include <QWidget>
#include <functional>

#include "exchange/Notifier.h"

namespace tallyvox::app {

class TQtNotifier : public TNotifier {
public:
    using TExit = std::function<void(int status)>;
    // Message boxes open over parent (which may go away first). exit ends the
    // process; only a test gives another one, to see what comes before it.
    explicit TQtNotifier(QWidget* parent, TExit exit = {});
    // Any thread: the box is shown on the UI thread while the caller waits.
    void ShowMessage(const std::string& text, const std::string& caption) override;
    // Ends the process with status; the core has already shown why. The window
    // first saves what must not be lost, and may change the status or refuse.
    void Terminate(int status) override;
    using TBeforeTerminate = std::function<bool(int& status)>;
    void SetBeforeTerminate(TBeforeTerminate beforeTerminate);

private:
    QPointer<QWidget> Parent;
    TExit Exit;
    TBeforeTerminate BeforeTerminate;
};

} // namespace tallyvox::app
