#include "InstallSequence.h"

#include "EarlierCopy.h"
#include "InstallTransaction.h"
#include "InstalledItems.h"
#include "PayloadFiles.h"
#include "ProcessClosing.h"
#include "ProductInfo.h"
#include "ShellIntegration.h"
#include "WineSupport.h"

#include "rtl/FileUtils.h"
#include "rtl/SysErrorMessage.h"
#include "sevenzip/sevenzip.h"

#include "winapi/Gbk.h"
#include "winapi/kernel32.h"
#include "winapi/shell32.h"

#include <cstdint>

namespace {

const AnsiString kProductProcesses = "qzmini.exe|mervo.exe|p2ptrans.exe|qztrans.exe|mervotips.exe";
constexpr int kClosingPasses = 21;
constexpr DWORD kPauseAfterClosing = 1000;
constexpr DWORD kSettlingWait = 3000;
const std::wstring kArchivePassword = L"qhtrwel$$";

AnsiString MissingArchiveMessage() {
    return gbk::Literal("安装包有误，找不到离线文件，建议去官方网站( ") + ProductWebAddress() +
           gbk::Literal(" )下载安装包");
}

AnsiString NothingUnpackedMessage(const AnsiString& folder) {
    return gbk::Literal("未能解压安装包：无法创建安装文件夹“") + folder + gbk::Literal("”");
}

HRESULT ReportProgress(void* observer, bool isTotal, Int64 value) {
    static_cast<IInstallObserver*>(observer)->Progress(isTotal, value);
    // A cancel stops the extraction at its next report.
    return InstallTransaction().CancelRequested() ? E_ABORT : S_OK;
}

// Writes the uninstall list as it stands, so that a killed run leaves a record of what it made.
void SaveUninstallList(const AnsiString& listFile) {
    InstalledItems().SaveToFile(InstallTransaction().PrepareFile(listFile));
}

void RunSteps(const TInstallState& state, IInstallObserver& observer,
              TInstallTransaction& transaction) {
    const AnsiString& installDir = state.installDir;
    const AnsiString archive = installDir + kPayloadArchiveName;
    const AnsiString mainProgram = installDir + kMainProgramName;
    const AnsiString uninstaller = installDir + kUninstallerName;
    const AnsiString listFile = installDir + kUninstallListName;
    // Read before the install rewrites the entry: where the product was installed until now.
    const AnsiString earlierFolder = RegisteredInstallFolder();

    // Without the payload the install action wrote and holds there is nothing to install.
    if (!HeldPayload())
        throw EPayloadMissing(MissingArchiveMessage());
    // Close running product processes, pass after pass, until none is left to close.
    for (int pass = 0; pass < kClosingPasses; ++pass) {
        transaction.ThrowIfCancelled();
        observer.Status(gbk::Literal("正在关闭Talvimo播放器主程序..."));
        if (KillProcessesByName(kProductProcesses) == 0)
            break;
        observer.Note(gbk::Literal("已结束正在运行的产品进程"));
        observer.Wait(kPauseAfterClosing);
    }
    // Let the closed processes release their files.
    observer.Wait(kSettlingWait);
    transaction.ThrowIfCancelled();
    // The extraction pumps no messages: the one pump before it shows this text.
    observer.Status(gbk::Literal("正在释放文件..."));
    observer.ProcessMessages();
    transaction.ThrowIfCancelled();
    transaction.WithBatchedRecords(
        [&] { ExtractArchive(*HeldPayload(), installDir, observer, transaction.Files()); });
    HeldPayload().reset(); // the archive's blocks go with its deletion below
    transaction.ThrowIfCancelled();
    // The library the install action wrote stays in the folder with the product's files; the
    // archive goes below. The install folder comes first, so the uninstaller takes it last, and
    // only once empty.
    TInstalledItems& items = InstalledItems();
    items.AddFolder(ExcludeTrailingBackslash(installDir));
    items.AddFile(installDir + kArchiveLibraryName);
    for (const AnsiString& file : transaction.Files().WrittenFiles()) {
        if (file == archive)
            continue;
        items.AddFile(file);
        observer.Note(gbk::Literal("写入文件 ") + file);
    }
    SaveUninstallList(listFile);
    observer.Status(gbk::Literal("完成:100% ."));
    // The archive has served its purpose; a failure to delete it is harmless.
    DeleteFileA(archive.c_str());
    // Also creates the Start-menu folder "Talvimo" that the uninstall link is saved into.
    CreateProductShortcuts(state);
    CreateShortcut(uninstaller, CSIDL_PROGRAMS, L"Talvimo\\卸载");
    SaveUninstallList(listFile);
    transaction.ThrowIfCancelled();
    // The start-with-Windows value follows the user's choice: an unticked box writes no
    // value and removes one an earlier install left behind.
    SetAutoRun(mainProgram + " Minimize", state.autoStart);
    WriteUninstallEntry(uninstaller, mainProgram);
    // Installed into another folder, the product has moved: one copy, one entry and one
    // uninstaller remain, and the earlier uninstaller cannot remove what this install made.
    if (!earlierFolder.empty() && !IsSameFolder(earlierFolder, installDir)) {
        RemoveEarlierCopy(earlierFolder, items);
        observer.Note(gbk::Literal("移除旧位置的安装 ") + earlierFolder);
    }
    // The uninstall list, which lists itself so the uninstaller removes it last.
    items.AddFile(listFile);
    SaveUninstallList(listFile);
    observer.Note(gbk::Literal("写入卸载列表 ") + listFile);
    transaction.ThrowIfCancelled();
    transaction.Commit();
}

} // namespace

