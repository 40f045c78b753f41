#include <QApplication>

#include "app/AboutForm.h"
#include "app/MainForm.h"
#include "app/MainForm_rep.h"
#include "app/OptionsForm.h"
#include "app/RealTimeForm.h"
#include "app/SignalCloser.h"
#include "qtadapters/RuntimeFolder.h"

int main(int argc, char* argv[]) {
    tallyvox::reportcli::UsePrivateRuntimeFolder();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tallyvox 2.16 BETA 6"));
    tallyvox::app::TMainForm mainForm;
    auto* optionsForm = new tallyvox::app::TOptionsForm(&mainForm);
    auto* aboutForm = new tallyvox::app::TAboutForm(&mainForm);
    mainForm.SetDialogs(optionsForm, aboutForm);
    auto* reportForm = new tallyvox::app::TMainForm_rep(&mainForm);
    reportForm->SetAboutForm(aboutForm);
    mainForm.SetReportForm(reportForm);
    mainForm.SetRealTimeForm(new tallyvox::app::TRealTimeForm(&mainForm));
    const tallyvox::app::TSignalCloser signalCloser([&mainForm] { mainForm.CloseOnSignal(); });
    mainForm.show();
    const int status = QApplication::exec();
    return status != 0 ? status : mainForm.ExitStatus();
}
