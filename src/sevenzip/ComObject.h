// The reference counting shared by the subsystem's classes: the count starts at 0, every
// interface handed out holds one, and the object destroys itself when the last is released.
// The library may add and release references from its worker threads, so the count is atomic.
#pragma once

#include "winapi/windef.h"

#include <atomic>
#include <initializer_list>

class ComObject {
public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

protected:
    virtual ~ComObject() = default;

    ULONG AddRefObject() noexcept { return ++referenceCount_; }
    ULONG ReleaseObject() noexcept {
        ULONG remaining = --referenceCount_;
        if (remaining == 0)
            delete this;
        return remaining;
    }

    // One row of a class's interface table: an identifier and the table answering it.
    struct InterfaceEntry {
        const IID& iid;
        IUnknown* table;
    };

    // QueryInterface over a class's table: hands out the matching table with a new count.
    static HRESULT AnswerQuery(REFIID iid, void** object,
                               std::initializer_list<InterfaceEntry> entries) noexcept {
        if (!object)
            return E_INVALIDARG;
        for (const InterfaceEntry& entry : entries) {
            if (entry.iid == iid) {
                entry.table->AddRef();
                *object = entry.table;
                return S_OK;
            }
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

private:
    std::atomic<ULONG> referenceCount_{0};
};
