// The controls as assistive technology sees them. Qt asks its accessibility factories for an
// interface per widget; ours answers for the widgets that paint for a control (forms, skinned
// check boxes) and for the stand-ins of windowless controls, with the control's role, name and
// checked state, a press or toggle action that does what the keyboard does, and the access
// key (Alt+letter) as that action's key binding. Native
// controls (edit box, push button, progress bar) keep Qt's own interfaces.
#pragma once

class TControl;
class QObject;

// Installs the factory; once per process, before the first window shows.
void InstallControlAccessibility();
// The control a widget paints or stands for, or nullptr.
TControl* ControlOfWidget(QObject* object);
// Tells assistive technology that the control's name (a status line's text) changed.
void AnnounceNameChange(TControl* control);
// Tells assistive technology that the control was ticked or unticked.
void AnnounceCheckedChange(TControl* control);
