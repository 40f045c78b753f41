#include "app/Messages.h"

#include <QMessageBox>
#include <QTimer>
#include <iostream>

namespace tallyvox::app {
namespace {

TMessageHook& Hook() {
    static TMessageHook hook;
    return hook;
}

struct TUnattended {
    bool On = false;
    std::chrono::milliseconds CloseAfter = UnattendedBoxLifetime;
};

TUnattended& UnattendedState() {
    static TUnattended state;
    return state;
}

// The box as the user sees it; unattended, it closes itself in time.
bool RunBox(QWidget* parent, const QString& text, const QString& caption,
            QMessageBox::StandardButtons buttons) {
    if (UnattendedState().On) {
        WriteToStandardError(caption + QStringLiteral(": ") + text);
    }
    if (Hook()) {
        return Hook()(text, caption);
    }
    QMessageBox box(QMessageBox::NoIcon, caption, text, buttons, parent);
    if (UnattendedState().On) {
        QTimer::singleShot(UnattendedState().CloseAfter, &box,
                           [&box] { box.done(QMessageBox::Cancel); });
    }
    return box.exec() == QMessageBox::Ok;
}

} // namespace

void ShowMessage(QWidget* parent, const QString& text, const QString& caption) {
    RunBox(parent, text, caption, QMessageBox::Ok);
}

bool AskOkCancel(QWidget* parent, const QString& text, const QString& caption) {
    return RunBox(parent, text, caption, QMessageBox::Ok | QMessageBox::Cancel);
}

void SetMessageHook(TMessageHook hook) {
    Hook() = std::move(hook);
}

void SetUnattended(bool unattended, std::chrono::milliseconds closeAfter) {
    UnattendedState() = {unattended, closeAfter};
}

bool Unattended() {
    return UnattendedState().On;
}

void WriteToStandardError(const QString& line) {
    std::cerr << line.toStdString() << std::endl;
}

} // namespace tallyvox::app
