// reseal-7z -p<password> <archive> <output>
// Re-encrypts the 7zAES folders of an archive made with a plain header (7z a -mhc=off) under
// initialisation vectors derived from their key and data, so that packing the same files with
// the same password twice gives the same bytes. The output may be the archive itself; it is
// written to a temporary file beside it and renamed over it only when whole.
#include "ArchiveResealer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    std::vector<uint8_t> bytes(size > 0 ? static_cast<size_t>(size) : 0);
    if (size < 0 || !in.seekg(0) ||
        !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size)))
        throw std::runtime_error("cannot read " + path);
    return bytes;
}

void WriteFileWhole(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::string temporary = path + ".XXXXXX";
    const int descriptor = mkstemp(temporary.data());
    if (descriptor < 0)
        throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
    int error = fchmod(descriptor, 0644) == 0 ? 0 : errno;
    for (size_t done = 0; error == 0 && done < bytes.size();) {
        const ssize_t written = write(descriptor, bytes.data() + done, bytes.size() - done);
        if (written > 0)
            done += static_cast<size_t>(written);
        else if (written == 0 || errno != EINTR)
            error = written == 0 ? EIO : errno;
    }
    if (close(descriptor) != 0 && error == 0)
        error = errno;
    if (error == 0 && std::rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        unlink(temporary.c_str());
        throw std::runtime_error("cannot write " + path + ": " + std::strerror(error));
    }
}

} // namespace

int main(int argc, char** argv) {
    try {
        if (argc != 4 || std::strncmp(argv[1], "-p", 2) != 0)
            throw std::runtime_error("usage: reseal-7z -p<password> <archive> <output>");
        std::vector<uint8_t> archive = ReadWholeFile(argv[2]);
        ResealArchive(archive, argv[1] + 2);
        WriteFileWhole(argv[3], archive);
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "reseal-7z: " << error.what() << "\n";
        return 1;
    }
}
