#include "sevenzip/sevenzip.h"

#include "sevenzip/T7zInArchive.h"

ComPtr<I7zArchiveReader> CreateInArchive(const CLSID& classId, const AnsiString& libraryPath) {
    ComPtr<I7zArchiveReader> reader(new T7zInArchive(libraryPath));
    reader->SetClassId(classId);
    return reader;
}
