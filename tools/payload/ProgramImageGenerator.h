// A complete program file of the product: a loadable PE32 image whose entry point does the
// least a Windows loader accepts (an executable exits, a library reports success), with a
// version resource and a bulk of generated code, constants and data behind it.
#pragma once

#include "ImportTable.h"
#include "PeImage.h"
#include "SeededRandom.h"
#include "VersionInfo.h"

#include <cstdint>
#include <string>
#include <vector>

struct ProgramImageOptions {
    PeKind kind = PeKind::Executable;
    std::string fileName; // file name only, for the version strings and export directory
    size_t size = 0;      // approximate file size in bytes
    uint32_t timeDateStamp = 0;
    uint32_t imageBase = 0x400000;
    VersionInfoFields version;
    // Libraries only: exported functions, each returning 0 (S_OK).
    std::vector<std::string> exports;
    // Share of the file (0..1) taken by already-compressed embedded media.
    double mediaShare = 0.0;
};

struct ProgramImageInputs {
    const std::vector<ImportedLibrary>& imports; // what a program may import
    const std::vector<std::string>& words;       // for its strings
};

std::vector<uint8_t> GenerateProgramImage(const ProgramImageOptions& options,
                                          const ProgramImageInputs& inputs, SeededRandom& random);
