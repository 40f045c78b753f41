// The traffic charts: the "Графики" window of the report window drawn from the
// loaded file and redrawn on the next load, and every chart written as PNG and
// SVG by tallyvox-report without a display and by the window's own save.

#include <QAbstractBarSeries>
#include <QAction>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardItemModel>
#include <QTest>
#include <QXmlStreamReader>
#include <fstream>

#include "app/ChartsView.h"
#include "app/MainForm_rep.h"
#include "callfile/CallLine.h"
#include "model/Record.h"
#include "tests/kit/TempDir.h"

using tallyvox::app::TChartsView;
using tallyvox::app::TMainForm_rep;
using tallyvox::reportcli::ChartKindOf;
using tallyvox::reportcli::ChartKinds;
using tallyvox::reportcli::TChartKind;
using tallyvox::reportcli::TChartKindName;

namespace {

// calls calls on 4 and 5 March 2024, one every 7 minutes from 9:00, on five
// lines and three trunks; every third one incoming.
std::string CallFile(const std::filesystem::path& folder, int calls) {
    const std::filesystem::path file = folder / ("calls" + std::to_string(calls) + ".txt");
    std::ofstream out(file, std::ios::binary);
    for (int i = 0; i < calls; ++i) {
        tallyvox::TRecord record;
        record.Year = 2024;
        record.Month = 3;
        record.Day = 4 + i / 80;
        record.StartHour = 9 + i % 80 * 7 / 60;
        record.StartMinute = i % 80 * 7 % 60;
        record.DurationMinutes = 1 + i % 9;
        record.DurationSeconds = 10 + i % 40;
        record.HardwareLine = 201 + i % 5;
        record.ProgramNumber = std::to_string(2201 + i % 5);
        record.Trunk = std::to_string(1 + i % 3);
        record.DialledNumber = i % 3 == 0 ? "" : "8495" + std::to_string(1000 + i);
        out << tallyvox::callfile::FormatCallLine(record) << "\r\n";
    }
    return file.string();
}

QString Caption(const TChartKindName& kind) {
    return QString::fromUtf8(kind.Caption.data(), static_cast<qsizetype>(kind.Caption.size()));
}

// The sum of every bar of the chart.
double BarTotal(const QChart& chart) {
    double total = 0;
    for (QAbstractSeries* series : chart.series()) {
        if (auto* bars = qobject_cast<QAbstractBarSeries*>(series)) {
            for (QBarSet* set : bars->barSets()) {
                total += set->sum();
            }
        }
    }
    return total;
}

// A PNG of the size, with more on it than a background; an SVG that parses,
// with the caption as its title and as a text drawn.
void CheckImages(const QString& png, const QString& svg, const QSize& size,
                 const QString& caption) {
    const QImage image(png);
    QCOMPARE(image.size(), size);
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7) {
        for (int x = 0; x < image.width(); x += 7) {
            colours.insert(image.pixel(x, y));
        }
    }
    QVERIFY2(colours.size() > 10, qPrintable(png));
    QFile file(svg);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QString title;
    QString texts;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement) {
            if (xml.name() == QLatin1String("title")) {
                title = xml.readElementText();
            } else if (xml.name() == QLatin1String("text")) {
                texts += xml.readElementText(QXmlStreamReader::IncludeChildElements);
            }
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(title, caption);
    QVERIFY2(texts.contains(caption), qPrintable(svg));
    QVERIFY(file.size() > 5000);
}

} // namespace

