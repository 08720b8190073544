#include "ResourceFiles.h"

#include "ProductInfo.h"

#include "winapi/kernel32.h"

std::string_view ResourceBytes(const char* name) {
    HRSRC resource = FindResourceA(nullptr, name, RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    const auto* data = static_cast<const char*>(loaded ? LockResource(loaded) : nullptr);
    if (!data)
        throw Exception("Resource " + AnsiString(name) + " not found");
    return std::string_view(data, SizeofResource(nullptr, resource));
}

void SaveResourceToFile(const char* name, const AnsiString& fileName) {
    const std::string_view bytes = ResourceBytes(name);
    // The resource is mapped from the executable and goes out from there without a copy.
    TFileStream file(fileName, fmCreate);
    if (file.Write(bytes.data(), static_cast<std::uint32_t>(bytes.size())) != bytes.size())
        throw EStreamError("Stream write error");
}

void WriteInstallPayload(const AnsiString& installDir) {
    SaveResourceToFile("F1", installDir + kPayloadArchiveName);
    SaveResourceToFile("F7z", installDir + kArchiveLibraryName);
}
