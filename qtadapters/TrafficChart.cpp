#include "qtadapters/TrafficChart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFileInfo>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QHorizontalBarSeries>
#include <QImage>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QStackedBarSeries>
#include <QSvgGenerator>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "report/TrunkLoad.h"
#include "text/Cp1251.h"

namespace tallyvox::reportcli {

namespace {

using report::TTrafficBar;

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString FromCp1251(std::string_view text) {
    return Utf8(text::Cp1251ToUtf8(text));
}

QString Number(double value, int decimals) {
    return QLocale(QLocale::Russian).toString(value, 'f', decimals);
}

QString DateText(const report::TDateTime& date, bool withHour) {
    QString text = QStringLiteral("%1.%2.%3")
                       .arg(date.Day, 2, 10, QLatin1Char('0'))
                       .arg(date.Month, 2, 10, QLatin1Char('0'))
                       .arg(date.Year);
    if (withHour) {
        text += QStringLiteral(" %1:00").arg(date.Hour, 2, 10, QLatin1Char('0'));
    }
    return text;
}

// Outgoing in blues, incoming in greens and oranges: bars light, lines dark.
const QColor OutBarColour(0x4a, 0x90, 0xd9);
const QColor InBarColour(0x9c, 0xcc, 0x65);
const QColor OutLineColour(0x1a, 0x23, 0x7e);
const QColor InLineColour(0xe6, 0x7e, 0x22);

QLineSeries* Line(const QString& name, const QColor& colour) {
    auto* line = new QLineSeries;
    line->setName(name);
    QPen pen(colour);
    pen.setWidthF(2.5);
    line->setPen(pen);
    return line;
}

double Hours(std::uint64_t seconds) {
    return static_cast<double>(seconds) / 3600.0;
}

std::unique_ptr<QChart> NewChart(TChartKind kind, const QString& subtitle = {}) {
    auto chart = std::make_unique<QChart>();
    QString title = Utf8(ChartKindOf(kind).Caption);
    if (!subtitle.isEmpty()) {
        title = QStringLiteral("<p align=\"center\">%1<br><span style=\"font-weight:normal\">%2"
                               "</span></p>")
                    .arg(title, subtitle);
    }
    chart->setTitle(title);
    QFont titleFont = chart->titleFont();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    titleFont.setBold(true);
    chart->setTitleFont(titleFont);
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

QValueAxis* ValueAxis(QChart& chart, const QString& title, double largest, Qt::Alignment side) {
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setRange(0, largest > 0 ? largest * 1.05 : 1);
    axis->applyNiceNumbers();
    axis->setLabelFormat(largest >= 10 ? QStringLiteral("%.0f") : QStringLiteral("%.1f"));
    chart.addAxis(axis, side);
    return axis;
}

QBarCategoryAxis* CategoryAxis(QChart& chart, const QString& title, const QStringList& labels,
                               Qt::Alignment side) {
    auto* axis = new QBarCategoryAxis;
    axis->setTitleText(title);
    axis->append(labels);
    chart.addAxis(axis, side);
    return axis;
}

// The hour and day charts count a call whole where it starts, unlike the trunk
// figures, which spread it over the hours it lasts: the caption says so.
QString TalkTimeCounting(TChartKind kind) {
    return kind == TChartKind::Hours
               ? QStringLiteral("звонок и всё время разговора отнесены к часу начала звонка")
               : QStringLiteral("звонок и всё время разговора отнесены к дню начала звонка");
}

// Calls as stacked bars (outgoing below incoming) on the left axis, talk time
// as two lines on the right one, a category for each bar.
std::unique_ptr<QChart> TrafficChart(TChartKind kind, const QString& categoryTitle,
                                     const QStringList& categories,
                                     const std::vector<TTrafficBar>& bars) {
    auto chart = NewChart(kind, TalkTimeCounting(kind));
    auto* outCalls = new QBarSet(QStringLiteral("Исходящие звонки"));
    auto* inCalls = new QBarSet(QStringLiteral("Входящие звонки"));
    outCalls->setColor(OutBarColour);
    inCalls->setColor(InBarColour);
    QLineSeries* outTime = Line(QStringLiteral("Время исходящих, ч"), OutLineColour);
    QLineSeries* inTime = Line(QStringLiteral("Время входящих, ч"), InLineColour);
    double mostCalls = 0;
    double mostTime = 0;
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const TTrafficBar& bar = bars[i];
        *outCalls << bar.OutCalls;
        *inCalls << bar.InCalls;
        outTime->append(static_cast<double>(i), Hours(bar.OutSeconds));
        inTime->append(static_cast<double>(i), Hours(bar.InSeconds));
        mostCalls = std::max(mostCalls, static_cast<double>(bar.OutCalls + bar.InCalls));
        mostTime = std::max({mostTime, Hours(bar.OutSeconds), Hours(bar.InSeconds)});
    }
    auto* calls = new QStackedBarSeries;
    calls->append({outCalls, inCalls});
    chart->addSeries(calls);
    chart->addSeries(outTime);
    chart->addSeries(inTime);
    QBarCategoryAxis* x = CategoryAxis(*chart, categoryTitle, categories, Qt::AlignBottom);
    if (categories.size() > 24) {
        x->setLabelsAngle(-90);
    }
    calls->attachAxis(x);
    calls->attachAxis(ValueAxis(*chart, QStringLiteral("Звонков"), mostCalls, Qt::AlignLeft));
    QValueAxis* time =
        ValueAxis(*chart, QStringLiteral("Время разговоров, ч"), mostTime, Qt::AlignRight);
    for (QLineSeries* line : {outTime, inTime}) {
        line->attachAxis(x);
        line->attachAxis(time);
    }
    return chart;
}

std::unique_ptr<QChart> HoursChart(const TChartInput& input) {
    const auto hours = report::TrafficByHour(input.Calls);
    QStringList categories;
    for (int hour = 0; hour < 24; ++hour) {
        categories << QString::number(hour);
    }
    return TrafficChart(TChartKind::Hours, QStringLiteral("Час суток (по началу звонка)"),
                        categories, {hours.begin(), hours.end()});
}

// Days beyond two months would make bars too thin to tell apart: such a period
// is drawn as lines over a time axis.
constexpr std::size_t MostDayBars = 62;

std::unique_ptr<QChart> DayLinesChart(const std::vector<report::TDayTraffic>& days) {
    auto chart = NewChart(TChartKind::Days, TalkTimeCounting(TChartKind::Days));
    QLineSeries* outCalls = Line(QStringLiteral("Исходящие звонки"), OutBarColour);
    QLineSeries* inCalls = Line(QStringLiteral("Входящие звонки"), InBarColour);
    QLineSeries* outTime = Line(QStringLiteral("Время исходящих, ч"), OutLineColour);
    QLineSeries* inTime = Line(QStringLiteral("Время входящих, ч"), InLineColour);
    double mostCalls = 0;
    double mostTime = 0;
    for (const report::TDayTraffic& day : days) {
        const auto x = static_cast<double>(
            QDateTime(QDate(day.Day.Year, day.Day.Month, day.Day.Day), QTime(12, 0))
                .toMSecsSinceEpoch());
        const TTrafficBar& bar = day.Traffic;
        outCalls->append(x, bar.OutCalls);
        inCalls->append(x, bar.InCalls);
        outTime->append(x, Hours(bar.OutSeconds));
        inTime->append(x, Hours(bar.InSeconds));
        mostCalls = std::max(
            {mostCalls, static_cast<double>(bar.OutCalls), static_cast<double>(bar.InCalls)});
        mostTime = std::max({mostTime, Hours(bar.OutSeconds), Hours(bar.InSeconds)});
    }
    for (QLineSeries* line : {outCalls, inCalls, outTime, inTime}) {
        chart->addSeries(line);
    }
    auto* x = new QDateTimeAxis;
    x->setTitleText(QStringLiteral("День"));
    x->setFormat(QStringLiteral("dd.MM.yyyy"));
    x->setTickCount(13);
    x->setLabelsAngle(-45);
    chart->addAxis(x, Qt::AlignBottom);
    QValueAxis* calls = ValueAxis(*chart, QStringLiteral("Звонков"), mostCalls, Qt::AlignLeft);
    QValueAxis* time =
        ValueAxis(*chart, QStringLiteral("Время разговоров, ч"), mostTime, Qt::AlignRight);
    for (QLineSeries* line : {outCalls, inCalls, outTime, inTime}) {
        line->attachAxis(x);
        line->attachAxis(line == outCalls || line == inCalls ? calls : time);
    }
    return chart;
}

std::unique_ptr<QChart> DaysChart(const TChartInput& input) {
    const auto days = report::TrafficByDay(input.Calls, input.Period);
    if (days.size() > MostDayBars) {
        return DayLinesChart(days);
    }
    QStringList categories;
    std::vector<TTrafficBar> bars;
    for (const report::TDayTraffic& day : days) {
        categories << DateText(day.Day, false).left(5);
        bars.push_back(day.Traffic);
    }
    return TrafficChart(TChartKind::Days, QStringLiteral("День"), categories, bars);
}

// Horizontal bars, the first entry on top, each with its value written beside it.
std::unique_ptr<QChart> RankChart(std::unique_ptr<QChart> chart, const QString& categoryTitle,
                                  const QString& valueTitle, const QStringList& labels,
                                  const std::vector<double>& values, int decimals) {
    double largest = 0;
    auto* set = new QBarSet(valueTitle);
    set->setColor(OutBarColour);
    QStringList categories;
    for (std::size_t i = values.size(); i-- > 0;) {
        // Rounded to the decimals shown, as the labels print every digit kept.
        *set << std::round(values[i] * std::pow(10, decimals)) / std::pow(10, decimals);
        categories << labels[static_cast<qsizetype>(i)];
        largest = std::max(largest, values[i]);
    }
    auto* series = new QHorizontalBarSeries;
    series->append(set);
    series->setLabelsVisible(true);
    series->setLabelsPosition(QAbstractBarSeries::LabelsInsideEnd);
    // Enough digits that no label turns into an exponent.
    series->setLabelsPrecision(15);
    chart->addSeries(series);
    series->attachAxis(CategoryAxis(*chart, categoryTitle, categories, Qt::AlignLeft));
    series->attachAxis(ValueAxis(*chart, valueTitle, largest, Qt::AlignBottom));
    chart->legend()->hide();
    return chart;
}

std::unique_ptr<QChart> TopChart(TChartKind kind, const std::vector<report::TLineFigure>& top,
                                 const QString& valueTitle, bool byCost) {
    QStringList labels;
    std::vector<double> values;
    for (const report::TLineFigure& line : top) {
        labels << FromCp1251(line.Label());
        values.push_back(byCost ? static_cast<double>(line.Cost) / 100.0 : Hours(line.Seconds));
    }
    return RankChart(NewChart(kind), QStringLiteral("Апп. АЛ (Прг. АЛ)"), valueTitle, labels,
                     values, 2);
}

QString BusiestHourText(const report::TTrunkLoad& load) {
    if (!load.BusiestHour) {
        return QStringLiteral("нет звонков по СЛ за период");
    }
    return QStringLiteral("час наибольшей нагрузки %1: %2 Эрл, занято СЛ одновременно: %3")
        .arg(DateText(*load.BusiestHour, true), Number(load.Erlangs(), 2))
        .arg(load.TrunksInUseAtOnce);
}

std::unique_ptr<QChart> TrunksChart(const TChartInput& input) {
    const report::TTrunkLoad load = report::TrunkLoad(input.Calls, input.Period);
    QStringList labels;
    std::vector<double> values;
    for (const report::TTrunkShare& trunk : load.Trunks) {
        labels << FromCp1251(trunk.Trunk);
        values.push_back(trunk.Share * 100);
    }
    // Even a busy trunk is in use a small part of a period's time: the axis
    // fits the largest share, not 100%, so the shares can be told apart.
    return RankChart(
        NewChart(TChartKind::Trunks, BusiestHourText(load)), QStringLiteral("Номер СЛ"),
        QStringLiteral("Доля времени периода, занятая разговорами, %"), labels, values, 1);
}

std::unique_ptr<QChart> SizingChart(const TChartInput& input) {
    const report::TTrunkLoad load = report::TrunkLoad(input.Calls, input.Period);
    const report::TTrunkSizing sizing = report::TrunkSizing(load);
    auto chart = NewChart(TChartKind::Sizing, BusiestHourText(load));
    auto* needed1 = new QBarSet(QStringLiteral("Нужно СЛ при потерях 1% (Erlang B)"));
    auto* needed5 = new QBarSet(QStringLiteral("Нужно СЛ при потерях 5% (Erlang B)"));
    struct TFigure {
        QString Name;
        double Erlangs;
        std::uint32_t Needed1;
        std::uint32_t Needed5;
    };
    // The busiest hour by direction, then the mean daily busy hours that trunks
    // are sized by.
    const TFigure figures[] = {
        {QStringLiteral("Исходящая"), sizing.OutErlangs, sizing.Needed1[0], sizing.Needed5[0]},
        {QStringLiteral("Входящая"), sizing.InErlangs, sizing.Needed1[1], sizing.Needed5[1]},
        {QStringLiteral("Вся"), sizing.Erlangs, sizing.Needed1[2], sizing.Needed5[2]},
        {QStringLiteral("Обычная"), load.NormalLoad.Erlangs, sizing.NormalLoadNeeded[0],
         sizing.NormalLoadNeeded[1]},
        {QStringLiteral("Высокая"), load.HighLoad.Erlangs, sizing.HighLoadNeeded[0],
         sizing.HighLoadNeeded[1]}};
    QStringList categories;
    double largest = static_cast<double>(sizing.TrunksSeen);
    for (const TFigure& figure : figures) {
        *needed1 << figure.Needed1;
        *needed5 << figure.Needed5;
        categories << QStringLiteral("%1: %2 Эрл").arg(figure.Name, Number(figure.Erlangs, 2));
        largest = std::max(largest, static_cast<double>(figure.Needed1));
    }
    auto* bars = new QBarSeries;
    bars->append({needed1, needed5});
    bars->setLabelsVisible(true);
    auto* seen = new QLineSeries;
    seen->setName(QStringLiteral("СЛ в файле: %1").arg(sizing.TrunksSeen));
    auto* atOnce = new QLineSeries;
    atOnce->setName(QStringLiteral("Занято одновременно: %1").arg(sizing.TrunksInUseAtOnce));
    for (double x : {-0.5, std::size(figures) - 0.5}) {
        seen->append(x, static_cast<double>(sizing.TrunksSeen));
        atOnce->append(x, sizing.TrunksInUseAtOnce);
    }
    chart->addSeries(bars);
    chart->addSeries(seen);
    chart->addSeries(atOnce);
    QBarCategoryAxis* x = CategoryAxis(
        *chart,
        QStringLiteral("ЧНН периода по направлениям; средний ЧНН %1 (обычная) и %2 (высокая) "
                       "самых нагруженных дней")
            .arg(load.NormalLoad.Days)
            .arg(load.HighLoad.Days),
        categories, Qt::AlignBottom);
    QValueAxis* y = ValueAxis(*chart, QStringLiteral("Число СЛ"), largest, Qt::AlignLeft);
    y->setLabelFormat(QStringLiteral("%.0f"));
    for (QAbstractSeries* series : std::initializer_list<QAbstractSeries*>{bars, seen, atOnce}) {
        series->attachAxis(x);
        series->attachAxis(y);
    }
    return chart;
}

} // namespace

bool ChartAvailable(TChartKind kind, const TChartInput& input) {
    return kind != TChartKind::TopCost || static_cast<bool>(input.Cost);
}

std::unique_ptr<QChart> MakeChart(TChartKind kind, const TChartInput& input) {
    switch (kind) {
    case TChartKind::Hours:
        return HoursChart(input);
    case TChartKind::Days:
        return DaysChart(input);
    case TChartKind::TopLines:
        return TopChart(kind, report::TopLinesByTalkTime(input.Calls),
                        QStringLiteral("Время разговоров, ч"), false);
    case TChartKind::TopCost:
        return TopChart(kind,
                        input.Cost ? report::TopLinesByCost(input.Calls, input.Cost)
                                   : std::vector<report::TLineFigure>{},
                        QStringLiteral("Стоимость, руб."), true);
    case TChartKind::Trunks:
        return TrunksChart(input);
    case TChartKind::Sizing:
        return SizingChart(input);
    }
    return NewChart(kind);
}

QString SaveChart(TChartKind kind, const TChartInput& input, const QString& fileName,
                  const QSize& size) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix != QLatin1String("png") && suffix != QLatin1String("svg")) {
        return QStringLiteral("имя файла должно кончаться на .png или .svg");
    }
    QGraphicsScene scene;
    QChart* chart = MakeChart(kind, input).release();
    scene.addItem(chart); // the scene owns it from here
    chart->setGeometry(QRectF(QPointF(0, 0), size));
    chart->layout()->activate();
    scene.setSceneRect(chart->geometry());
    const QString title = Utf8(ChartKindOf(kind).Caption);
    if (suffix == QLatin1String("png")) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            scene.render(&painter);
        }
        image.setText(QStringLiteral("Title"), title);
        return image.save(fileName, "PNG") ? QString() : QStringLiteral("не удалось записать файл");
    }
    QSvgGenerator svg;
    svg.setFileName(fileName);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(title);
    QPainter painter;
    if (!painter.begin(&svg)) {
        return QStringLiteral("не удалось записать файл");
    }
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter);
    return painter.end() && QFileInfo(fileName).size() > 0
               ? QString()
               : QStringLiteral("не удалось записать файл");
}

} // namespace tallyvox::reportcli
