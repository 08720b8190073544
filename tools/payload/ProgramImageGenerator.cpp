#include "ProgramImageGenerator.h"

#include "ByteBuffer.h"
#include "ExportTable.h"
#include "MediaGenerator.h"
#include "ResourceSection.h"
#include "TextGenerator.h"
#include "X86CodeGenerator.h"

#include <cmath>
#include <cstring>
#include <stdexcept>

namespace {

constexpr uint16_t kMediaResourceId = 101;

uint32_t rawSize(double bytes) {
    const auto size = static_cast<uint32_t>(std::ceil(bytes / kFileAlignment)) * kFileAlignment;
    return size < kFileAlignment ? kFileAlignment : size;
}

// Each program imports its own subset; an executable always needs ExitProcess.
std::vector<ImportedLibrary> chooseImports(const std::vector<ImportedLibrary>& available,
                                           SeededRandom& random) {
    std::vector<ImportedLibrary> chosen;
    for (const auto& library : available) {
        ImportedLibrary subset{library.name, {}};
        for (const auto& function : library.functions)
            if (function == "ExitProcess" || random.chance(0.6))
                subset.functions.push_back(function);
        if (!subset.functions.empty())
            chosen.push_back(std::move(subset));
    }
    if (chosen.empty())
        throw std::invalid_argument("no functions to import");
    return chosen;
}

// Entry point and exported functions at the start of the code section; returns the RVA of
// each export and sets the entry point.
std::vector<std::pair<std::string, uint32_t>>
putEntryCode(ByteBuffer& code, const ProgramImageOptions& options, const PeLayout& layout,
             const ImportTable& imports, uint32_t& entryRva) {
    const uint32_t textRva = layout.section(".text").rva;
    entryRva = textRva;
    if (options.kind == PeKind::Executable) {
        const auto slot = imports.slotRva.find("ExitProcess");
        if (slot == imports.slotRva.end())
            throw std::invalid_argument("an executable must import ExitProcess");
        code.put8(0x6A); // push 0
        code.put8(0x00);
        code.put8(0xFF); // call dword [ExitProcess]
        code.put8(0x15);
        code.put32(layout.va(slot->second));
    } else {
        const uint8_t dllMain[] = {0xB8, 0x01, 0, 0, 0, 0xC2, 0x0C, 0x00}; // return TRUE
        code.putBytes(dllMain);
    }
    std::vector<std::pair<std::string, uint32_t>> exports;
    for (const auto& name : options.exports) {
        code.alignTo(16, 0xCC);
        exports.emplace_back(name, textRva + static_cast<uint32_t>(code.size()));
        const uint8_t returnZero[] = {0x33, 0xC0, 0xC3}; // xor eax, eax; ret
        code.putBytes(returnZero);
    }
    code.alignTo(16, 0xCC);
    return exports;
}

// String constants, each 4-aligned; returns their VAs.
std::vector<uint32_t> putStrings(ByteBuffer& rdata, size_t end, uint32_t rdataVa,
                                 TextGenerator& text, SeededRandom& random) {
    std::vector<uint32_t> vas;
    while (rdata.size() + 256 < end) {
        vas.push_back(rdataVa + static_cast<uint32_t>(rdata.size()));
        switch (random.skewed(3)) {
        case 0:
            rdata.putText(text.message());
            break;
        case 1:
            rdata.putText(text.identifier());
            break;
        default:
            rdata.putText(text.path());
            break;
        }
        rdata.put8(0);
        rdata.alignTo(4);
    }
    return vas;
}

// Tables of function pointers (virtual tables, dispatch tables) and numeric constants.
void putTables(ByteBuffer& rdata, size_t end, const std::vector<uint32_t>& functions,
               SeededRandom& random) {
    while (rdata.size() + 64 < end) {
        if (random.chance(0.7)) {
            const uint32_t entries = 2 + random.skewed(40);
            const uint32_t first = random.below(static_cast<uint32_t>(functions.size()));
            for (uint32_t i = 0; i < entries; ++i) {
                // Neighbouring entries point to neighbouring functions, as in a class.
                const uint32_t index = random.chance(0.8) ? first + i : random.next() % 0x7FFF;
                rdata.put32(functions[index % functions.size()]);
            }
        } else {
            const uint32_t entries = 4 + random.skewed(64);
            const double step = 1.0 / (1 + random.below(64));
            for (uint32_t i = 0; i < entries; ++i) {
                const double value = std::sin(i * step) * (1 + random.below(8));
                uint64_t bits;
                static_assert(sizeof bits == sizeof value);
                std::memcpy(&bits, &value, sizeof bits);
                rdata.put32(static_cast<uint32_t>(bits));
                rdata.put32(static_cast<uint32_t>(bits >> 32));
            }
        }
    }
}

// Initialised globals: counters, flags, pointers to strings, and long zero runs.
std::vector<uint8_t> makeData(size_t size, const std::vector<uint32_t>& strings,
                              SeededRandom& random) {
    ByteBuffer data;
    while (data.size() < size) {
        switch (random.below(4)) {
        case 0:
            data.putZeros(4 * (1 + random.skewed(256)));
            break;
        case 1:
            data.put32(strings[random.skewed(static_cast<uint32_t>(strings.size()))]);
            break;
        default:
            data.put32(random.skewed(64));
            break;
        }
    }
    std::vector<uint8_t> bytes = data.take();
    bytes.resize(size);
    return bytes;
}

} // namespace

