// The options window's payload write against a plain file copy, in the same run: writing the
// resources F1 (the payload archive) and F7z (the 7-Zip library) from the executable into the
// install folder, as the install action does, against copying the same two files from the build
// tree with `cp` and with std::filesystem::copy_file. All go into a temporary system root;
// reports the median of several rounds, the ratio to `cp` beside its goal (at most 1.0) and the
// peak memory after the writes, which stays low when the pages are not read into the process.
#include "rtl/FileUtils.h"
#include "setup/ResourceFiles.h"

#include "winapi/SystemRoot.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

double MedianMilliseconds(int rounds, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        auto start = std::chrono::steady_clock::now();
        work();
        auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main() {
    std::string pattern = (fs::temp_directory_path() / "install-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return 1;
    const fs::path folder = pattern;
    setenv("WINEPREFIX", (folder / "prefix").c_str(), 1);
    winapi::ResetSystemRoot();

    const AnsiString installDir = "C:\\Program Files\\Vostrel\\";
    if (!ForceDirectories(installDir)) {
        std::fprintf(stderr, "cannot create the install folder\n");
        return 1;
    }
    const fs::path anchorDir = folder / "anchor";
    fs::create_directories(anchorDir);

    constexpr int kRounds = 7;
    double copy = MedianMilliseconds(kRounds, [&] {
        fs::copy_file(VOSTREL_PAYLOAD_ARCHIVE, anchorDir / "Vostrel.7z",
                      fs::copy_options::overwrite_existing);
        fs::copy_file(VOSTREL_7Z_LIBRARY, anchorDir / "7z.dll",
                      fs::copy_options::overwrite_existing);
    });
    const std::string cpCommand =
        std::string("cp '") + VOSTREL_PAYLOAD_ARCHIVE + "' '" + (anchorDir / "cp.7z").string() +
        "' && cp '" + VOSTREL_7Z_LIBRARY + "' '" + (anchorDir / "cp.dll").string() + "'";
    double cp = MedianMilliseconds(kRounds, [&] {
        if (std::system(cpCommand.c_str()) != 0)
            std::fprintf(stderr, "cp failed\n");
    });
    double write = MedianMilliseconds(kRounds, [&] {
        SaveResourceToFile("F1", installDir + "Vostrel.7z");
        SaveResourceToFile("F7z", installDir + "7z.dll");
    });

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);

    const auto written = *winapi::ToLinuxPath(installDir + "Vostrel.7z");
    const auto writtenLibrary = *winapi::ToLinuxPath(installDir + "7z.dll");
    const auto bytes = fs::file_size(written) + fs::file_size(anchorDir / "7z.dll");
    const std::string compare = "cmp -s '" + written + "' '" + VOSTREL_PAYLOAD_ARCHIVE +
                                "' && cmp -s '" + writtenLibrary + "' '" + VOSTREL_7Z_LIBRARY + "'";
    const bool same = std::system(compare.c_str()) == 0;
    std::printf("payload write (%.1f MB, %d rounds, median):\n", bytes / 1e6, kRounds);
    std::printf("  cp of the build's files (anchor)         %8.1f ms\n", cp);
    std::printf("  copy_file of the build's files           %8.1f ms\n", copy);
    std::printf("  install action's resource write          %8.1f ms   ratio to cp %.2f "
                "(goal <= 1.00)\n",
                write, write / cp);
    std::printf("  peak memory after the writes (ru_maxrss) %8.1f MiB\n", usage.ru_maxrss / 1024.0);
    if (!same)
        std::fprintf(stderr, "written files differ from the build's files\n");
    fs::remove_all(folder);
    return same ? 0 : 1;
}
