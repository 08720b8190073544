// Error objects the skin engine raises while unpacking a stored skin. Each carries the
// message text its caller shows; none is caught inside the engine.
#pragma once

#include "rtl/Classes.h"
#include "rtl/Picture.h"
#include "rtl/SysUtils.h"

// Raised as EReadError when a stream ends before the bytes asked for.
inline constexpr const char* kStreamReadError = "Stream read error";
// Raised as EInvalidGraphic when bytes that should hold a BMP file don't.
inline constexpr const char* kInvalidBitmap = "Bitmap image is not valid";

// The zlib stream of a stored skin is damaged.
class EDecompressionError : public Exception {
public:
    EDecompressionError() : Exception("compression error") {}
};

// Text that should hold an integer doesn't.
class EConvertError : public Exception {
public:
    explicit EConvertError(const AnsiString& text)
        : Exception("'" + text + "' is not a valid integer value") {}
};
