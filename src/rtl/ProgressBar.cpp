#include "ProgressBar.h"

#include <QProgressBar>

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner, new QProgressBar, false) {
    Bar()->setTextVisible(false);
    SetBounds(0, 0, 150, 16);
    Update();
}

QProgressBar* TProgressBar::Bar() const {
    return static_cast<QProgressBar*>(Widget());
}

void TProgressBar::SetMin(int value) {
    min_ = value;
    Update();
}

void TProgressBar::SetMax(int value) {
    max_ = value;
    Update();
}

void TProgressBar::SetPosition(int value) {
    position_ = value;
    Update();
}

void TProgressBar::SetOrientation(TProgressBarOrientation value) {
    orientation_ = value;
    Bar()->setOrientation(value == pbVertical ? Qt::Vertical : Qt::Horizontal);
}

void TProgressBar::Update() {
    if (max_ < min_)
        max_ = min_;
    position_ = std::clamp(position_, min_, max_);
    Bar()->setRange(min_, max_);
    Bar()->setValue(position_);
}

const TClassInfo& TProgressBar::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TProgressBar, TWinControl>("TProgressBar")
                                       .Property("Min", &TProgressBar::SetMin)
                                       .Property("Max", &TProgressBar::SetMax)
                                       .Property("Position", &TProgressBar::SetPosition)
                                       .Property("Smooth", &TProgressBar::SetSmooth)
                                       .Property("Orientation", &TProgressBar::SetOrientation);
    return info;
}
