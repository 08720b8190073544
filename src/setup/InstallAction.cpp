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

#include "winapi/Gbk.h"
#include "winapi/SystemRoot.h"
#include "winapi/kernel32.h"

namespace {

// Writes the resource into the install folder and checks the bytes behind the descriptor it
// returns, not the name, which another process could rename something over. Raises Exception
// with DamagedResourceMessage when they differ from the resource's stamp.
winapi::FileDescriptor SaveCheckedResource(const char* name, const TInstallState& state,
                                           const char* fileName) {
    winapi::FileDescriptor written = SaveResourceToFile(name, state.installDir + fileName);
    if (!HoldsCarriedResource(written.Get(), name))
        throw Exception(gbk::FromUtf8(DamagedResourceMessage(name)).value_or(""));
    return written;
}

} // namespace

void PerformInstallAction(const TInstallState& state) {
    // Root writes into no folder another user controls: the system root first, as finding the
    // install folder's Linux path may create it.
    RefuseForeignSystemRoot();
    // A product the system root cannot run is not installed into it at all.
    if (const auto root = winapi::SystemRootLocation())
        if (const AnsiString unfit = RootArchitectureMessage(*root, ProductMachine());
            !unfit.empty())
            throw Exception(unfit);
    if (const auto folder = winapi::ToLinuxPath(state.installDir))
        RefuseForeignFolders(*folder);
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
        winapi::FileDescriptor archive = SaveCheckedResource("F1", state, kPayloadArchiveName);
        winapi::FileDescriptor library = SaveCheckedResource("F7z", state, kArchiveLibraryName);
        HeldPayload().emplace(std::move(archive), std::move(library));
    } catch (const EStreamError&) { // EFCreateError included
        throw;
    } catch (const Exception& e) {
        throw EDamagedSetup(e.Message());
    }
}
