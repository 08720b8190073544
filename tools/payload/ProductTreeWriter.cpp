#include "ProductTreeWriter.h"

#include "ProductFileGenerator.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <stdexcept>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

std::string lowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string linuxPath(std::string windowsPath) {
    std::replace(windowsPath.begin(), windowsPath.end(), '\\', '/');
    return windowsPath;
}

void writeFile(const fs::path& file, const std::vector<uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

void fixAttributes(const fs::path& file, int64_t modificationTime) {
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
void removeListedFiles(const fs::path& folder, const fs::path& listFile) {
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

} // namespace

ProductSummary WriteProductTree(const ProductInputs& inputs, const fs::path& outputFolder,
                                const fs::path& listFile) {
    // Windows names ignore case: two paths differing only in case would be one file there.
    std::set<std::string> seen;
    for (const auto& file : inputs.manifest.files)
        if (!seen.insert(lowerAscii(file.path)).second)
            throw std::runtime_error("product file listed twice: " + file.path);

    // The list is the build's record of a finished tree: read the earlier one to clear its
    // files away, remove it, and write the new one last.
    removeListedFiles(outputFolder, listFile);
    fs::remove(listFile);
    fs::create_directories(outputFolder);

    ProductSummary summary;
    std::vector<std::string> paths;
    for (const auto& file : inputs.manifest.files) {
        const std::vector<uint8_t> bytes = GenerateProductFile(file, inputs);
        const fs::path target = outputFolder / linuxPath(file.path);
        fs::create_directories(target.parent_path());
        writeFile(target, bytes);
        fixAttributes(target, inputs.manifest.modificationTime);
        paths.push_back(linuxPath(file.path));
        ++summary.files;
        summary.bytes += bytes.size();
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
