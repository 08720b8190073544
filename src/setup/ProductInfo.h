// What the installer knows about the product and its maker, in one place: the names of the
// payload files and of the product's programs, the product's name, its web address (uninstall
// entry, missing-archive message) and the publisher line of the uninstall entry.
#pragma once

#include "rtl/SysUtils.h"

// Files the install action writes into the install folder.
inline constexpr const char* kPayloadArchiveName = "Vostrel.7z";
inline constexpr const char* kArchiveLibraryName = "7z.dll";

// Files of the product, as the payload carries them.
inline constexpr const char* kMainProgramName = "mervo.exe";
inline constexpr const char* kUninstallerName = "UnInstall.exe";
inline constexpr const char* kPlugInName = "npmervo.dll";

// The product's name in links, the Start-menu folder and the uninstall entry.
inline constexpr const char* kProductName = "Talvimo";

const AnsiString& ProductWebAddress();
const AnsiString& ProductPublisher(); // GBK

// The application's title (GBK), which message boxes without a caption of their own show.
AnsiString SetupTitle();
