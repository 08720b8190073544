#include "tlhelp32.h"

#include "Handles.h"
#include "LinuxProcesses.h"
#include "kernel32.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr LONG kNormalPriority = 8;

class Snapshot : public winapi::KernelObject {
public:
    std::vector<PROCESSENTRY32> processes;
    size_t next = 0;
};

PROCESSENTRY32 MakeEntry(const winapi::ProcessDescription& process) {
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    entry.th32ProcessID = process.id;
    entry.cntThreads = process.threads;
    entry.th32ParentProcessID = process.parentId;
    entry.pcPriClassBase = kNormalPriority;
    const size_t length = std::min(process.exeFile.size(), sizeof entry.szExeFile - 1);
    std::memcpy(entry.szExeFile, process.exeFile.data(), length);
    return entry;
}

BOOL Deliver(HANDLE snapshot, PROCESSENTRY32* entry, bool first) {
    auto object = winapi::FindHandleAs<Snapshot>(snapshot);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!entry || entry->dwSize < sizeof(PROCESSENTRY32)) {
        SetLastError(ERROR_BAD_LENGTH);
        return FALSE;
    }
    if (first)
        object->next = 0;
    if (object->next >= object->processes.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *entry = object->processes[object->next++];
    return TRUE;
}

} // namespace

HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD /*processId*/) {
    auto snapshot = std::make_shared<Snapshot>();
    if (flags & TH32CS_SNAPPROCESS) {
        auto ids = winapi::RunningProcessIds();
        if (!ids) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        // A process that ends while the list is read is simply not in it.
        for (DWORD id : *ids)
            if (auto process = winapi::DescribeProcess(id); process && winapi::InThisSystem(id))
                snapshot->processes.push_back(MakeEntry(*process));
    }
    return winapi::InsertHandle(std::move(snapshot));
}

BOOL Process32First(HANDLE snapshot, PROCESSENTRY32* entry) {
    return Deliver(snapshot, entry, true);
}

BOOL Process32Next(HANDLE snapshot, PROCESSENTRY32* entry) {
    return Deliver(snapshot, entry, false);
}
