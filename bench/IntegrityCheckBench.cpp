// The resource check's cost against the anchor, zlib's crc32 over the same bytes in one tight
// loop, measured in the same run. The check (AwaitIntactResources: a thread that reads every
// carried resource from the executable file and checksums it) runs once per process, so each
// round is a fresh child process that times, in this order:
//   - the check, as the installer runs it, thread start included;
//   - the anchor: zlib's crc32 over the resources' mapped bytes, timed on a second pass so
//     that the mapping is paged in and nothing but the checksum is counted;
//   - libdeflate's crc32 in the same tight loop, the checksum the check itself uses, so that
//     what the check adds to its own checksum (reading the file) shows too.
// The bench carries the installer's resources, so the bytes are the installer's.
//
//   bench_integrity [rounds]   rounds (default 9, at least 5) and the medians
//   bench_integrity --child    (internal) one round; prints its three times on one line
#include "setup/IntegrityCheck.h"

#include "winapi/ResourcePack.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <libdeflate.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {

template <typename Work> double MillisecondsOf(Work work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Keeps the checksums alive, so the loops are not optimised away.
volatile std::uint32_t sink = 0;

std::uint64_t CarriedBytes() {
    std::uint64_t bytes = 0;
    for (const winapi::PackedResource& resource : winapi::PackedResources())
        bytes += resource.entry->size;
    return bytes;
}

void ZlibLoop() {
    for (const winapi::PackedResource& resource : winapi::PackedResources())
        sink = sink ^ static_cast<std::uint32_t>(crc32(0, static_cast<const Bytef*>(resource.data),
                                                       static_cast<uInt>(resource.entry->size)));
}

void DeflateLoop() {
    for (const winapi::PackedResource& resource : winapi::PackedResources())
        sink = sink ^ libdeflate_crc32(0, resource.data, resource.entry->size);
}

int RunChild() {
    const double check = MillisecondsOf([] { AwaitIntactResources(); });
    ZlibLoop();
    const double zlib = MillisecondsOf(ZlibLoop);
    DeflateLoop();
    const double deflate = MillisecondsOf(DeflateLoop);
    std::printf("%.3f %.3f %.3f\n", check, zlib, deflate);
    return 0;
}

// One round in a fresh process: its three times, or false when it failed.
bool RunRound(const std::string& self, double& check, double& zlib, double& deflate) {
    FILE* child = popen(("'" + self + "' --child").c_str(), "r");
    if (!child)
        return false;
    const int read = std::fscanf(child, "%lf %lf %lf", &check, &zlib, &deflate);
    const int status = pclose(child);
    return read == 3 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 2 && std::strcmp(argv[1], "--child") == 0)
        return RunChild();
    const int rounds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 9;
    char path[4096] = {};
    if (readlink("/proc/self/exe", path, sizeof path - 1) <= 0)
        return 1;
    const std::string self = path;
    std::vector<double> checks, zlibs, deflates;
    double check = 0, zlib = 0, deflate = 0;
    if (!RunRound(self, check, zlib, deflate)) { // the file into the page cache
        std::fprintf(stderr, "bench_integrity: a round failed\n");
        return 1;
    }
    for (int round = 0; round < rounds; ++round) {
        if (!RunRound(self, check, zlib, deflate)) {
            std::fprintf(stderr, "bench_integrity: a round failed\n");
            return 1;
        }
        checks.push_back(check);
        zlibs.push_back(zlib);
        deflates.push_back(deflate);
    }
    std::printf("resource check over %.1f MB, %d rounds, each in a fresh process, medians\n",
                static_cast<double>(CarriedBytes()) / 1e6, rounds);
    std::printf("  the check (thread, file read, CRC-32)   %7.2f ms\n", Median(checks));
    std::printf("  anchor: zlib crc32, tight loop          %7.2f ms\n", Median(zlibs));
    std::printf("  libdeflate crc32, tight loop            %7.2f ms\n", Median(deflates));
    std::printf("  ratio check / anchor                    %7.2f  (goal <= 1.00)\n",
                Median(checks) / Median(zlibs));
    std::printf("  ratio check / its own checksum's loop   %7.2f\n",
                Median(checks) / Median(deflates));
    return 0;
}