void ExtractArchive(const TPayloadFiles& payload, const AnsiString& destDir,
                    IInstallObserver& observer, TExtractionJournal& journal) {
    // The reader (and with it the library) is released on every way out, errors included.
    // Library and archive are the held files the install action checked, not whatever now
    // bears their names.
    ComPtr<I7zArchiveReader> reader = CreateInArchive(CLSID_CFormat7z, payload.LibraryPath());
    reader->SetPassword(kArchivePassword);
    reader->SetProgressCallback(&observer, ReportProgress);
    reader->OpenFile(payload.ArchivePath());
    // A folder no longer creatable stops the install like any other error, rather than
    // deleting the archive and reporting an install of files that are not there.
    if (!journal.PrepareFolder(destDir))
        throw Exception(NothingUnpackedMessage(destDir));
    reader->ExtractTo(destDir, journal);
}

void RunInstallSequence(const TInstallState& state, IInstallObserver& observer) {
    TInstallTransaction& transaction = InstallTransaction();
    // Run on its own (by a test or a tool), the sequence is a transaction of its own.
    if (!transaction.Active())
        transaction.Begin();
    try {
        RunSteps(state, observer, transaction);
    } catch (...) {
        // A required step failed, or a cancel stopped a step part-way: all is undone.
        transaction.Rollback();
        if (transaction.WasCancelled())
            throw ECancelled(CancelledMessage());
        throw;
    }
}

AnsiString StartFailureMessage(const AnsiString& file, INT code) {
    // SE_ERR_NOASSOC shares its number with an unrelated system error, so it has its own text.
    // The system's texts end in their own full stop.
    const AnsiString reason = code == SE_ERR_NOASSOC ? gbk::Literal("没有可以运行它的程序。")
                                                     : SysErrorMessage(static_cast<DWORD>(code));
    return gbk::Literal("无法启动 ") + file + ": " + reason;
}

std::vector<AnsiString> FinishInstall(const AnsiString& installDir, bool startProduct) {
    const AnsiString product = installDir + kMainProgramName;
    if (AnsiString missing = MissingWineMessage(product); !missing.empty())
        return {missing};
    std::vector<AnsiString> problems;
    auto start = [&](const char* verb, const AnsiString& file, const AnsiString& parameters) {
        const auto code = static_cast<INT>(reinterpret_cast<std::intptr_t>(ShellExecuteA(
            nullptr, verb, file.c_str(), parameters.empty() ? nullptr : parameters.c_str(), nullptr,
            SW_SHOWNORMAL)));
        if (code <= 32)
            problems.push_back(StartFailureMessage(file, code));
    };
    start("open", "Regsvr32.exe", "/s \"" + installDir + kPlugInName + "\"");
    // No verb: the file's default action.
    if (startProduct)
        start(nullptr, product, AnsiString());
    return problems;
}
