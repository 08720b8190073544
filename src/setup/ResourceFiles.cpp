#include "ResourceFiles.h"

#include "ProductInfo.h"

#include "winapi/kernel32.h"

void SaveResourceToFile(const char* name, const AnsiString& fileName) {
    HRSRC resource = FindResourceA(nullptr, name, RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    const auto* data = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
    if (!data)
        throw Exception("Resource " + AnsiString(name) + " not found");
    DWORD size = SizeofResource(nullptr, resource);

    // The resource is mapped from the executable and goes out from there without a copy.
    TFileStream file(fileName, fmCreate);
    if (file.Write(data, size) != size)
        throw EStreamError("Stream write error");
}

void WriteInstallPayload(const AnsiString& installDir) {
    SaveResourceToFile("F1", installDir + kPayloadArchiveName);
    SaveResourceToFile("F7z", installDir + kArchiveLibraryName);
}
