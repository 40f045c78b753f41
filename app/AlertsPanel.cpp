#include "app/AlertsPanel.h"

#include <QDateTime>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <iostream>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "alerts/LineJudge.h"
#include "app/ListFont.h"
#include "model/FilePath.h"
#include "exchange/OutConfig.h"

namespace tallyvox::app {
namespace {

// The count is looked at again this often, so that it starts from 0 at midnight.
constexpr int RecountMs = 60'000;

struct TAlert {
    QDateTime At; // when the alert came
    QString Rule;
    QString Line; // the call's line as in the call file
};

class TAlertsPanel : public QLabel, public callfile::TAppendObserver {
public:
    TAlertsPanel(QWidget* parent, std::unique_ptr<alerts::TLineJudge> judge)
        : QLabel(parent), Judge(std::move(judge)) {
        setObjectName(QStringLiteral("AlertsPanel"));
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setCursor(Qt::PointingHandCursor);
        auto* recount = new QTimer(this);
        connect(recount, &QTimer::timeout, this, [this] { ShowCount(); });
        recount->start(RecountMs);
        ShowCount();
    }

    // On the thread that writes the call file (the reader's, or the window's).
    void LineAppended(const std::string&, const std::string& line, std::uintmax_t) override {
        std::vector<TAlert> fired;
        {
            const std::lock_guard lock(JudgeMutex);
            for (const alerts::TLineFiring& firing : Judge->Judge(line)) {
                fired.push_back({QDateTime::currentDateTime(),
                                 QString::fromStdString(Judge->Rules().Rules[firing.Rule].Name),
                                 QString::fromStdString(firing.Line)});
            }
        }
        if (!fired.empty()) {
            QMetaObject::invokeMethod(
                this, [this, fired] { Add(fired); }, Qt::QueuedConnection);
        }
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            ShowList();
        }
        QLabel::mousePressEvent(event);
    }

private:
    void Add(const std::vector<TAlert>& fired) {
        Alerts.insert(Alerts.end(), fired.begin(), fired.end());
        ShowCount();
        if (List) {
            FillList();
        }
    }

    // Keeps only today's alerts, and shows how many there are.
    void ShowCount() {
        const QDate today = QDate::currentDate();
        std::erase_if(Alerts, [&](const TAlert& alert) { return alert.At.date() != today; });
        setText(Caption());
        if (List) {
            List->setWindowTitle(Caption());
        }
    }

    QString Caption() const {
        return QStringLiteral("Тревог сегодня: %1").arg(static_cast<qsizetype>(Alerts.size()));
    }

    // A small window beside the main one that lists today's alerts, latest last.
    void ShowList() {
        if (!List) {
            List = new QDialog(window());
            List->setObjectName(QStringLiteral("AlertsDialog"));
            auto* layout = new QVBoxLayout(List);
            Lines = new QListWidget(List);
            Lines->setObjectName(QStringLiteral("AlertsList"));
            Lines->setFont(ListFont());
            layout->addWidget(Lines);
            List->resize(760, 300);
        }
        ShowCount();
        FillList();
        List->show();
        List->raise();
    }

    void FillList() {
        Lines->clear();
        for (const TAlert& alert : Alerts) {
            Lines->addItem(alert.At.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral("  ") +
                           alert.Rule + QStringLiteral(": ") + alert.Line);
        }
        Lines->scrollToBottom();
    }

    std::mutex JudgeMutex;
    std::unique_ptr<alerts::TLineJudge> Judge;
    std::vector<TAlert> Alerts; // UI thread
    QDialog* List = nullptr;
    QListWidget* Lines = nullptr;
};

std::string Utf8Name(const std::string& cp1251) {
    return FilePathOfText(cp1251).string();
}

} // namespace

TAlertsFollow FollowAlerts(QWidget* statusBar, const std::string& outConfigText,
                           const std::string& callFile) {
    const std::string rules = AlertRulesOf(outConfigText);
    if (rules.empty()) {
        return {};
    }
    const std::string tariffs = TariffTableOf(outConfigText);
    try {
        auto judge = alerts::LoadLineJudge(
            Utf8Name(rules), tariffs.empty() ? std::nullopt : std::optional(Utf8Name(tariffs)),
            "a tariff table (TARIFFS= in TallyvoxOut.cfg)");
        judge->Remember(FilePathOfText(callFile));
        auto* panel = new TAlertsPanel(statusBar, std::move(judge));
        return {panel, panel};
    } catch (const std::exception& error) {
        std::cerr << "tallyvox: ALERTS=: " << error.what() << "\n";
        return {};
    }
}

} // namespace tallyvox::app
