#include "TypeInfo.h"

#include "StandardClasses.h"
#include "SysUtils.h"

#include <array>
#include <limits>
#include <map>
#include <strings.h>

using namespace std::string_view_literals;

namespace {

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

struct NamedConstant {
    std::string_view name;
    std::int32_t value;
};

constexpr std::array kColors = {
    NamedConstant{"clBlack", clBlack},
    NamedConstant{"clMaroon", clMaroon},
    NamedConstant{"clGreen", clGreen},
    NamedConstant{"clOlive", clOlive},
    NamedConstant{"clNavy", clNavy},
    NamedConstant{"clPurple", clPurple},
    NamedConstant{"clTeal", clTeal},
    NamedConstant{"clGray", clGray},
    NamedConstant{"clSilver", clSilver},
    NamedConstant{"clRed", clRed},
    NamedConstant{"clLime", clLime},
    NamedConstant{"clYellow", clYellow},
    NamedConstant{"clBlue", clBlue},
    NamedConstant{"clFuchsia", clFuchsia},
    NamedConstant{"clAqua", clAqua},
    NamedConstant{"clWhite", clWhite},
    NamedConstant{"clScrollBar", clScrollBar},
    NamedConstant{"clBackground", clBackground},
    NamedConstant{"clWindow", clWindow},
    NamedConstant{"clWindowText", clWindowText},
    NamedConstant{"clHighlight", clHighlight},
    NamedConstant{"clHighlightText", clHighlightText},
    NamedConstant{"clBtnFace", clBtnFace},
    NamedConstant{"clBtnShadow", clBtnShadow},
    NamedConstant{"clGrayText", clGrayText},
    NamedConstant{"clBtnText", clBtnText},
    NamedConstant{"clBtnHighlight", clBtnHighlight},
    NamedConstant{"clNone", clNone},
    NamedConstant{"clDefault", clDefault},
};

constexpr std::array kCursors = {
    NamedConstant{"crDefault", crDefault},     NamedConstant{"crNone", crNone},
    NamedConstant{"crArrow", crArrow},         NamedConstant{"crCross", crCross},
    NamedConstant{"crIBeam", crIBeam},         NamedConstant{"crSizeNESW", crSizeNESW},
    NamedConstant{"crSizeNS", crSizeNS},       NamedConstant{"crSizeNWSE", crSizeNWSE},
    NamedConstant{"crSizeWE", crSizeWE},       NamedConstant{"crUpArrow", crUpArrow},
    NamedConstant{"crHourGlass", crHourGlass}, NamedConstant{"crNo", crNo},
    NamedConstant{"crAppStart", crAppStart},   NamedConstant{"crHelp", crHelp},
    NamedConstant{"crHandPoint", crHandPoint}, NamedConstant{"crSizeAll", crSizeAll},
};

template <size_t N>
std::int64_t ConstantOrInteger(const TValue& value, const std::array<NamedConstant, N>& names) {
    if (value.kind == TValue::Kind::Integer)
        return value.integer;
    if (value.kind == TValue::Kind::Ident)
        for (const NamedConstant& c : names)
            if (SameText(c.name, value.text))
                return c.value;
    ThrowInvalidValue();
}

std::int64_t IntegerIn(const TValue& value, std::int64_t low, std::int64_t high) {
    if (value.kind != TValue::Kind::Integer || value.integer < low || value.integer > high)
        ThrowInvalidValue();
    return value.integer;
}

std::map<std::string, const TClassInfo*, std::less<>>& Registry() {
    static std::map<std::string, const TClassInfo*, std::less<>> registry;
    return registry;
}

} // namespace

void ThrowInvalidValue() {
    throw EReadError("Invalid property value");
}

int FindName(NameTable names, std::string_view ident) {
    for (size_t i = 0; i < names.size(); ++i)
        if (SameText(names[i], ident))
            return static_cast<int>(i);
    return -1;
}

int ValueOf<int>::From(const TValue& value) {
    return static_cast<int>(
        IntegerIn(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

bool ValueOf<bool>::From(const TValue& value) {
    if (value.kind == TValue::Kind::Ident) {
        if (SameText(value.text, "True"))
            return true;
        if (SameText(value.text, "False"))
            return false;
    }
    ThrowInvalidValue();
}

AnsiString ValueOf<AnsiString>::From(const TValue& value) {
    if (value.kind != TValue::Kind::String)
        ThrowInvalidValue();
    return value.text;
}

TColor ValueOf<TColor>::From(const TValue& value) {
    std::int64_t v = ConstantOrInteger(value, kColors);
    if (v < std::numeric_limits<std::int32_t>::min() || v > 0xFFFFFFFFll)
        ThrowInvalidValue();
    return static_cast<TColor>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
}

TCursor ValueOf<TCursor>::From(const TValue& value) {
    std::int64_t v = ConstantOrInteger(value, kCursors);
    if (v < std::numeric_limits<std::int16_t>::min() ||
        v > std::numeric_limits<std::int16_t>::max())
        ThrowInvalidValue();
    return static_cast<TCursor>(v);
}

TBytes ValueOf<TBytes>::From(const TValue& value) {
    if (value.kind != TValue::Kind::Binary)
        ThrowInvalidValue();
    return value.bytes;
}

bool TClassInfo::InheritsFrom(const TClassInfo& ancestor) const {
    for (const TClassInfo* c = this; c; c = c->parent_)
        if (c == &ancestor)
            return true;
    return false;
}

const TPropertyInfo* TClassInfo::FindProperty(std::string_view name) const {
    for (const TClassInfo* c = this; c; c = c->parent_)
        for (const TPropertyInfo& p : c->properties_)
            if (SameText(p.name, name))
                return &p;
    return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(std::string_view name) const {
    for (const TClassInfo* c = this; c; c = c->parent_)
        for (const TMethodInfo& m : c->methods_)
            if (SameText(m.name, name))
                return &m;
    return nullptr;
}

const TFieldInfo* TClassInfo::FindField(std::string_view name) const {
    for (const TClassInfo* c = this; c; c = c->parent_)
        for (const TFieldInfo& f : c->fields_)
            if (SameText(f.name, name))
                return &f;
    return nullptr;
}

std::vector<const TFieldInfo*> TClassInfo::Fields() const {
    std::vector<const TFieldInfo*> all;
    for (const TClassInfo* c = this; c; c = c->parent_)
        for (const TFieldInfo& f : c->fields_)
            all.push_back(&f);
    return all;
}

void RegisterClass(const TClassInfo& info) {
    auto [it, inserted] = Registry().emplace(UpperCase(info.Name()), &info);
    if (!inserted && it->second != &info)
        throw EReadError("Class " + info.Name() + " is already registered");
}

const TClassInfo* FindClassInfo(std::string_view name) {
    RegisterStandardClasses();
    auto it = Registry().find(UpperCase(name));
    return it == Registry().end() ? nullptr : it->second;
}
