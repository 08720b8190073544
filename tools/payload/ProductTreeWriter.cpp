#include "ProductTreeWriter.h"

#include "ProductFileGenerator.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>

namespace {

namespace fs = std::filesystem;

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string LinuxPath(std::string windowsPath) {
    std::replace(windowsPath.begin(), windowsPath.end(), '\\', '/');
    return windowsPath;
}

void WriteFile(const fs::path& file, const std::vector<uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

void FixAttributes(const fs::path& file, int64_t modificationTime) {
    if (chmod(file.c_str(), 0644) != 0)
        throw std::runtime_error("cannot set permissions of " + file.string() + ": " +
                                 std::strerror(errno));
    const timespec times[2] = {{modificationTime, 0}, {modificationTime, 0}};
    if (utimensat(AT_FDCWD, file.c_str(), times, 0) != 0)
        throw std::runtime_error("cannot set the time of " + file.string() + ": " +
                                 std::strerror(errno));
}

// Deletes the files an earlier run listed, and the folders that leaves empty. Only what this
// tool wrote goes, so a wrong output folder costs nobody their files.
void RemoveListedFiles(const fs::path& folder, const fs::path& listFile) {
    std::ifstream list(listFile);
    std::string line;
    while (std::getline(list, line)) {
        const fs::path relative(line);
        const bool inside = relative.is_relative() &&
                            std::none_of(relative.begin(), relative.end(),
                                         [](const fs::path& part) { return part == ".."; });
        if (!line.empty() && inside)
            fs::remove(folder / relative);
    }
    if (!fs::is_directory(folder))
        return;
    std::vector<fs::path> folders;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_directory())
            folders.push_back(entry.path());
    std::sort(folders.begin(), folders.end(), [](const fs::path& a, const fs::path& b) {
        return a.native().size() > b.native().size(); // deepest first
    });
    for (const auto& path : folders)
        if (fs::is_empty(path))
            fs::remove(path);
}

// Generates and writes every file; returns their sizes. Files are independent of each other
// (each has its own random stream), and linking a program mostly waits on the MinGW tools, so
// two workers share the list. A failure stops both; the first failing file in list order is the
// one reported, whichever worker met it.
std::vector<uint64_t> WriteFiles(const ProductInputs& inputs, const fs::path& outputFolder) {
    constexpr unsigned kWorkers = 2;
    const std::vector<ProductFileEntry>& files = inputs.manifest.files;
    std::vector<uint64_t> sizes(files.size());
    std::vector<std::exception_ptr> failures(files.size());
    std::atomic<size_t> next = 0;
    std::atomic<bool> failed = false;
    const auto work = [&] {
        for (size_t i = next++; i < files.size() && !failed; i = next++) {
            try {
                const std::vector<uint8_t> bytes = GenerateProductFile(files[i], inputs);
                const fs::path target = outputFolder / LinuxPath(files[i].path);
                WriteFile(target, bytes);
                FixAttributes(target, inputs.manifest.modificationTime);
                sizes[i] = bytes.size();
            } catch (...) {
                failures[i] = std::current_exception();
                failed = true;
            }
        }
    };
    std::vector<std::thread> workers;
    for (unsigned k = 1; k < kWorkers; ++k)
        workers.emplace_back(work);
    work();
    for (auto& worker : workers)
        worker.join();
    for (const auto& failure : failures)
        if (failure)
            std::rethrow_exception(failure);
    return sizes;
}

} // namespace

ProductSummary WriteProductTree(const ProductInputs& inputs, const fs::path& outputFolder,
                                const fs::path& listFile) {
    // Windows names ignore case: two paths differing only in case would be one file there.
    std::set<std::string> seen;
    for (const auto& file : inputs.manifest.files)
        if (!seen.insert(LowerAscii(file.path)).second)
            throw std::runtime_error("product file listed twice: " + file.path);

    // The list is the build's record of a finished tree: read the earlier one to clear its
    // files away, remove it, and write the new one last.
    RemoveListedFiles(outputFolder, listFile);
    fs::remove(listFile);
    fs::create_directories(outputFolder);

    const std::vector<ProductFileEntry>& files = inputs.manifest.files;
    for (const auto& file : files)
        fs::create_directories((outputFolder / LinuxPath(file.path)).parent_path());
    const std::vector<uint64_t> sizes = WriteFiles(inputs, outputFolder);

    ProductSummary summary;
    std::vector<std::string> paths;
    for (size_t i = 0; i < files.size(); ++i) {
        paths.push_back(LinuxPath(files[i].path));
        ++summary.files;
        summary.bytes += sizes[i];
    }

    std::sort(paths.begin(), paths.end());
    const fs::path partial = listFile.string() + ".partial";
    {
        std::ofstream list(partial, std::ios::binary | std::ios::trunc);
        for (const auto& path : paths)
            list << path << '\n';
        list.close();
        if (!list)
            throw std::runtime_error("cannot write " + partial.string());
    }
    fs::rename(partial, listFile);
    return summary;
}
