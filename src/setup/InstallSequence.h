// The install sequence after the install action has written the payload: closing the product's
// processes, extraction, shortcuts, registry entries and the uninstall list. The progress
// window and the unattended command line both run it; each shows its status, progress and
// waits in its own way through IInstallObserver. Its state (install folder, options) is the
// progress window's, which both fill as the options window's install action does.
#pragma once

#include "winapi/windef.h"

#include <vector>

#include "rtl/SysUtils.h"
#include "sevenzip/ExtractionJournal.h"
#include "sevenzip/SevenZipInterfaces.h"

class IInstallObserver {
public:
    virtual ~IInstallObserver() = default;
    // A new status line (GBK).
    virtual void Status(const AnsiString& text) = 0;
    // The extraction's total (isTotal) or amount done so far, in bytes.
    virtual void Progress(bool isTotal, Int64 value) = 0;
    // A fixed pause of the sequence; the window keeps handling its messages meanwhile.
    virtual void Wait(DWORD milliseconds) = 0;
    // A step worth a line in a log (GBK), not shown as status.
    virtual void Note(const AnsiString& text) = 0;
};

// The payload archive is not in the install folder: nothing can be installed.
class EPayloadMissing : public Exception {
public:
    using Exception::Exception;
};

// Runs the sequence for Form2's InstallDir and options. Raises EPayloadMissing (with the
// message the user sees) when the archive is missing, and any step's error otherwise; a failed
// extraction has removed what it created and restored what it replaced.
void RunInstallSequence(IInstallObserver& observer);

// Unpacks the archive at archivePath into destDir (ending in a backslash) with the 7-Zip
// library destDir + "7z.dll", reporting progress to observer and leaving in journal what it
// wrote. 1 when the extraction ran; 0 when the archive is not an existing file or destDir
// cannot be created. Errors of the binding pass on to the caller, after the rollback.
int ExtractArchive(const AnsiString& archivePath, const AnsiString& destDir,
                   IInstallObserver& observer, TExtractionJournal& journal);

// What the finish button does besides ending: registers the plug-in, and starts the product
// when startProduct. Nothing is started without a Wine that can run the product. The starts
// are not waited for; what could not be started comes back as messages for the user.
std::vector<AnsiString> FinishInstall(const AnsiString& installDir, bool startProduct);

// The message for a program start that failed with ShellExecuteA's code (at most 32).
AnsiString StartFailureMessage(const AnsiString& file, INT code);
