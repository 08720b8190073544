// TTimer: fires OnTimer every Interval milliseconds while Enabled (and Interval > 0). A handler
// that sets Enabled to false gets no further ticks: the one-shot use.
#pragma once

#include "Classes.h"
#include "TypeInfo.h"

#include <memory>

class QTimer;

class TTimer : public TComponent {
public:
    DECLARE_CLASS_INFO
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    int Interval() const { return interval_; }
    void SetInterval(int value);

    TNotifyEvent OnTimer;

private:
    void UpdateTimer();

    std::unique_ptr<QTimer> timer_;
    bool enabled_ = true;
    int interval_ = 1000;
};
