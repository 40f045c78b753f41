#include "app/Messages.h"

#include <QMessageBox>

namespace tallyvox::app {
namespace {

TMessageHook& Hook() {
    static TMessageHook hook;
    return hook;
}

} // namespace

void ShowMessage(QWidget* parent, const QString& text, const QString& caption) {
    if (Hook()) {
        Hook()(text, caption);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

bool AskOkCancel(QWidget* parent, const QString& text, const QString& caption) {
    if (Hook()) {
        return Hook()(text, caption);
    }
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                    parent);
    return box.exec() == QMessageBox::Ok;
}

void SetMessageHook(TMessageHook hook) {
    Hook() = std::move(hook);
}

} // namespace tallyvox::app
