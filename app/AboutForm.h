#pragma once
// The About window: the supported exchanges, where to send suggestions and
// error reports, and the change history. Created once and reused; not modal.

#include <QMainWindow>
#include <memory>

namespace Ui {
class TAboutForm;
}

namespace tallyvox::app {

class TAboutForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TAboutForm(QWidget* parent = nullptr);
    ~TAboutForm() override;

    // Moves the window's top-left corner to topLeft, shows it without blocking
    // and brings it forward; opening it again while visible just moves it.
    void ShowAt(const QPoint& topLeft);

protected:
    // The text is wrapped from the first showing on; the edit rewraps itself
    // when the window is resized.
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::TAboutForm> Form;
};

} // namespace tallyvox::app
