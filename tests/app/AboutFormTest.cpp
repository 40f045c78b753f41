// The About window: its caption, size, fixed text and how it opens.

#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>

#include "app/AboutForm.h"

using tallyvox::app::TAboutForm;

namespace {

QPlainTextEdit* Text(TAboutForm& form) {
    return form.findChild<QPlainTextEdit*>("RichEdit1");
}

} // namespace

class AboutFormTest : public QObject {
    Q_OBJECT

private slots:
    void hasItsCaptionSizeAndControls() {
        TAboutForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("О программе"));
        QCOMPARE(form.size(), QSize(638, 253));
        QVERIFY(Text(form) != nullptr);
        QVERIFY(Text(form)->isReadOnly());
        QStatusBar* statusBar = form.findChild<QStatusBar*>("StatusBar1");
        QVERIFY(statusBar != nullptr);
        QCOMPARE(statusBar->maximumHeight(), 19);
        QVERIFY(statusBar->currentMessage().isEmpty());
    }

    void fillsTheWindowAboveTheStatusBar() {
        TAboutForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QStatusBar* statusBar = form.findChild<QStatusBar*>("StatusBar1");
        QCOMPARE(statusBar->height(), 19);
        QCOMPARE(statusBar->geometry().bottom(), form.height() - 1);
        const QRect text = Text(form)->geometry();
        QCOMPARE(text.width(), form.width());
        QCOMPARE(text.top(), 0);
        QCOMPARE(text.bottom() + 1, statusBar->geometry().top());
    }

    void namesTheModelsAndTheContacts() {
        TAboutForm form;
        const QString text = Text(form)->toPlainText();
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (const char* model : {"Arden-S/L", "Polar-A", "Polar-B", "Polar-C"}) {
            QVERIFY2(lines.first().contains(QLatin1String(model)), model);
        }
        QCOMPARE(text.count(QLatin1String("@example.org")), 2);
    }

    void listsTheHistoryNewestFirst() {
        TAboutForm form;
        const QString text = Text(form)->toPlainText();
        qsizetype previous = -1;
        for (const char* version : {"2.16", "2.15", "2.14", "2.13", "2.11", "2.10", "2.09"}) {
            const QString heading =
                QStringLiteral(" -- Дополнение с версии ") + QLatin1String(version) + '\n';
            const qsizetype at = text.indexOf(heading);
            QVERIFY2(at > previous, version);
            previous = at;
        }
        for (const char* verbatim :
             {"AUTOSTART_1", "AUTOSTART_UNINTERRUPT", "TallyvoxOut.cfg", "TallyvoxReport"}) {
            QVERIFY2(text.contains(QLatin1String(verbatim)), verbatim);
        }
        QVERIFY(text.contains(QStringLiteral("\"Емкость буфера\"")));
        QVERIFY(text.contains(QStringLiteral("\"В буфере\"")));
    }

    void itemsAreIndentedDashLines() {
        TAboutForm form;
        const QStringList lines = Text(form)->toPlainText().split(QLatin1Char('\n'));
        int items = 0;
        for (const QString& line : lines) {
            if (line.trimmed().startsWith(QLatin1String("- "))) {
                QVERIFY2(line.startsWith(QLatin1String("   - ")) ||
                             line.startsWith(QLatin1String("  - ")),
                         qPrintable(line));
                ++items;
            }
        }
        QCOMPARE(items, 11);
    }

    void wrapsTheTextOnceShown() {
        TAboutForm form;
        QCOMPARE(Text(form)->lineWrapMode(), QPlainTextEdit::NoWrap);
        form.show();
        QCOMPARE(Text(form)->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    }

    void opensAgainAtTheNewPlaceAsTheSameWindow() {
        TAboutForm form;
        form.ShowAt(QPoint(120, 80));
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.pos(), QPoint(120, 80));
        QVERIFY(!form.isModal());

        form.ShowAt(QPoint(200, 150));
        QVERIFY(form.isVisible());
        QCOMPARE(form.pos(), QPoint(200, 150));

        form.close();
        QVERIFY(!form.isVisible());
        form.ShowAt(QPoint(40, 30));
        QVERIFY(form.isVisible());
        QCOMPARE(Text(form)->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    }
};

QTEST_MAIN(AboutFormTest)
#include "AboutFormTest.moc"
