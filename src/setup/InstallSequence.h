// The install sequence after the install action has written the payload: closing the product's
// processes, extraction, shortcuts, registry entries and the uninstall list. The progress
// window and the unattended command line both run it; each shows its status, progress and
// waits in its own way through IInstallObserver. Both hand it the install state they filled.
#pragma once

#include "InstallState.h"
#include "PayloadFiles.h"

#include "winapi/windef.h"

#include <vector>

#include "rtl/SysUtils.h"
#include "sevenzip/ExtractionJournal.h"
#include "sevenzip/SevenZipInterfaces.h"

class IInstallObserver {
public:
    virtual ~IInstallObserver() = default;
    // A new status line (GBK). It is painted when messages are next processed.
    virtual void Status(const AnsiString& text) = 0;
    // The extraction's total (isTotal) or amount done so far, in bytes.
    virtual void Progress(bool isTotal, Int64 value) = 0;
    // A fixed pause of the sequence; the window keeps handling its messages meanwhile.
    virtual void Wait(DWORD milliseconds) = 0;
    // Lets the window handle what is pending once, before the extraction, which pumps nothing.
    virtual void ProcessMessages() = 0;
    // A step worth a line in a log (GBK), not shown as status.
    virtual void Note(const AnsiString& text) = 0;
};

// The payload archive is not in the install folder: nothing can be installed.
class EPayloadMissing : public Exception {
public:
    using Exception::Exception;
};

// Runs the sequence for state inside the transaction the install action began (or one of its own
// when none runs), and commits it at the end; the extras that could not be made are then in
// InstallTransaction().FailedExtras().
// Raises EPayloadMissing (with the message the user sees) when no install action has
// written the payload (HeldPayload() is empty),
// ECancelled when a signal, a lost display or the user stopped it, and a required step's error
// otherwise; the transaction has then undone every change of the install.
void RunInstallSequence(const TInstallState& state, IInstallObserver& observer);

// Unpacks the payload's archive into destDir (ending in a backslash) with the payload's 7-Zip
// library, reporting progress to observer and leaving in journal what it wrote. Raises when
// destDir cannot be created, and passes on the binding's errors; the caller commits or rolls
// back the journal.
void ExtractArchive(const TPayloadFiles& payload, const AnsiString& destDir,
                    IInstallObserver& observer, TExtractionJournal& journal);

// What the finish button does besides ending: registers the plug-in, and starts the product
// when startProduct. Nothing is started without a Wine that can run the product. The starts
// are not waited for; what could not be started comes back as messages for the user.
std::vector<AnsiString> FinishInstall(const AnsiString& installDir, bool startProduct);

// The message for a program start that failed with ShellExecuteA's code (at most 32).
AnsiString StartFailureMessage(const AnsiString& file, INT code);
