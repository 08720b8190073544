#include "Button.h"

#include "Application.h"

#include "Form.h"

#include <QPushButton>

TButton::TButton(TComponent* owner) : TWinControl(owner, new QPushButton, true) {
    // Qt's own click signal decides what a click is.
    SetControlStyle(ControlStyle().Exclude(csClickEvents));
    SetBounds(0, 0, 75, 25);
    SetTabStop(true);
    QObject::connect(static_cast<QPushButton*>(Widget()), &QPushButton::clicked,
                     [this] { DispatchSafely([this] { Click(); }); });
}

void TButton::CaptionChanged() {
    static_cast<QPushButton*>(Widget())->setText(GbkToQString(Caption()));
}

void TButton::AccessKeyChanged() {
    static_cast<QPushButton*>(Widget())->setShortcut(AccessKeySequence(AccessKey()));
}

void TButton::KeyDown(std::uint16_t& key, TShiftState shift) {
    TWinControl::KeyDown(key, shift);
    if (key != VK_RETURN)
        return;
    key = 0;
    static_cast<QPushButton*>(Widget())->click();
}

const TClassInfo& TButton::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TButton, TWinControl>("TButton");
    return info;
}
