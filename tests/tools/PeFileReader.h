// An independent reader of PE files (PE32 and PE32+) for the tests: headers, sections, the resource
// tree walked as version.dll walks it (RT_VERSION -> name 1 -> first language), the VS_VERSIONINFO
// block and the export names. Every malformed structure fails with an error naming what is wrong.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct PeFixedVersion {
    uint32_t signature = 0;
    uint32_t fileVersionMS = 0;
    uint32_t fileVersionLS = 0;
    uint32_t fileType = 0;
    std::string fileVersionText() const; // "a.b.c.d"
};

class PeFileReader {
public:
    explicit PeFileReader(std::vector<uint8_t> file);

    uint16_t machine() const { return machine_; }
    uint16_t characteristics() const { return characteristics_; }
    uint16_t optionalMagic() const { return optionalMagic_; }

    // The version resource's block; throws when there is none.
    std::vector<uint8_t> versionBlock() const;
    PeFixedVersion fixedVersion() const;
    // StringFileInfo values of the first string table, converted to UTF-8.
    std::map<std::string, std::string> versionStrings() const;
    std::vector<std::string> exportNames() const;

private:
    struct Section {
        std::string name;
        uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
    };
    size_t offsetOf(uint32_t rva, size_t count) const;
    std::vector<uint8_t> bytesAt(uint32_t rva, size_t count) const;
    uint16_t read16(size_t offset) const;
    uint32_t read32(size_t offset) const;
    std::string cString(uint32_t rva) const;

    std::vector<uint8_t> file_;
    uint16_t machine_ = 0, characteristics_ = 0, optionalMagic_ = 0;
    uint32_t directoryRva_[16] = {}, directorySize_[16] = {};
    std::vector<Section> sections_;
};
