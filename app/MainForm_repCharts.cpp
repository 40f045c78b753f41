// The report window's "Графики": the charts window, fed with the calls the
// window shows whenever they change.

#include <QAction>
#include <QMenuBar>

#include "app/ChartsView.h"
#include "app/MainForm_rep.h"
#include "app/ReportGridModels.h"
#include "ui_MainForm_rep.h"

namespace tallyvox::app {

void TMainForm_rep::SetUpCharts() {
    Charts = new TChartsView(this);
    auto* action = new QAction(QStringLiteral("Графики"), this);
    action->setObjectName(QStringLiteral("ChartsMenuItem"));
    Form->MainMenu1->insertAction(Form->HelpMenu->menuAction(), action);
    connect(action, &QAction::triggered, this, [this] {
        Charts->show();
        Charts->raise();
        Charts->activateWindow();
    });
}

void TMainForm_rep::UpdateCharts() {
    Charts->SetInput({{Report->Calls.begin(), Report->Calls.end()}, {}, {}});
}

TChartsView* TMainForm_rep::ChartsWindow() const {
    return Charts;
}

} // namespace tallyvox::app
