#include "InstallAction.h"

#include "InstallLock.h"
#include "InstallTransaction.h"
#include "InstalledItems.h"
#include "IntegrityCheck.h"
#include "ProductInfo.h"
#include "ResourceFiles.h"
#include "WineSupport.h"

#include "rtl/FileUtils.h"
#include "rtl/Streams.h"
#include "rtl/SysErrorMessage.h"

#include "winapi/SystemRoot.h"
#include "winapi/kernel32.h"

namespace {

// Writes a carried file into the install folder, setting aside the one it replaces.
void SavePayloadFile(const char* resource, const AnsiString& fileName) {
    try {
        SaveResourceToFile(resource, InstallTransaction().PrepareFile(fileName));
    } catch (const EStreamError&) { // EFCreateError included
        throw;
    } catch (const Exception& e) {
        throw EDamagedSetup(e.Message());
    }
}

} // namespace

void PerformInstallAction(const TInstallState& state) {
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
    TInstallTransaction& transaction = InstallTransaction();
    transaction.Begin();
    try {
        // A reinstall keeps the earlier install's record: the uninstaller removes both.
        TInstalledItems& items = InstalledItems();
        items.Clear();
        items.LoadFromFile(state.installDir + kUninstallListName);
        if (!transaction.PrepareFolder(state.installDir))
            throw Exception(SysErrorMessage(GetLastError()));
        items.AddFolder(ExcludeTrailingBackslash(state.installDir));
        // The library last: an archive without it is never taken for a whole payload.
        SavePayloadFile("F1", state.installDir + kPayloadArchiveName);
        SavePayloadFile("F7z", state.installDir + kArchiveLibraryName);
    } catch (...) {
        transaction.Rollback();
        throw;
    }
}
