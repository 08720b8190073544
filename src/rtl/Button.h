// TButton: the native push button. It clicks on a left press and release over it and on the
// space key while focused, as a Windows button does, and on Return while focused.
#pragma once

#include "WinControl.h"

class QPushButton;

class TButton : public TWinControl {
public:
    DECLARE_CLASS_INFO
    explicit TButton(TComponent* owner);

protected:
    bool NativePainting() const override { return true; }
    void CaptionChanged() override;
    // Qt's own interface of the native button announces the button's shortcut; the form
    // answers the key itself, as for every control.
    void AccessKeyChanged() override;
    void KeyDown(std::uint16_t& key, TShiftState shift) override;
};
