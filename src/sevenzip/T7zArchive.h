// T7zArchive: a loaded 7-Zip library that handles archive formats, and the class id of the
// format handler its readers ask for.
#pragma once

#include "sevenzip/T7zPlugin.h"

class T7zArchive : public T7zPlugin {
public:
    // Raises "%s is not a Format library" (the library unloaded again) when the library
    // lacks GetHandlerProperty. The class id starts all zero.
    explicit T7zArchive(const AnsiString& libraryPath);

    const CLSID& ClassId() const { return classId_; }
    void SetClassId(const CLSID& classId) { classId_ = classId; }

protected:
    ~T7zArchive() override = default;

private:
    // Looked up only to check that the library is a format library; never called.
    FARPROC getHandlerProperty_;
    CLSID classId_{};
};
