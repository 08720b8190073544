// What the installer says about the product and its maker: the web address (uninstall entry,
// missing-archive message) and the publisher line of the uninstall entry.
#pragma once

#include "rtl/SysUtils.h"

const AnsiString& ProductWebAddress();
const AnsiString& ProductPublisher(); // GBK