std::vector<uint8_t> GenerateProgramImage(const ProgramImageOptions& options,
                                          const ProgramImageInputs& inputs, SeededRandom& random) {
    const std::vector<uint8_t> versionBlock = BuildVersionInfo(options.version);
    const size_t mediaSize = static_cast<size_t>(options.size * options.mediaShare);
    const double body = std::max<double>(static_cast<double>(options.size) - 1024.0 -
                                             static_cast<double>(mediaSize + versionBlock.size()),
                                         4 * kFileAlignment);
    std::vector<PeSection> sections = {
        {".text", kCodeSection, rawSize(body * 0.62), 0},
        {".rdata", kReadOnlySection, rawSize(body * 0.26), 0},
        {".data", kWritableSection, rawSize(body * 0.12), 0},
        {".rsrc", kReadOnlySection, rawSize(mediaSize + versionBlock.size() + 256.0), 0},
    };
    for (auto& section : sections)
        section.virtualSize = section.rawSize;
    sections[2].virtualSize += 4 * random.below(0x4000); // uninitialised tail of .data
    const PeLayout layout(options.imageBase, sections);
    const PeSection& text = layout.section(".text");
    const PeSection& rdataSection = layout.section(".rdata");
    const PeSection& dataSection = layout.section(".data");
    const PeSection& rsrcSection = layout.section(".rsrc");

    PeImageContent content;
    content.kind = options.kind;
    content.timeDateStamp = options.timeDateStamp;

    // .rdata: imports, exports, strings, then tables that point into the code.
    const ImportTable imports =
        BuildImportTable(chooseImports(inputs.imports, random), rdataSection.rva);
    ByteBuffer code;
    const auto exportCode = putEntryCode(code, options, layout, imports, content.entryPointRva);
    ByteBuffer rdata;
    rdata.putBytes(imports.bytes);
    rdata.alignTo(16);
    if (!options.exports.empty()) {
        const ExportTable exports =
            BuildExportTable(options.fileName, exportCode, options.timeDateStamp,
                             rdataSection.rva + static_cast<uint32_t>(rdata.size()));
        rdata.putBytes(exports.bytes);
        content.directories[kExportDirectory] = {exports.rva, exports.size};
    }
    if (rdata.size() * 2 > rdataSection.rawSize)
        throw std::invalid_argument("program image too small: " + options.fileName);
    content.directories[kImportDirectory] = {imports.descriptorsRva, imports.descriptorsSize};
    content.directories[kIatDirectory] = {imports.iatRva, imports.iatSize};

    TextGenerator textGenerator(inputs.words, random);
    const size_t stringsEnd = rdata.size() + (rdataSection.rawSize - rdata.size()) * 11 / 20;
    const std::vector<uint32_t> strings =
        putStrings(rdata, stringsEnd, layout.va(rdataSection.rva), textGenerator, random);
    if (strings.empty())
        throw std::invalid_argument("program image too small: " + options.fileName);

    // .text: generated functions after the entry code.
    CodeAddresses addresses;
    addresses.codeVa = layout.va(text.rva) + static_cast<uint32_t>(code.size());
    for (const auto& [name, slot] : imports.slotRva)
        addresses.importSlots.push_back(layout.va(slot));
    addresses.stringVas = strings;
    addresses.dataVa = layout.va(dataSection.rva);
    addresses.dataSize = dataSection.virtualSize;
    X86CodeGenerator codeGenerator(random, addresses);
    code.putBytes(codeGenerator.generate(text.rawSize - code.size()));

    std::vector<uint32_t> functions = codeGenerator.functionVas();
    if (functions.empty())
        functions.push_back(layout.va(content.entryPointRva));
    putTables(rdata, rdataSection.rawSize, functions, random);
    rdata.bytes().resize(rdataSection.rawSize); // the last table may run past the end

    // .rsrc: the version block and, for programs that carry them, packed media.
    std::vector<ResourceEntry> resources;
    resources.push_back({kRtVersion, 1, kVersionLanguage, versionBlock});
    if (mediaSize > 0)
        resources.push_back(
            {kRtRcData, kMediaResourceId, kVersionLanguage, GenerateMedia(random, mediaSize)});
    std::vector<uint8_t> rsrc = BuildResourceSection(std::move(resources), rsrcSection.rva);
    content.directories[kResourceDirectory] = {rsrcSection.rva, static_cast<uint32_t>(rsrc.size())};

    content.sectionData = {code.take(), rdata.take(),
                           makeData(dataSection.rawSize, strings, random), std::move(rsrc)};
    return WritePeImage(layout, content);
}
