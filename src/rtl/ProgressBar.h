// TProgressBar: the native progress bar (Min, Max, Position; Smooth draws one continuous
// bar). Position is kept within Min..Max, as the Windows control keeps it.
#pragma once

#include "WinControl.h"

class QProgressBar;

class TProgressBar : public TWinControl {
public:
    DECLARE_CLASS_INFO
    explicit TProgressBar(TComponent* owner);

    int Min() const { return min_; }
    void SetMin(int value);
    int Max() const { return max_; }
    void SetMax(int value);
    int Position() const { return position_; }
    void SetPosition(int value);
    bool Smooth() const { return smooth_; }
    void SetSmooth(bool value) { smooth_ = value; }
    TProgressBarOrientation Orientation() const { return orientation_; }
    void SetOrientation(TProgressBarOrientation value);

protected:
    bool NativePainting() const override { return true; }

private:
    QProgressBar* Bar() const;
    void Update();
    void MoveTo(int position);

    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    bool smooth_ = false;
    TProgressBarOrientation orientation_ = pbHorizontal;
};
