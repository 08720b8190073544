// ole32: COM initialisation and object creation for the shell objects the program uses. On
// Linux there is no class registry: the layer knows its classes (the shell link) itself and
// makes them in process.
#pragma once

#include "windef.h"

#include <functional>

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;

constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0);

// Per thread, as COM's apartments are: S_OK the first time, S_FALSE when already initialised.
HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();

// CO_E_NOTINITIALIZED before CoInitialize on this thread, REGDB_E_CLASSNOTREG for a class the
// layer does not know or a context other than in-process or local server.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                         LPVOID* object);

namespace winapi {

// Test seam: CoCreateInstance makes the class's objects with make (for instance objects that
// lack an interface); an empty function restores the layer's own class.
void OverrideComClass(REFCLSID clsid, std::function<IUnknown*()> make);

} // namespace winapi
