#include "PayloadFiles.h"

#include <string>

namespace {

// Drive Z: is the Linux root, so this names the open file whatever became of its own name.
AnsiString DescriptorPath(const winapi::FileDescriptor& file) {
    return "Z:\\proc\\self\\fd\\" + std::to_string(file.Get());
}

} // namespace

TPayloadFiles::TPayloadFiles(winapi::FileDescriptor archive, winapi::FileDescriptor library)
    : archive_(std::move(archive)), library_(std::move(library)) {}

AnsiString TPayloadFiles::ArchivePath() const {
    return DescriptorPath(archive_);
}

AnsiString TPayloadFiles::LibraryPath() const {
    return DescriptorPath(library_);
}

std::optional<TPayloadFiles>& HeldPayload() {
    static std::optional<TPayloadFiles> payload;
    return payload;
}
