#pragma once
// The traffic charts drawn with Qt Charts, for the charts view and for
// tallyvox-report: the figures come from the report's aggregations, this only
// draws them and writes the pictures. Needs a QApplication (a chart is a
// graphics widget), which the offscreen platform serves without a display.
// UI thread only.

#include <QString>
#include <memory>

#include "report/TrafficCharts.h"
#include "qtadapters/ChartKind.h"

QT_BEGIN_NAMESPACE
class QChart;
class QSize;
QT_END_NAMESPACE

namespace tallyvox::reportcli {

// What a chart is drawn from: the calls of the period, its bounds, and the
// cost of a call when a tariff table prices them.
struct TChartInput {
    report::TCallSpan Calls;
    report::TPeriod Period;
    report::TCallCostOf Cost; // empty: no costs known
};

// Whether the chart can be drawn from what is known (the costs chart needs costs).
bool ChartAvailable(TChartKind kind, const TChartInput& input);

// A new chart of the kind; its title is the kind's caption.
std::unique_ptr<QChart> MakeChart(TChartKind kind, const TChartInput& input);

// Draws the chart of the kind at the given size and writes it as PNG or SVG by
// the file name's suffix (.png or .svg, any case); an empty text when written,
// else why not, in the user's words.
QString SaveChart(TChartKind kind, const TChartInput& input, const QString& fileName,
                  const QSize& size);

} // namespace tallyvox::reportcli
