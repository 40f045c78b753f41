#pragma once
// The "Графики" window of the report window: one traffic chart at a time, chosen
// from a list, drawn from the calls the report shows, and saved as a picture.
// The charts are those of tallyvox-report (qtadapters/TrafficChart). UI thread only.

#include <QWidget>

#include "qtadapters/TrafficChart.h"

class QChartView;
class QComboBox;
class QPushButton;

namespace tallyvox::app {

class TChartsView : public QWidget {
    Q_OBJECT

public:
    // A window of its own, owned by parent.
    explicit TChartsView(QWidget* parent);

    // The calls, period and costs the charts are drawn from; the calls must stay
    // in place until the next call. The chart shown is redrawn at once, a hidden
    // window redraws when it is next shown. An empty cost hides the costs chart.
    void SetInput(const reportcli::TChartInput& input);

    reportcli::TChartKind Kind() const;
    void ShowKind(reportcli::TChartKind kind);
    // The title of the chart shown.
    QString ChartTitle() const;
    // Writes the chart shown as PNG or SVG, at the size it is shown: what
    // "Сохранить изображение" does once its dialog is answered. An empty text when
    // written, else why not.
    QString SaveImage(const QString& fileName) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Redraw();
    void SaveImageClick();
    void UpdateAvailableKinds();

    QComboBox* KindBox = nullptr;
    QChartView* View = nullptr;
    QPushButton* SaveButton = nullptr;
    reportcli::TChartInput Input;
    bool Stale = true;
};

} // namespace tallyvox::app
