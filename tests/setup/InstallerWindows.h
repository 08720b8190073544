// The installer's three windows on a fresh application object, with scripted dialogs and a
// temporary system root, as the program creates them at start-up. The windows go with the
// application at the end of the test.
#pragma once

#include "support/TempSystemRoot.h"

#include "rtl/Application.h"
#include "rtl/ScriptedDialogService.h"

#include <winapi/ProgramStarter.h>

#include "setup/InstallSequence.h"

#include <QAccessible>

#include <memory>
#include <string>
#include <vector>

class TControl;

namespace testing_support {

// What a screen reader sees of control: a failure unless it has this role and name. The
// interface, for further checks; nullptr when there is none.
QAccessibleInterface* ExpectAccessible(TControl* control, QAccessible::Role role, const char* name);

// Ends what a test's installer left: the application and its windows, an install part-way
// (undone, as the program would at its end), the install locks and the held payload.
void EndTestInstaller(std::unique_ptr<TApplication>& app);

class InstallerWindowsTest : public SystemRootTest {
protected:
    InstallerWindowsTest();
    ~InstallerWindowsTest() override;

    // The progress window holds no install yet: no options, no folder, start timer off.
    static void ExpectNoInstallHandedOver();

    std::unique_ptr<TApplication> app;
    ScriptedDialogService* dialogs = nullptr;
};

// The payload files a test placed in folder (a Linux path), held as the install action holds
// what it writes.
TPayloadFiles HoldPlacedPayload(const std::string& folder);

// The install sequence's reports, kept for the test to read; waits are not waited.
class RecordingObserver final : public IInstallObserver {
public:
    void Status(const AnsiString& text) override { statuses.push_back(text); }
    void Progress(bool isTotal, Int64 value) override { (isTotal ? total : done) = value; }
    void Wait(DWORD milliseconds) override { waited += milliseconds; }
    void ProcessMessages() override {}
    void Note(const AnsiString& text) override { notes.push_back(text); }

    std::vector<AnsiString> statuses;
    std::vector<AnsiString> notes;
    Int64 total = 0;
    Int64 done = 0;
    DWORD waited = 0;
};

// Records program starts instead of making them, while it exists.
class RecordingStarter final : public winapi::ProgramStarter {
public:
    RecordingStarter() { winapi::SetProgramStarter(this); }
    ~RecordingStarter() override { winapi::SetProgramStarter(nullptr); }
    RecordingStarter(const RecordingStarter&) = delete;
    RecordingStarter& operator=(const RecordingStarter&) = delete;

    int Start(const winapi::ProgramStart& start) override {
        starts.push_back(start);
        return 0;
    }
    std::vector<winapi::ProgramStart> starts;
};

} // namespace testing_support
