// Message boxes of an automatic run close themselves and go to standard error;
// those of a normal run wait for their answer.

#include <QMessageBox>

#include "tests/app/MainWindowWorld.h"

using tallyvox::testkit::AnswerNextModal;
using tallyvox::testkit::TCapturedStandardError;

namespace {

constexpr std::chrono::milliseconds ShortLifetime(200);

// Closes a box that stayed open far too long, so that a failing test ends.
class TRescueTimer {
public:
    TRescueTimer() {
        Timer.setSingleShot(true);
        QObject::connect(&Timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                Fired = true;
                box->done(QMessageBox::Ok);
            }
        });
        Timer.start(20000);
    }
    bool Fired = false;

private:
    QTimer Timer;
};

} // namespace

class MessagesTest : public QObject {
    Q_OBJECT

private slots:
    void unattendedBoxesCloseThemselvesAndGoToStandardError() {
        tallyvox::app::SetUnattended(true, ShortLifetime);
        const TCapturedStandardError standardError;
        const TRescueTimer rescue;

        tallyvox::app::ShowMessage(nullptr, QStringLiteral("Связь с АТС прервана."),
                                   QStringLiteral("Ошибка!"));
        const bool answer = tallyvox::app::AskOkCancel(nullptr, QStringLiteral("Выйти?"),
                                                       QStringLiteral("Внимание!"));
        tallyvox::app::SetUnattended(false);

        QVERIFY(!rescue.Fired);
        QVERIFY2(!answer, "a question nobody answered counts as Cancel");
        QCOMPARE(standardError.Text(),
                 QStringLiteral("Ошибка!: Связь с АТС прервана.\nВнимание!: Выйти?\n"));
    }

    void attendedBoxesWaitForTheirAnswerAndWriteNothing() {
        const TCapturedStandardError standardError;
        AnswerNextModal<QMessageBox>([&](QMessageBox& box) {
            // Still open well after an unattended box would have closed.
            QTimer::singleShot(ShortLifetime * 3, &box, [&box] { box.done(QMessageBox::Ok); });
        });
        const bool answer = tallyvox::app::AskOkCancel(nullptr, QStringLiteral("Выйти?"),
                                                       QStringLiteral("Внимание!"));
        QVERIFY(answer);
        QVERIFY(standardError.Text().isEmpty());
    }
};

QTEST_MAIN(MessagesTest)
#include "MessagesTest.moc"
