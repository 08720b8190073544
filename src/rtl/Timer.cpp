#include "Timer.h"

#include "Application.h"

#include <QTimer>

TTimer::TTimer(TComponent* owner) : TComponent(owner), timer_(std::make_unique<QTimer>()) {
    QObject::connect(timer_.get(), &QTimer::timeout, [this] {
        DispatchSafely([this] {
            if (enabled_ && OnTimer)
                OnTimer(this);
        });
    });
    UpdateTimer();
}

TTimer::~TTimer() {
    timer_->stop();
}

void TTimer::SetEnabled(bool value) {
    if (value == enabled_)
        return;
    enabled_ = value;
    UpdateTimer();
}

void TTimer::SetInterval(int value) {
    if (value == interval_)
        return;
    interval_ = value;
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    timer_->stop();
    if (enabled_ && interval_ > 0)
        timer_->start(interval_);
}

const TClassInfo& TTimer::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TTimer, TComponent>("TTimer")
                                       .Property("Enabled", &TTimer::SetEnabled)
                                       .Property("Interval", &TTimer::SetInterval)
                                       .Event("OnTimer", &TTimer::OnTimer);
    return info;
}
