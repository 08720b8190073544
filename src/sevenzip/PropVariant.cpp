#include "sevenzip/PropVariant.h"

#include "rtl/SysUtils.h"
#include "sevenzip/Bstr.h"
#include "winapi/Gbk.h"

#include <limits>
#include <optional>

namespace {

// Whole-number kinds as one signed 64-bit value (unsigned 64-bit ones above its range as
// nullopt, which fits no conversion that needs a number).
std::optional<Int64> WholeNumber(const PROPVARIANT& value, bool& isNumber) {
    isNumber = true;
    switch (value.vt) {
    case VT_I1:
        return value.cVal;
    case VT_UI1:
        return value.bVal;
    case VT_I2:
        return value.iVal;
    case VT_UI2:
        return value.uiVal;
    case VT_I4:
        return value.lVal;
    case VT_INT:
        return value.intVal;
    case VT_UI4:
        return value.ulVal;
    case VT_UINT:
        return value.uintVal;
    case VT_I8:
        return value.hVal;
    case VT_UI8:
        if (value.uhVal > static_cast<UInt64>(std::numeric_limits<Int64>::max()))
            return std::nullopt;
        return static_cast<Int64>(value.uhVal);
    default:
        isNumber = false;
        return std::nullopt;
    }
}

[[noreturn]] void RaiseInvalidConversion() {
    throw Exception(gbk::Literal("无法转换的属性值类型"));
}

} // namespace

void ClearPropVariant(PROPVARIANT& value) {
    if (value.vt == VT_BSTR)
        FreeBstr(value.bstrVal);
    value.vt = VT_EMPTY;
}

std::wstring PropVariantToWide(const PROPVARIANT& value) {
    if (value.vt == VT_EMPTY || value.vt == VT_NULL)
        return {};
    if (value.vt == VT_BSTR)
        return std::wstring(BstrText(value.bstrVal));
    if (value.vt == VT_BOOL)
        return value.boolVal ? L"True" : L"False";
    bool isNumber = false;
    std::optional<Int64> number = WholeNumber(value, isNumber);
    if (number)
        return std::to_wstring(*number);
    if (isNumber)
        return std::to_wstring(value.uhVal);
    RaiseInvalidConversion();
}

Int32 PropVariantToInt32(const PROPVARIANT& value) {
    if (value.vt == VT_EMPTY || value.vt == VT_NULL)
        return 0;
    if (value.vt == VT_BOOL)
        return value.boolVal ? -1 : 0;
    bool isNumber = false;
    std::optional<Int64> number = WholeNumber(value, isNumber);
    if (!isNumber)
        RaiseInvalidConversion();
    if (!number || *number < std::numeric_limits<Int32>::min() ||
        *number > std::numeric_limits<Int32>::max())
        throw Exception(gbk::Literal("属性值超出 32 位整数的范围"));
    return static_cast<Int32>(*number);
}

bool PropVariantToBool(const PROPVARIANT& value) {
    if (value.vt == VT_EMPTY || value.vt == VT_NULL)
        return false;
    if (value.vt == VT_BOOL)
        return value.boolVal != 0;
    bool isNumber = false;
    std::optional<Int64> number = WholeNumber(value, isNumber);
    if (!isNumber)
        RaiseInvalidConversion();
    return !number || *number != 0;
}
