#pragma once
// An up-down control: two small arrow buttons that step a whole number between
// a minimum and a maximum and show it in an associated label, wrapping from one
// end to the other when asked. UI thread only.

#include <QWidget>

class QLabel;
class QToolButton;

namespace tallyvox::app {

class TUpDown : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int minimum READ Minimum WRITE SetMinimum)
    Q_PROPERTY(int maximum READ Maximum WRITE SetMaximum)
    Q_PROPERTY(int position READ Position WRITE SetPosition)
    Q_PROPERTY(bool wrap READ Wrap WRITE SetWrap)

public:
    explicit TUpDown(QWidget* parent = nullptr);

    int Minimum() const { return Minimum_; }
    int Maximum() const { return Maximum_; }
    int Position() const { return Position_; }
    bool Wrap() const { return Wrap_; }
    void SetMinimum(int minimum);
    void SetMaximum(int maximum);
    // Kept within the range; the associated label shows it in decimal.
    void SetPosition(int position);
    void SetWrap(bool wrap);
    // The label that shows the position; it outlives this control.
    void SetAssociate(QLabel* associate);

    // The arrows: one step up or down.
    void StepUp();
    void StepDown();

signals:
    void PositionChanged(int position);

private:
    void Step(int delta);
    void ShowPosition();

    QToolButton* UpButton = nullptr;
    QToolButton* DownButton = nullptr;
    QLabel* Associate = nullptr;
    int Minimum_ = 0;
    int Maximum_ = 100;
    int Position_ = 0;
    bool Wrap_ = false;
};

} // namespace tallyvox::app