class ChartsViewTest : public QObject {
    Q_OBJECT

private slots:
    void drawsTheShownCallsAndRedrawsOnLoadPeriodAndTariffs() {
        tallyvox::testkit::TTempDir folder;
        // The tariff table is remembered in the start directory.
        const tallyvox::testkit::TCurrentDir start(folder.Path());
        TMainForm_rep form;
        form.show();
        form.LoadFile(QString::fromStdString(CallFile(folder.Path(), 120)));
        form.findChild<QAction*>(QStringLiteral("ChartsMenuItem"))->trigger();
        TChartsView* view = form.ChartsWindow();
        QVERIFY(QTest::qWaitForWindowExposed(view));
        // Without a tariff table the costs chart cannot be chosen.
        auto* box = view->findChild<QComboBox*>(QStringLiteral("ChartKindBox"));
        auto* kinds = qobject_cast<QStandardItemModel*>(box->model());
        QVERIFY(!kinds->item(static_cast<int>(TChartKind::TopCost))->isEnabled());
        for (const TChartKindName& kind : ChartKinds) {
            if (kind.Kind == TChartKind::TopCost) {
                continue;
            }
            view->ShowKind(kind.Kind);
            QVERIFY2(view->ChartTitle().contains(Caption(kind)), kind.Name.data());
        }
        view->ShowKind(TChartKind::Hours);
        QChart* chart = view->findChild<QChartView*>()->chart();
        QCOMPARE(BarTotal(*chart), 120.0);
        QCOMPARE(chart->series().size(), 3);

        // 4 March alone: its 80 calls.
        form.SetPeriod({tallyvox::report::TDateTime{2024, 3, 4, 0, 0, 0},
                        tallyvox::report::TDateTime{2024, 3, 4, 23, 59, 59}});
        QCOMPARE(BarTotal(*view->findChild<QChartView*>()->chart()), 80.0);

        // A tariff table makes the costs chart: long distance at 4,50 a begun
        // minute and 1,00 a call, so the bars add up to what the outgoing
        // calls of the period cost.
        QVERIFY(form.LoadTariffs(QStringLiteral(TALLYVOX_TARIFFS)));
        QVERIFY(kinds->item(static_cast<int>(TChartKind::TopCost))->isEnabled());
        view->ShowKind(TChartKind::TopCost);
        QVERIFY(view->ChartTitle().contains(Caption(ChartKindOf(TChartKind::TopCost))));
        double expected = 0;
        for (int i = 0; i < 80; ++i) {
            const int seconds = (1 + i % 9) * 60 + 10 + i % 40;
            expected += i % 3 == 0 ? 0 : 1.00 + 4.50 * ((seconds + 59) / 60);
        }
        QCOMPARE(BarTotal(*view->findChild<QChartView*>()->chart()), expected);

        // The next file keeps the period.
        view->ShowKind(TChartKind::Hours);
        form.LoadFile(QString::fromStdString(CallFile(folder.Path(), 45)));
        QCOMPARE(BarTotal(*view->findChild<QChartView*>()->chart()), 45.0);
        view->ShowKind(TChartKind::TopLines);
        QCOMPARE(view->findChild<QChartView*>()
                     ->chart()
                     ->axes(Qt::Vertical)
                     .constFirst()
                     ->property("count"),
                 QVariant(5));

        // The window's own save draws at the size shown.
        const QString png = QString::fromStdString((folder.Path() / "top.png").string());
        const QString svg = QString::fromStdString((folder.Path() / "top.svg").string());
        QCOMPARE(view->SaveImage(png), QString());
        QCOMPARE(view->SaveImage(svg), QString());
        CheckImages(png, svg, view->findChild<QChartView*>()->size(),
                    Caption(ChartKindOf(TChartKind::TopLines)));
        QVERIFY(!view->SaveImage(QString::fromStdString((folder.Path() / "top.bmp").string()))
                     .isEmpty());

        // Closing the report window closes its charts too.
        form.reject();
        QVERIFY(!view->isVisible());
    }

    void theProgramWritesEveryChartWithoutADisplay() {
        tallyvox::testkit::TTempDir folder;
        const QString calls = QString::fromStdString(CallFile(folder.Path(), 160));
        QStringList arguments{calls, QStringLiteral("--sizing")};
        for (const TChartKindName& kind : ChartKinds) {
            if (kind.Kind != TChartKind::TopCost) {
                for (const char* suffix : {".png", ".svg"}) {
                    arguments << QStringLiteral("--chart")
                              << QStringLiteral("%1=%2/%1%3")
                                     .arg(QLatin1String(kind.Name.data(), kind.Name.size()),
                                          QString::fromStdString(folder.Path().string()),
                                          QLatin1String(suffix));
                }
            }
        }
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        // A session without a runtime folder (root on a console): Qt has
        // nothing to warn about on the terminal.
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(TALLYVOX_REPORT_PROGRAM), arguments);
        QVERIFY(program.waitForFinished(60000));
        const QString err = QString::fromUtf8(program.readAllStandardError());
        QVERIFY2(program.exitCode() == 0, qPrintable(err));
        QVERIFY2(err.isEmpty(), qPrintable(err));
        const QString out = QString::fromUtf8(program.readAllStandardOutput());
        QVERIFY2(out.contains(QStringLiteral("Час наибольшей нагрузки: ")), qPrintable(out));
        QVERIFY(out.contains(QStringLiteral("СЛ в файле: 3")));
        for (const TChartKindName& kind : ChartKinds) {
            if (kind.Kind != TChartKind::TopCost) {
                const QString base = QString::fromStdString(folder.Path().string()) + '/' +
                                     QLatin1String(kind.Name.data(), kind.Name.size());
                CheckImages(base + ".png", base + ".svg", QSize(1200, 700), Caption(kind));
            }
        }

        // The period and the tariff table of the report apply.
        program.start(QStringLiteral(TALLYVOX_REPORT_PROGRAM),
                      {calls, QStringLiteral("--from"), QStringLiteral("2024-03-05"),
                       QStringLiteral("--tariffs"), QStringLiteral(TALLYVOX_TARIFFS),
                       QStringLiteral("--sizing"), QStringLiteral("--chart"),
                       QStringLiteral("topcost=%1/cost.svg")
                           .arg(QString::fromStdString(folder.Path().string()))});
        QVERIFY(program.waitForFinished(60000));
        QVERIFY2(program.exitCode() == 0, program.readAllStandardError().constData());
        QVERIFY(program.readAllStandardOutput().contains("05.03.2024"));
        QVERIFY(QFileInfo(QString::fromStdString((folder.Path() / "cost.svg").string())).size() >
                5000);

        // No costs without a tariff table; a picture must be .png or .svg.
        program.start(QStringLiteral(TALLYVOX_REPORT_PROGRAM),
                      {calls, QStringLiteral("--chart"), QStringLiteral("topcost=c.png")});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(program.readAllStandardError().contains("topcost"));
        program.start(QStringLiteral(TALLYVOX_REPORT_PROGRAM),
                      {calls, QStringLiteral("--chart"), QStringLiteral("hours=c.jpg")});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 2);
    }
};

QTEST_MAIN(ChartsViewTest)
#include "ChartsViewTest.moc"
