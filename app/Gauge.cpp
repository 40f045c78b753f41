#include "app/Gauge.h"

#include <QPainter>
#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace tallyvox::app {
namespace {

const QColor TrackColour = Qt::white;
const QColor BarColour(0, 255, 0);
const QColor FrameColour = Qt::black;

QColor Inverted(const QColor& colour) {
    return QColor(255 - colour.red(), 255 - colour.green(), 255 - colour.blue());
}

// The gauge is narrow; a percentage wider than the bar is drawn smaller rather
// than cut off at the frame.
QFont FittingFont(const QFont& font, const QString& text, int width) {
    const int advance = QFontMetrics(font).horizontalAdvance(text);
    if (advance <= width || advance == 0) {
        return font;
    }
    QFont smaller = font;
    smaller.setPixelSize(std::max(1, QFontInfo(font).pixelSize() * width / advance));
    return smaller;
}

// The text is drawn once per background, clipped to it, in the inverse of that
// background, so it stays readable wherever the bar ends.
void DrawInvertedText(QPainter& painter, const QRect& area, const QString& text,
                      const QRect& background, const QColor& backgroundColour) {
    painter.save();
    painter.setClipRect(background);
    painter.setPen(Inverted(backgroundColour));
    painter.drawText(area, Qt::AlignCenter, text);
    painter.restore();
}

} // namespace

TGauge::TGauge(QWidget* parent) : QWidget(parent) {}

void TGauge::SetMinValue(int value) {
    if (value > Max) {
        throw std::invalid_argument("gauge minimum above its maximum");
    }
    Min = value;
    ClampAndRepaint();
}

void TGauge::SetMaxValue(int value) {
    if (value == 0) {
        return;
    }
    if (value < Min) {
        throw std::invalid_argument("gauge maximum below its minimum");
    }
    Max = value;
    ClampAndRepaint();
}

void TGauge::SetProgress(int value) {
    Position = value;
    ClampAndRepaint();
}

void TGauge::AddProgress(int delta) {
    SetProgress(static_cast<int>(std::clamp<std::int64_t>(std::int64_t{Position} + delta,
                                                          std::int64_t{Min}, std::int64_t{Max})));
}

void TGauge::SetRange(int minValue, int maxValue, int progress) {
    const int newMax = maxValue == 0 ? Max : maxValue;
    if (newMax < minValue) {
        throw std::invalid_argument("gauge range inverted");
    }
    Min = minValue;
    Max = newMax;
    Position = progress;
    ClampAndRepaint();
}

int TGauge::PercentDone() const {
    if (Max == Min) {
        return 0;
    }
    return static_cast<int>((std::int64_t{Position} - Min) * 100 / (std::int64_t{Max} - Min));
}

QSize TGauge::sizeHint() const {
    return QSize(25, 100);
}

void TGauge::ClampAndRepaint() {
    Position = std::clamp(Position, Min, Max);
    if (PercentDone() != ShownPercent) {
        ShownPercent = PercentDone();
        update();
    }
}

void TGauge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect inner = rect().adjusted(1, 1, -1, -1);
    const int barHeight =
        std::max(0, std::min(inner.height() * ShownPercent / 100, inner.height() - 1));
    const QRect bar(inner.left(), inner.bottom() - barHeight + 1, inner.width(), barHeight);
    const QRect track(inner.topLeft(), QPoint(inner.right(), bar.top() - 1));

    painter.setPen(FrameColour);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.fillRect(track, TrackColour);
    painter.fillRect(bar, BarColour);

    const QString text = QString::number(ShownPercent) + QLatin1Char('%');
    painter.setFont(FittingFont(font(), text, inner.width()));
    DrawInvertedText(painter, inner, text, track, TrackColour);
    DrawInvertedText(painter, inner, text, bar, BarColour);
}

} // namespace tallyvox::app
