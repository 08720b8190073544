// The controls as assistive technology sees them. Qt asks its accessibility factories for an
// interface per widget; ours answers for the widgets that paint for a control (forms, skinned
// check boxes) and for the stand-ins of windowless controls, with the control's role, name and
// checked state, a press or toggle action that does what the keyboard does, and the access
// key (Alt+letter) as that action's key binding. Native
// controls (edit box, push button, progress bar) keep Qt's own interfaces.
#pragma once

#include <thread>

class TControl;
class QObject;

// Connects to the session bus on a thread of its own, before Qt starts, for the reader bridge
// that Qt's desktop platforms start with the first window. Without a bus address in the
// environment that connection launches a bus first (dbus-launch), which would otherwise hold up
// the first window. Returns the thread, which must end before Qt does; none on the platforms
// without the bridge (offscreen and the like), where nothing would use the connection.
std::jthread ConnectReaderBusAhead();

// Installs the factory; once per process, before the first window shows.
void InstallControlAccessibility();
// The control a widget paints or stands for, or nullptr.
TControl* ControlOfWidget(QObject* object);
// Tell assistive technology that the control's name (a status line's text) changed, or that
// it was ticked or unticked. Nothing is told of a control not on screen: no reader can see it,
// and telling would start the reader bridge while the windows are still being made.
void AnnounceNameChange(TControl* control);
void AnnounceCheckedChange(TControl* control);
