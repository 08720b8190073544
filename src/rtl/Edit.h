// TEdit: the native single-line edit box. Text is GBK; OnChange follows every change.
#pragma once

#include "WinControl.h"

class QLineEdit;

class TEdit : public TWinControl {
public:
    DECLARE_CLASS_INFO
    explicit TEdit(TComponent* owner);

    AnsiString Text() const;
    void SetText(const AnsiString& value);
    bool ReadOnly() const;
    void SetReadOnly(bool value);
    int MaxLength() const;
    void SetMaxLength(int value);

    TNotifyEvent OnChange;

protected:
    bool NativePainting() const override { return true; }
    void FontChanged() override;
    void ColorChanged() override;

private:
    QLineEdit* LineEdit() const;
};
