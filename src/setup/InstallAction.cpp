#include "InstallAction.h"

#include "ForeignFolders.h"
#include "InstallLock.h"
#include "IntegrityCheck.h"
#include "PayloadFiles.h"
#include "ProductInfo.h"
#include "ResourceFiles.h"
#include "WineSupport.h"

#include "rtl/FileUtils.h"
#include "rtl/Streams.h"
#include "rtl/SysErrorMessage.h"

#include "winapi/SystemRoot.h"
#include "winapi/kernel32.h"

void PerformInstallAction(const TInstallState& state) {
    // Root writes into no folder another user controls: the system root first, as finding the
    // install folder's Linux path may create it.
    RefuseForeignSystemRoot();
    if (const auto folder = winapi::ToLinuxPath(state.installDir))
        RefuseForeignFolders(*folder);
    // A product the system root cannot run is not installed into it at all.
    if (const auto root = winapi::SystemRootLocation())
        if (const AnsiString unfit = RootArchitectureMessage(*root, ProductMachine());
            !unfit.empty())
            throw Exception(unfit);
    // A second installer on the same system root would write under the first one's feet.
    if (!TryLockInstall())
        throw EInstallRunning(InstallRunningMessage());
    try {
        AwaitIntactResources();
    } catch (const Exception& e) {
        throw EDamagedSetup(e.Message());
    }
    if (!ForceDirectories(state.installDir))
        throw Exception(SysErrorMessage(GetLastError()));
    HeldPayload().reset();
    try {
        // The library last: an archive without it is never taken for a whole payload.
        winapi::FileDescriptor archive =
            SaveResourceToFile("F1", state.installDir + kPayloadArchiveName);
        winapi::FileDescriptor library =
            SaveResourceToFile("F7z", state.installDir + kArchiveLibraryName);
        HeldPayload().emplace(std::move(archive), std::move(library));
    } catch (const EStreamError&) { // EFCreateError included
        throw;
    } catch (const Exception& e) {
        throw EDamagedSetup(e.Message());
    }
}
