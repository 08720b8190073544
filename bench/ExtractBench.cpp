// Extracts one archive through the 7-Zip binding (CreateInArchive, SetPassword,
// SetProgressCallback, OpenFile, ExtractTo, as the install sequence does) and with "7z x" into
// another folder, alternating, each in its own process. Reports the wall time and peak memory
// of both and their ratios, and checks that the two extracted trees are identical.
//
// Usage: bench_extract [archive password]. Without arguments it extracts the installer's
// payload when the build made one, else an archive of the payload's shape that it makes itself.
#include "sevenzip/sevenzip.h"
#include "winapi/Gbk.h"
#include "winapi/SystemRoot.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 5;
const char* const kPayloadPassword = "qhtrwel$$";

struct Measure {
    double seconds;
    long peakKilobytes;
};

HRESULT IgnoreProgress(void*, bool, Int64) {
    return S_OK;
}

// The child's side: one extraction through the binding, as the installer makes it.
int ExtractThroughBinding(const std::string& archive, const std::string& folder,
                          const std::string& password) {
    try {
        std::string library = winapi::ToWindowsPath(SEVEN_ZIP_LIBRARY).value();
        ComPtr<I7zArchiveReader> reader = CreateInArchive(CLSID_CFormat7z, library);
        reader->SetPassword(std::wstring(password.begin(), password.end()));
        reader->SetProgressCallback(nullptr, IgnoreProgress);
        reader->OpenFile(winapi::ToWindowsPath(archive).value());
        reader->ExtractTo(winapi::ToWindowsPath(folder).value());
        return 0;
    } catch (const Exception& error) {
        std::fprintf(stderr, "extraction failed: %s\n",
                     gbk::ToUtf8(error.Message()).value_or(error.Message()).c_str());
        return 1;
    }
}

// Runs argv in a child process and measures it.
Measure Run(const std::vector<std::string>& arguments) {
    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) {
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDOUT_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", arguments[0].c_str());
        std::exit(1);
    }
    return {seconds, usage.ru_maxrss};
}

std::string ReadWhole(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Relative paths and contents of every file and folder under root.
std::vector<std::pair<std::string, std::string>> Tree(const fs::path& root) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        std::string relative = fs::relative(entry.path(), root).string();
        entries.emplace_back(relative, entry.is_directory() ? "<folder>" : ReadWhole(entry.path()));
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

void WriteFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

// Data that compresses about as well as program files: repeated, varied records.
std::string ProgramLikeContent(unsigned seed, std::size_t size) {
    std::string content;
    content.reserve(size);
    unsigned state = seed * 2654435761u + 1;
    std::string block;
    while (content.size() < size) {
        state = state * 1664525u + 1013904223u;
        if (block.empty() || (state >> 28) == 0) {
            block.clear();
            for (int i = 0; i < 256; ++i) {
                state = state * 1664525u + 1013904223u;
                block += static_cast<char>(state >> 24);
            }
        }
        content.append(block, 0, 64 + (state >> 20) % 192);
        content += static_cast<char>(state >> 8);
    }
    content.resize(size);
    return content;
}

// An archive of the payload's shape: 186 files (10 in the root, the rest two to three folders
// deep), encrypted data under a plain header, two solid blocks, the second with BCJ.
fs::path MakeComparableArchive(const fs::path& work) {
    fs::path source = work / "source";
    std::vector<std::string> plain, programs;
    for (unsigned i = 0; i < 186; ++i) {
        std::string name =
            i < 10   ? "root" + std::to_string(i)
            : i < 90 ? "Vostrel/skin/part" + std::to_string(i)
                     : "Vostrel/lib/codec" + std::to_string(i % 7) + "/mod" + std::to_string(i);
        bool program = i >= 90 || i % 3 == 0;
        name += program ? ".dll" : ".dat";
        std::size_t size = program ? 300000 + (i * 7919) % 700000 : 20000 + (i * 104729) % 200000;
        WriteFile(source / name, ProgramLikeContent(i, size));
        (program ? programs : plain).push_back(name);
    }
    fs::path archive = work / "comparable.7z";
    auto add = [&](const std::vector<std::string>& names, const std::string& methods) {
        std::ofstream list(work / "list.txt");
        for (const std::string& name : names)
            list << name << '\n';
        list.close();
        std::string command = "cd '" + source.string() + "' && " SEVEN_ZIP_COMMAND " a '-p" +
                              kPayloadPassword + "' -mhe=off -ms=on " + methods + " '" +
                              archive.string() + "' @'" + (work / "list.txt").string() +
                              "' >/dev/null";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "making the archive failed\n");
            std::exit(1);
        }
    };
    add(plain, "-m0=LZMA:d=16m");
    add(programs, "-m0=BCJ -m1=LZMA:d=16m");
    fs::remove_all(source);
    return archive;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--extract")
        return ExtractThroughBinding(argv[2], argv[3], argv[4]);

    fs::path work = fs::temp_directory_path() / ("bench-extract-" + std::to_string(getpid()));
    fs::create_directories(work);
    setenv("WINEPREFIX", (work / "prefix").c_str(), 1);

    std::string archive, password = kPayloadPassword, origin;
    if (argc == 3) {
        archive = fs::absolute(argv[1]).string();
        password = argv[2];
        origin = "given archive";
    }
#ifdef VOSTREL_PAYLOAD_ARCHIVE
    if (archive.empty() && fs::exists(VOSTREL_PAYLOAD_ARCHIVE)) {
        archive = VOSTREL_PAYLOAD_ARCHIVE;
        origin = "installer payload";
    }
#endif
    if (archive.empty()) {
        std::printf("making an archive of the payload's shape...\n");
        archive = MakeComparableArchive(work).string();
        origin = "comparable archive made by the benchmark";
    }
    std::printf("archive: %s (%s, %ju bytes)\n", archive.c_str(), origin.c_str(),
                static_cast<std::uintmax_t>(fs::file_size(archive)));

    std::string self = fs::read_symlink("/proc/self/exe").string();
    fs::path ours = work / "binding", anchor = work / "7z";
    std::vector<double> ourTimes, anchorTimes;
    long ourPeak = 0, anchorPeak = 0;
    for (int round = 0; round < kRounds; ++round) {
        fs::remove_all(ours);
        fs::remove_all(anchor);
        Measure a = Run({self, "--extract", archive, ours.string(), password});
        Measure b = Run({"/bin/sh", SEVEN_ZIP_COMMAND, "x", "-p" + password, "-y",
                         "-o" + anchor.string(), archive});
        ourTimes.push_back(a.seconds);
        anchorTimes.push_back(b.seconds);
        ourPeak = std::max(ourPeak, a.peakKilobytes);
        anchorPeak = std::max(anchorPeak, b.peakKilobytes);
    }
    bool identical = Tree(ours) == Tree(anchor);

    auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    double ourTime = median(ourTimes), anchorTime = median(anchorTimes);
    std::printf("rounds: %d, alternating\n", kRounds);
    std::printf("ExtractTo : median %.3f s, peak memory %ld KiB\n", ourTime, ourPeak);
    std::printf("7z x      : median %.3f s, peak memory %ld KiB\n", anchorTime, anchorPeak);
    std::printf("wall time ratio   : %.3f (goal <= 1.05)\n", ourTime / anchorTime);
    std::printf("peak memory ratio : %.3f (goal <= 1.10)\n",
                static_cast<double>(ourPeak) / static_cast<double>(anchorPeak));
    std::printf("extracted trees   : %s\n", identical ? "identical" : "DIFFERENT");
    fs::remove_all(work);
    return identical ? 0 : 1;
}
