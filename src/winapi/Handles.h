// Kernel object handles. Every HANDLE the layer gives out (files, processes, snapshots) names
// an object in one process-wide table; CloseHandle removes it, which destroys the object and
// releases what it holds (file descriptor, ...). Handle values are small multiples of 4, never
// 0 or INVALID_HANDLE_VALUE, as on Windows.
#pragma once

#include "windef.h"

#include <functional>
#include <memory>

namespace winapi {

class KernelObject {
public:
    virtual ~KernelObject() = default;
};

// Takes the object into the table and returns its new handle.
HANDLE InsertHandle(std::shared_ptr<KernelObject> object);

// The object behind a handle, or nullptr for a handle that is not open.
std::shared_ptr<KernelObject> FindHandle(HANDLE handle);

// The object behind a handle when it has type T, else nullptr.
template <class T> std::shared_ptr<T> FindHandleAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(FindHandle(handle));
}

// Removes a handle; false when it was not open.
bool RemoveHandle(HANDLE handle);

// Calls visit for every open object (under the table's lock: visit must not open or close).
void ForEachHandle(const std::function<void(KernelObject&)>& visit);

} // namespace winapi
