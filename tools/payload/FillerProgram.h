// A program file of the product that has no compiled program of its own: linked with the
// MinGW-w64 tools (on PATH) from the compiled filler object in the programs folder, module.o for
// a library and tool.o for an executable, and a version resource made for this file from its
// manifest line. The image carries no time stamp, so the same line links to the same bytes.
#pragma once

#include "ProductManifest.h"

#include <cstdint>
#include <filesystem>
#include <vector>

// Throws std::runtime_error naming the file and carrying the tool's output when a tool fails.
std::vector<uint8_t> LinkFillerProgram(const ProductFileEntry& file,
                                       const ProductManifest& manifest,
                                       const std::filesystem::path& programsFolder);
