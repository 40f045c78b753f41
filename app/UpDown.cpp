#include "app/UpDown.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace tallyvox::app {
namespace {

constexpr int ButtonWidth = 16;

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType arrow, const char* name) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFixedWidth(ButtonWidth);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    return button;
}

} // namespace

TUpDown::TUpDown(QWidget* parent) : QWidget(parent) {
    UpButton = MakeArrow(this, Qt::UpArrow, "UpButton");
    DownButton = MakeArrow(this, Qt::DownArrow, "DownButton");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(UpButton);
    layout->addWidget(DownButton);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    connect(UpButton, &QToolButton::clicked, this, &TUpDown::StepUp);
    connect(DownButton, &QToolButton::clicked, this, &TUpDown::StepDown);
}

void TUpDown::SetMinimum(int minimum) {
    Minimum_ = minimum;
    Maximum_ = std::max(Maximum_, Minimum_);
    SetPosition(Position_);
}

void TUpDown::SetMaximum(int maximum) {
    Maximum_ = maximum;
    Minimum_ = std::min(Minimum_, Maximum_);
    SetPosition(Position_);
}

void TUpDown::SetPosition(int position) {
    const int kept = std::clamp(position, Minimum_, Maximum_);
    const bool changed = kept != Position_;
    Position_ = kept;
    ShowPosition();
    if (changed) {
        emit PositionChanged(Position_);
    }
}

void TUpDown::SetWrap(bool wrap) {
    Wrap_ = wrap;
}

void TUpDown::SetAssociate(QLabel* associate) {
    Associate = associate;
    ShowPosition();
}

void TUpDown::StepUp() {
    Step(1);
}

void TUpDown::StepDown() {
    Step(-1);
}

void TUpDown::Step(int delta) {
    const int next = Position_ + delta;
    if (Wrap_ && next > Maximum_) {
        SetPosition(Minimum_);
    } else if (Wrap_ && next < Minimum_) {
        SetPosition(Maximum_);
    } else {
        SetPosition(next);
    }
}

void TUpDown::ShowPosition() {
    if (Associate != nullptr) {
        Associate->setText(QString::number(Position_));
    }
}

} // namespace tallyvox::app
