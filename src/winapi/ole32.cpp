#include "ole32.h"

#include "ShellLink.h"

#include <map>
#include <mutex>
#include <tuple>

namespace {

thread_local int initialised = 0;

struct GuidLess {
    bool operator()(const GUID& a, const GUID& b) const {
        return std::tie(a.Data1, a.Data2, a.Data3) < std::tie(b.Data1, b.Data2, b.Data3) ||
               (std::tie(a.Data1, a.Data2, a.Data3) == std::tie(b.Data1, b.Data2, b.Data3) &&
                std::lexicographical_compare(a.Data4, a.Data4 + 8, b.Data4, b.Data4 + 8));
    }
};

std::mutex overridesMutex;
std::map<CLSID, std::function<IUnknown*()>, GuidLess> overrides;

IUnknown* MakeObject(REFCLSID clsid) {
    {
        std::lock_guard lock(overridesMutex);
        if (auto it = overrides.find(clsid); it != overrides.end())
            return it->second();
    }
    if (clsid == CLSID_ShellLink)
        return winapi::CreateShellLink();
    return nullptr;
}

} // namespace

HRESULT CoInitialize(LPVOID /*reserved*/) {
    return initialised++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (initialised > 0)
        --initialised;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                         LPVOID* object) {
    if (!object)
        return E_INVALIDARG;
    *object = nullptr;
    if (initialised == 0)
        return CO_E_NOTINITIALIZED;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    if ((context & (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER)) == 0)
        return REGDB_E_CLASSNOTREG;
    IUnknown* made = MakeObject(clsid);
    if (!made)
        return REGDB_E_CLASSNOTREG;
    const HRESULT result = made->QueryInterface(iid, object);
    made->Release();
    return result;
}

namespace winapi {

void OverrideComClass(REFCLSID clsid, std::function<IUnknown*()> make) {
    std::lock_guard lock(overridesMutex);
    if (make)
        overrides[clsid] = std::move(make);
    else
        overrides.erase(clsid);
}

} // namespace winapi
