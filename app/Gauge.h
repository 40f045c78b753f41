#pragma once
// The vertical bar gauge of the main window: a range and a position shown as a
// percentage, filled from the bottom. UI thread only.

#include <QWidget>

namespace tallyvox::app {

class TGauge : public QWidget {
    Q_OBJECT

public:
    explicit TGauge(QWidget* parent = nullptr);

    // Refuses (std::invalid_argument) a minimum above the maximum.
    void SetMinValue(int value);
    // Refuses (std::invalid_argument) a maximum below the minimum; a maximum of 0
    // is ignored, so an exchange that reports no capacity keeps the previous range.
    void SetMaxValue(int value);
    // Every position is clamped into the range.
    void SetProgress(int value);
    void AddProgress(int delta);
    // The whole range and position at once, so that moving to a range that does
    // not overlap the current one is not refused halfway. The same rules apply:
    // a maximum of 0 keeps the previous maximum, an inverted range is refused.
    void SetRange(int minValue, int maxValue, int progress);

    int MinValue() const { return Min; }
    int MaxValue() const { return Max; }
    int Progress() const { return Position; }
    // (position - minimum) * 100 div (maximum - minimum); 0 for an empty range.
    int PercentDone() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ClampAndRepaint();

    int Min = 0;
    int Max = 100;
    int Position = 0;
    int ShownPercent = 0;
};

} // namespace tallyvox::app
