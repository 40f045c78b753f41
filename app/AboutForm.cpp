#include "app/AboutForm.h"

#include "ui_AboutForm.h"

namespace tallyvox::app {

TAboutForm::TAboutForm(QWidget* parent) : QMainWindow(parent), Form(new Ui::TAboutForm) {
    Form->setupUi(this);
}

TAboutForm::~TAboutForm() = default;

void TAboutForm::ShowAt(const QPoint& topLeft) {
    move(topLeft);
    show();
    raise();
    activateWindow();
}

void TAboutForm::showEvent(QShowEvent* event) {
    Form->RichEdit1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QMainWindow::showEvent(event);
}

} // namespace tallyvox::app
