// The description of the demo product (resources/product/product.manifest): global values
// (seed, file time, version strings) and one line per file or numbered series of files.
//
//   seed 0x5441      mtime 2012-06-18T09:30:00     version 3.5.0.61
//   <kind> <size> <path> [count=N] [description="..."] [media=0.1]
//   [version=a.b.c.d] [source=file] [program=file]
//
// Kinds: exe, dll (64-bit Windows programs), ini, xml, txt (text), media (packed data), copy (a
// hand-written file from the product folder, size "-"). An exe or dll with program= is the
// compiled program of that name (resources/product/programs); any other is linked from the
// compiled filler (tool.o, module.o) with a version resource of its own. Either is then filled
// up to its size. In a series,
// "{n}" in the path becomes 01, 02, ... and sizes vary around the given one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// A relative path of backslash-separated names that Windows accepts: no drive, no leading
// or doubled separator, no "." or ".." and no character Windows forbids in names.
bool IsPlainRelativePath(std::string_view path);

enum class ProductFileKind { Executable, Library, IniText, XmlText, PlainText, Media, Copy };

struct ProductFileEntry {
    std::string path; // Windows relative path with backslashes, as stored in the archive
    ProductFileKind kind = ProductFileKind::Media;
    uint64_t size = 0;
    std::string version; // file version, defaults to the product's
    std::string description;
    std::string source;      // Copy: file name inside the product folder
    std::string program;     // exe, dll: compiled program inside the programs folder
    double mediaShare = 0.0; // exe, dll: share of the file that is packed media
};

struct ProductManifest {
    uint64_t seed = 0;
    int64_t modificationTime = 0; // seconds since 1970, UTC
    std::string company;
    std::string product;
    std::string copyright;
    std::string version;
    std::vector<ProductFileEntry> files;

    // Throws std::runtime_error naming the line for anything it cannot read.
    static ProductManifest Parse(std::string_view text);
    static ProductManifest Load(const std::filesystem::path& file);
};
