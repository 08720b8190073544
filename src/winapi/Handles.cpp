// The handle table: a map from handle value to object, guarded by a mutex so a handle can be
// opened or closed from any thread.
#include "Handles.h"

#include <cstdint>
#include <map>
#include <mutex>

namespace winapi {
namespace {

std::mutex tableMutex;
std::map<std::uintptr_t, std::shared_ptr<KernelObject>> table;
std::uintptr_t nextHandle = 4;

} // namespace

HANDLE InsertHandle(std::shared_ptr<KernelObject> object) {
    std::lock_guard lock(tableMutex);
    const std::uintptr_t value = nextHandle;
    nextHandle += 4;
    table.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> FindHandle(HANDLE handle) {
    std::lock_guard lock(tableMutex);
    auto it = table.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == table.end() ? nullptr : it->second;
}

bool RemoveHandle(HANDLE handle) {
    std::shared_ptr<KernelObject> removed; // destroyed after the lock is released
    {
        std::lock_guard lock(tableMutex);
        auto it = table.find(reinterpret_cast<std::uintptr_t>(handle));
        if (it == table.end())
            return false;
        removed = std::move(it->second);
        table.erase(it);
    }
    return true;
}

void ForEachHandle(const std::function<void(KernelObject&)>& visit) {
    std::lock_guard lock(tableMutex);
    for (auto& [value, object] : table)
        visit(*object);
}

} // namespace winapi
