// Property values received from the library, converted the way the run-time converts
// variants: an empty value becomes "", 0 or false.
#pragma once

#include "sevenzip/SevenZipInterfaces.h"

#include <string>

// Frees what the value holds and leaves it empty.
void ClearPropVariant(PROPVARIANT& value);

// The conversions raise Exception for a value of a kind that has no such conversion, and
// PropVariantToInt32 for a number outside the signed 32-bit range.
std::wstring PropVariantToWide(const PROPVARIANT& value);
Int32 PropVariantToInt32(const PROPVARIANT& value);
bool PropVariantToBool(const PROPVARIANT& value);

// Holds one property value and frees it when it goes out of scope.
class PropVariantHolder {
public:
    PropVariantHolder() : value_{} { value_.vt = VT_EMPTY; }
    ~PropVariantHolder() { ClearPropVariant(value_); }
    PropVariantHolder(const PropVariantHolder&) = delete;
    PropVariantHolder& operator=(const PropVariantHolder&) = delete;

    PROPVARIANT* operator&() { return &value_; }
    const PROPVARIANT& Value() const { return value_; }

private:
    PROPVARIANT value_;
};
