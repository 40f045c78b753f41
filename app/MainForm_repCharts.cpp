// The report window's "Графики": the charts window, fed with the calls the
// window shows, their period and their costs whenever any of them changes.

#include <QAction>
#include <QMenuBar>

#include "app/ChartsView.h"
#include "app/MainForm_rep.h"
#include "app/ReportCosts.h"
#include "report/Session.h"
#include "ui_MainForm_rep.h"

namespace tallyvox::app {

void TMainForm_rep::SetUpCharts() {
    Charts = new TChartsView(this);
    auto* action = new QAction(QStringLiteral("Графики"), this);
    action->setObjectName(QStringLiteral("ChartsMenuItem"));
    Form->MainMenu1->insertAction(Form->HelpMenu->menuAction(), action);
    // Every load, period and tariff table ends in this signal.
    connect(this, &TMainForm_rep::PeriodOrTariffsChanged, this, [this] { UpdateCharts(); });
    connect(action, &QAction::triggered, this, [this] {
        Charts->show();
        Charts->raise();
        Charts->activateWindow();
    });
}

void TMainForm_rep::UpdateCharts() {
    // The costs are those of the shown calls, one per call in list order.
    report::TCallCostOf cost;
    if (!Tariffs().Empty()) {
        cost = [this](const report::TExtStr_rep& call) -> std::int64_t {
            const auto index = static_cast<std::size_t>(&call - &Report->Calls()[0]);
            const auto& costs = Report->Costs().Calls;
            return index < costs.size() ? costs[index].Cost : 0;
        };
    }
    Charts->SetInput({{Report->Calls().begin(), Report->Calls().end()}, CurrentPeriod(), cost});
}

TChartsView* TMainForm_rep::ChartsWindow() const {
    return Charts;
}

} // namespace tallyvox::app
