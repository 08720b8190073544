// Machine code that looks and compresses like a compiler's 32-bit x86 output: functions
// with frame set-up, local and member accesses, argument pushes and calls (relative calls
// to earlier functions, indirect calls through the import table), compares and short
// branches, and statement patterns that recur as they do in real programs. It is never
// executed; only the entry stub of an image is.
#pragma once

#include "SeededRandom.h"

#include <cstdint>
#include <vector>

struct CodeAddresses {
    uint32_t codeVa = 0;               // where the generated code will lie
    std::vector<uint32_t> importSlots; // IAT slot VAs
    std::vector<uint32_t> stringVas;   // string constants
    uint32_t dataVa = 0;               // global variables
    uint32_t dataSize = 0;
};

class X86CodeGenerator {
public:
    X86CodeGenerator(SeededRandom& random, CodeAddresses addresses);

    // Whole functions padded with int3 up to exactly `size` bytes.
    std::vector<uint8_t> generate(size_t size);
    // Start of every generated function, for tables of function pointers.
    const std::vector<uint32_t>& functionVas() const { return functionVas_; }

private:
    void emitFunction(size_t limit);
    void emitStatement(SeededRandom& random);
    void emitCall(SeededRandom& random);
    void emitBranch(SeededRandom& random);
    void emitMemberAccess(SeededRandom& random);
    void emitArithmetic(SeededRandom& random);
    void emitGlobalAccess(SeededRandom& random);
    void emitLocalAccess(SeededRandom& random);

    uint8_t valueRegister(SeededRandom& random) const;
    int8_t localOffset(SeededRandom& random) const;
    uint32_t here() const;
    void put8(uint32_t value) { code_.push_back(static_cast<uint8_t>(value)); }
    void put32(uint32_t value);

    SeededRandom& random_;
    CodeAddresses addresses_;
    std::vector<uint8_t> code_;
    std::vector<uint32_t> functionVas_;
    // Seeds of earlier statements: replaying one re-emits the same statement at the
    // current address, the way a compiler repeats an idiom or an inlined helper.
    std::vector<uint64_t> statementHistory_;
    uint32_t frameSize_ = 0;
    uint32_t argumentCount_ = 0;
};
