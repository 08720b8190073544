// The Qt application every GUI test runs in: one per test process, on Qt's offscreen platform
// unless QT_QPA_PLATFORM says otherwise. Tests create their own TApplication on top of it, so
// each test starts with a fresh application object (title, main form, termination).
#pragma once

#include <QApplication>
#include <cstdlib>

namespace testing_support {

inline void EnsureQtApplication() {
    if (QApplication::instance())
        return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own static objects (input devices, ...) must not outlive it.
    new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
}

} // namespace testing_support
