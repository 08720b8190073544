#include "Edit.h"

#include "Application.h"
#include "Colors.h"

#include <QLineEdit>

TEdit::TEdit(TComponent* owner) : TWinControl(owner, new QLineEdit, true) {
    SetColor(clWindow);
    SetBounds(0, 0, 121, 21);
    SetTabStop(true);
    SetCursor(crIBeam);
    QObject::connect(LineEdit(), &QLineEdit::textChanged, [this] {
        DispatchSafely([this] {
            if (OnChange)
                OnChange(this);
        });
    });
}

QLineEdit* TEdit::LineEdit() const {
    return static_cast<QLineEdit*>(Widget());
}

AnsiString TEdit::Text() const {
    return QStringToGbk(LineEdit()->text());
}

void TEdit::SetText(const AnsiString& value) {
    LineEdit()->setText(GbkToQString(value));
}

bool TEdit::ReadOnly() const {
    return LineEdit()->isReadOnly();
}

void TEdit::SetReadOnly(bool value) {
    LineEdit()->setReadOnly(value);
}

int TEdit::MaxLength() const {
    return LineEdit()->maxLength();
}

void TEdit::SetMaxLength(int value) {
    LineEdit()->setMaxLength(value > 0 ? value : 32767);
}

void TEdit::FontChanged() {
    TWinControl::FontChanged();
    // Only the enabled groups take the font colour: a disabled box keeps the greyed text
    // that tells the user it cannot be typed in.
    QPalette palette = LineEdit()->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::Text, ColorToQColor(Font()->Color()));
    LineEdit()->setPalette(palette);
}

void TEdit::ColorChanged() {
    QPalette palette = LineEdit()->palette();
    palette.setColor(QPalette::Base, ColorToQColor(Color()));
    LineEdit()->setPalette(palette);
}

const TClassInfo& TEdit::StaticClassInfo() {
    static const TClassInfo info = TClassInfo::Define<TEdit, TWinControl>("TEdit")
                                       .Property("Text", &TEdit::SetText)
                                       .Property("ReadOnly", &TEdit::SetReadOnly)
                                       .Property("MaxLength", &TEdit::SetMaxLength)
                                       .Event("OnChange", &TEdit::OnChange);
    return info;
}
