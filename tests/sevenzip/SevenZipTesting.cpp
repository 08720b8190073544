#include "SevenZipTesting.h"

#include "winapi/Gbk.h"
#include "winapi/SystemRoot.h"

#include "support/RaisedMessage.h"
#include "support/TestArchive.h"

#include <fstream>

namespace fs = std::filesystem;

AnsiString SevenZipTest::WinPath(const fs::path& path) {
    return winapi::ToWindowsPath(path.string()).value();
}

void SevenZipTest::WriteFile(const fs::path& path, const std::string& content) {
    testing_support::WriteLinuxFile(path.string(), content);
}

std::string SevenZipTest::ReadFile(const fs::path& path) {
    return testing_support::ReadLinuxFile(path.string()).value_or("");
}

void SevenZipTest::MakeArchive(const fs::path& archive, const std::string& switches,
                               const fs::path& folder, const std::string& members) {
    testing_support::Run7zAdd(archive.string(), switches, folder.string(), members);
}

bool SevenZipTest::IsMapped(const fs::path& path) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find(path.string()) != std::string::npos)
            return true;
    return false;
}

std::string SevenZipTest::ErrorOf(const std::function<void()>& action) {
    return testing_support::RaisedMessage(action);
}

std::string SevenZipTest::Utf8(const AnsiString& gbkText) {
    return gbk::ToUtf8(gbkText).value_or("<not GBK>");
}

fs::path SevenZipTest::LibraryFile() {
    fs::path library = root_ / "lib" / "7z.dll";
    if (!fs::exists(library)) {
        fs::create_directories(library.parent_path());
        fs::copy_file(SEVEN_ZIP_LIBRARY, library);
    }
    return library;
}

ComPtr<I7zArchiveReader> SevenZipTest::NewReader() {
    return CreateInArchive(CLSID_CFormat7z, WinPath(LibraryFile()));
}

std::string SampleContent(const std::string& name, std::size_t size) {
    // A repeating but name-dependent pattern: compressible, and different for every file.
    std::string content;
    content.reserve(size);
    unsigned state = 2166136261u;
    for (char c : name)
        state = (state ^ static_cast<unsigned char>(c)) * 16777619u;
    while (content.size() < size) {
        state = state * 1103515245u + 12345u;
        content += static_cast<char>('a' + (state >> 16) % 26);
        if (content.size() % 61 == 0)
            content += '\n';
    }
    content.resize(size);
    return content;
}
