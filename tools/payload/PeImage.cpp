#include "PeImage.h"

#include "ByteBuffer.h"

#include <stdexcept>

namespace {

constexpr uint32_t kPeHeaderOffset = 0x80;
constexpr uint32_t kCoffHeaderSize = 20;
constexpr uint32_t kOptionalHeaderSize = 224;
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kChecksumOffset = kPeHeaderOffset + 4 + kCoffHeaderSize + 64;

constexpr uint16_t kMachineI386 = 0x14C;
constexpr uint16_t kFileRelocsStripped = 0x0001;
constexpr uint16_t kFileExecutableImage = 0x0002;
constexpr uint16_t kFile32BitMachine = 0x0100;
constexpr uint16_t kFileDll = 0x2000;
constexpr uint16_t kSubsystemWindowsGui = 2;
constexpr uint16_t kDllNxCompatible = 0x0100;
constexpr uint16_t kDllTerminalServerAware = 0x8000;

uint32_t alignUp(uint32_t value, uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

// Real-mode stub: prints the message through DOS and exits with code 1.
void putDosHeaderAndStub(ByteBuffer& out) {
    out.put16(0x5A4D);                    // e_magic "MZ"
    out.put16(0x90);                      // e_cblp
    out.put16(3);                         // e_cp
    out.put16(0);                         // e_crlc
    out.put16(4);                         // e_cparhdr
    out.put16(0);                         // e_minalloc
    out.put16(0xFFFF);                    // e_maxalloc
    out.put16(0);                         // e_ss
    out.put16(0xB8);                      // e_sp
    out.put16(0);                         // e_csum
    out.put16(0);                         // e_ip
    out.put16(0);                         // e_cs
    out.put16(0x40);                      // e_lfarlc
    out.put16(0);                         // e_ovno
    out.putZeros(4 * 2 + 2 * 2 + 10 * 2); // e_res, e_oemid, e_oeminfo, e_res2
    out.put32(kPeHeaderOffset);           // e_lfanew
    const uint8_t stub[] = {0x0E, 0x1F, 0xBA, 0x0E, 0x00, 0xB4, 0x09,
                            0xCD, 0x21, 0xB8, 0x01, 0x4C, 0xCD, 0x21};
    out.putBytes(stub);
    out.putText("This program needs Windows.\r\r\n$");
    if (out.size() > kPeHeaderOffset)
        throw std::logic_error("DOS stub too long");
    out.putZeros(kPeHeaderOffset - out.size());
}

uint32_t sumSizes(const PeLayout& layout, uint32_t characteristics) {
    uint32_t total = 0;
    for (const auto& section : layout.sections())
        if (section.characteristics == characteristics)
            total += section.rawSize;
    return total;
}

void putOptionalHeader(ByteBuffer& out, const PeLayout& layout, const PeImageContent& content) {
    const auto& sections = layout.sections();
    const uint32_t codeSize = sumSizes(layout, kCodeSection);
    const uint32_t dataSize =
        sumSizes(layout, kReadOnlySection) + sumSizes(layout, kWritableSection);
    uint32_t baseOfData = 0;
    for (const auto& section : sections)
        if (section.characteristics != kCodeSection) {
            baseOfData = section.rva;
            break;
        }
    out.put16(0x10B); // PE32
    out.put8(9);      // linker version
    out.put8(0);
    out.put32(codeSize);
    out.put32(dataSize);
    out.put32(0); // SizeOfUninitializedData
    out.put32(content.entryPointRva);
    out.put32(sections.front().rva); // BaseOfCode
    out.put32(baseOfData);
    out.put32(layout.imageBase());
    out.put32(kSectionAlignment);
    out.put32(kFileAlignment);
    out.put16(5); // operating system version
    out.put16(0);
    out.put16(0); // image version
    out.put16(0);
    out.put16(5); // subsystem version
    out.put16(0);
    out.put32(0); // Win32VersionValue
    out.put32(layout.imageSize());
    out.put32(layout.headersSize());
    out.put32(0); // CheckSum, filled in at the end
    out.put16(kSubsystemWindowsGui);
    out.put16(kDllNxCompatible | kDllTerminalServerAware);
    out.put32(0x100000); // stack reserve
    out.put32(0x1000);   // stack commit
    out.put32(0x100000); // heap reserve
    out.put32(0x1000);   // heap commit
    out.put32(0);        // LoaderFlags
    out.put32(static_cast<uint32_t>(content.directories.size()));
    for (const auto& directory : content.directories) {
        out.put32(directory.rva);
        out.put32(directory.size);
    }
}

} // namespace

PeLayout::PeLayout(uint32_t imageBase, std::vector<PeSection> sections)
    : imageBase_(imageBase), sections_(std::move(sections)) {
    if (sections_.empty())
        throw std::invalid_argument("a PE image needs at least one section");
    headersSize_ = alignUp(kPeHeaderOffset + 4 + kCoffHeaderSize + kOptionalHeaderSize +
                               kSectionHeaderSize * static_cast<uint32_t>(sections_.size()),
                           kFileAlignment);
    uint32_t rva = alignUp(headersSize_, kSectionAlignment);
    uint32_t fileOffset = headersSize_;
    for (auto& section : sections_) {
        if (section.name.size() > 8 || section.rawSize % kFileAlignment != 0 ||
            section.virtualSize == 0)
            throw std::invalid_argument("bad PE section " + section.name);
        section.rva = rva;
        section.fileOffset = fileOffset;
        rva += alignUp(section.virtualSize, kSectionAlignment);
        fileOffset += section.rawSize;
    }
    imageSize_ = rva;
}

uint32_t PeLayout::fileSize() const {
    return sections_.back().fileOffset + sections_.back().rawSize;
}

const PeSection& PeLayout::section(const std::string& name) const {
    for (const auto& section : sections_)
        if (section.name == name)
            return section;
    throw std::invalid_argument("no PE section " + name);
}

std::vector<uint8_t> WritePeImage(const PeLayout& layout, const PeImageContent& content) {
    const auto& sections = layout.sections();
    if (content.sectionData.size() != sections.size())
        throw std::invalid_argument("one data block per PE section expected");

    ByteBuffer out;
    putDosHeaderAndStub(out);
    out.putText(std::string_view("PE\0\0", 4));
    uint16_t characteristics = kFileExecutableImage | kFile32BitMachine | kFileRelocsStripped;
    if (content.kind == PeKind::Library)
        characteristics |= kFileDll;
    out.put16(kMachineI386);
    out.put16(static_cast<uint16_t>(sections.size()));
    out.put32(content.timeDateStamp);
    out.put32(0); // PointerToSymbolTable
    out.put32(0); // NumberOfSymbols
    out.put16(kOptionalHeaderSize);
    out.put16(characteristics);
    putOptionalHeader(out, layout, content);

    for (const auto& section : sections) {
        char name[8] = {};
        section.name.copy(name, sizeof name);
        out.putBytes({reinterpret_cast<const uint8_t*>(name), sizeof name});
        out.put32(section.virtualSize);
        out.put32(section.rva);
        out.put32(section.rawSize);
        out.put32(section.fileOffset);
        out.put32(0); // PointerToRelocations
        out.put32(0); // PointerToLinenumbers
        out.put16(0);
        out.put16(0);
        out.put32(section.characteristics);
    }
    out.putZeros(layout.headersSize() - out.size());

    for (size_t i = 0; i < sections.size(); ++i) {
        const auto& data = content.sectionData[i];
        if (data.size() > sections[i].rawSize)
            throw std::invalid_argument("data larger than PE section " + sections[i].name);
        out.putBytes(data);
        out.putZeros(sections[i].rawSize - data.size());
    }

    std::vector<uint8_t> image = out.take();
    const uint32_t checksum = ComputePeChecksum(image, kChecksumOffset);
    for (int i = 0; i < 4; ++i)
        image[kChecksumOffset + i] = static_cast<uint8_t>(checksum >> (8 * i));
    return image;
}

uint32_t ComputePeChecksum(const std::vector<uint8_t>& image, size_t checksumOffset) {
    uint64_t sum = 0;
    for (size_t i = 0; i < image.size(); i += 2) {
        if (i == checksumOffset || i == checksumOffset + 2)
            continue;
        uint32_t word = image[i];
        if (i + 1 < image.size())
            word |= uint32_t{image[i + 1]} << 8;
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum) + static_cast<uint32_t>(image.size());
}
