#pragma once
// The options dialog: the serial port and whether the call-accounting file gets
// a header. OK switches the port at once, reconnects and saves both choices to
// the settings file. Created once, shown modally by the main window, UI thread only.

#include <QDialog>
#include <boost/shared_ptr.hpp>
#include <memory>

namespace Ui {
class TOptionsForm;
}

namespace tallyvox {
class TLowLevel;
}

namespace tallyvox::app {

class TExchangeConnector;

class TOptionsForm : public QDialog {
    Q_OBJECT

public:
    explicit TOptionsForm(QWidget* parent = nullptr);
    ~TOptionsForm() override;

    // The main window's exchange object; set before every showing, never empty
    // while the dialog is shown. The dialog keeps it until it is replaced.
    void SetLowLevel(boost::shared_ptr<TLowLevel> lowLevel);

    // The window that reconnects and refreshes its status after OK; it outlives
    // the dialog. Without one the port is only switched and saved.
    void SetConnector(TExchangeConnector* connector);

    // OK: closes the port, takes the chosen port, reconnects, saves both choices
    // and closes. A port error (ECommError) ends it where it happens and leaves
    // the dialog open: nothing is saved, and one in closing changes nothing.
    void Button2Click();
    // Cancel: closes without applying anything, as closing by the frame does.
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Fills the controls from the exchange object on every showing.
    void FormShow();

    std::unique_ptr<Ui::TOptionsForm> Form;
    boost::shared_ptr<TLowLevel> LowLevel;
    TExchangeConnector* Connector = nullptr;
};

} // namespace tallyvox::app
