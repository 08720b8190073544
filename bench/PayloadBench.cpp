// Payload build timing: the product generator against a plain copy of the tree it writes
// (the cost of the bytes alone), and 7z with the payload's switches against 7z with its
// defaults, on the same generated tree in one run.
#include "PayloadBenchConfig.h"
#include "ProductInputs.h"
#include "ProductTreeWriter.h"
#include "RunProgram.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

namespace {

namespace fs = std::filesystem;

double secondsOf(const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void pack(const std::vector<std::string>& switches, const fs::path& archive, const fs::path& tree,
          const fs::path& list) {
    std::vector<std::string> arguments = {SEVENZIP_COMMAND, "a"};
    arguments.insert(arguments.end(), switches.begin(), switches.end());
    arguments.insert(arguments.end(), {std::string("-p") + PAYLOAD_PASSWORD, "-bd", "-bso0",
                                       "-bsp0", archive.string(), "@" + list.string()});
    const ProgramResult result = RunProgram(arguments, tree.string());
    if (result.exitCode != 0) {
        std::fprintf(stderr, "7z failed:\n%s\n", result.output.c_str());
        std::exit(1);
    }
}

} // namespace

int main() {
    std::string pattern = (fs::temp_directory_path() / "payload-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        return 1;
    const fs::path work = pattern;
    const fs::path tree = work / "product";
    const fs::path list = work / "product.list";

    ProductSummary summary;
    const double generate = secondsOf([&] {
        summary =
            WriteProductTree(ProductInputs::Load(PRODUCT_SOURCE, PRODUCT_PROGRAMS), tree, list);
    });
    const double copy =
        secondsOf([&] { fs::copy(tree, work / "copy", fs::copy_options::recursive); });
    fs::remove_all(work / "copy");

    const std::vector<std::string> payloadSwitches = {PAYLOAD_7Z_SWITCHES};
    const double packPayload =
        secondsOf([&] { pack(payloadSwitches, work / "payload.7z", tree, list); });
    const double packDefault = secondsOf([&] {
        pack({"-t7z", "-mhe=off"}, work / "default.7z", tree, list);
    });

    std::printf("product: %zu files, %llu bytes\n", summary.files,
                static_cast<unsigned long long>(summary.bytes));
    std::printf("%-34s %8s %12s\n", "step", "seconds", "bytes");
    std::printf("%-34s %8.2f %12llu\n", "make-product", generate,
                static_cast<unsigned long long>(summary.bytes));
    std::printf("%-34s %8.2f %12llu\n", "  anchor: copy of the tree", copy,
                static_cast<unsigned long long>(summary.bytes));
    std::printf("%-34s %8.2f %12llu\n", "7z, payload switches", packPayload,
                static_cast<unsigned long long>(fs::file_size(work / "payload.7z")));
    std::printf("%-34s %8.2f %12llu\n", "  anchor: 7z defaults (-mx5 LZMA2)", packDefault,
                static_cast<unsigned long long>(fs::file_size(work / "default.7z")));
    fs::remove_all(work);
    return 0;
}
