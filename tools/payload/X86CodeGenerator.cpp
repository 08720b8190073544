#include "X86CodeGenerator.h"

#include <stdexcept>

namespace {

constexpr uint8_t kEax = 0, kEcx = 1, kEbp = 5, kEsi = 6;
// Registers a compiler hands out for values, most used first.
constexpr uint8_t kValueRegisters[] = {0, 1, 2, 6, 7, 3};

constexpr double kStatementRepeatChance = 0.6;
constexpr size_t kStatementHistory = 4096;
constexpr uint8_t kInt3 = 0xCC;

uint8_t modrm(uint8_t mod, uint8_t reg, uint8_t rm) {
    return static_cast<uint8_t>(mod << 6 | reg << 3 | rm);
}

} // namespace

X86CodeGenerator::X86CodeGenerator(SeededRandom& random, CodeAddresses addresses)
    : random_(random), addresses_(std::move(addresses)) {
    if (addresses_.importSlots.empty() || addresses_.stringVas.empty() || addresses_.dataSize < 4)
        throw std::invalid_argument("code needs imports, strings and data to refer to");
}

std::vector<uint8_t> X86CodeGenerator::generate(size_t size) {
    code_.clear();
    code_.reserve(size);
    // Stop when the smallest function could no longer fit.
    while (code_.size() + 64 < size)
        emitFunction(size);
    if (code_.size() > size)
        throw std::logic_error("generated code overran its section");
    code_.resize(size, kInt3);
    return std::move(code_);
}

uint32_t X86CodeGenerator::here() const {
    return addresses_.codeVa + static_cast<uint32_t>(code_.size());
}

void X86CodeGenerator::put32(uint32_t value) {
    for (int i = 0; i < 4; ++i)
        put8(value >> (8 * i));
}

uint8_t X86CodeGenerator::valueRegister(SeededRandom& random) const {
    return kValueRegisters[random.skewed(sizeof kValueRegisters)];
}

int8_t X86CodeGenerator::localOffset(SeededRandom& random) const {
    if (argumentCount_ > 0 && random.chance(0.35))
        return static_cast<int8_t>(8 + 4 * random.below(argumentCount_));
    const uint32_t slots = frameSize_ / 4 < 31 ? frameSize_ / 4 : 31;
    return static_cast<int8_t>(-4 * static_cast<int>(1 + random.skewed(slots)));
}

void X86CodeGenerator::emitFunction(size_t limit) {
    while (code_.size() % 16 != 0)
        put8(kInt3);
    functionVas_.push_back(here());

    frameSize_ = 4 * (1 + random_.skewed(40));
    argumentCount_ = random_.skewed(5);
    const uint32_t savedRegisters = random_.below(4); // ebx, esi, edi in that order
    put8(0x55);                                       // push ebp
    put8(0x8B);                                       // mov ebp, esp
    put8(0xEC);
    if (frameSize_ < 0x80) {
        put8(0x83); // sub esp, imm8
        put8(0xEC);
        put8(frameSize_);
    } else {
        put8(0x81); // sub esp, imm32
        put8(0xEC);
        put32(frameSize_);
    }
    const uint8_t saved[] = {0x53, 0x56, 0x57};
    for (uint32_t i = 0; i < savedRegisters; ++i)
        put8(saved[i]);

    const uint32_t statements = 2 + random_.skewed(80);
    for (uint32_t i = 0; i < statements && code_.size() + 512 < limit;) {
        if (statementHistory_.size() > 16 && random_.chance(kStatementRepeatChance)) {
            // A run of earlier statements, as an idiom or inlined helper recurs.
            const auto available = static_cast<uint32_t>(statementHistory_.size());
            const uint32_t run = 1 + random_.skewed(12);
            const uint32_t back = run + random_.skewed(available - run);
            for (uint32_t k = 0; k < run; ++k) {
                SeededRandom statement(statementHistory_[available - back + k]);
                emitStatement(statement);
            }
            i += run;
            continue;
        }
        if (statementHistory_.size() == kStatementHistory)
            statementHistory_.erase(statementHistory_.begin(),
                                    statementHistory_.begin() + kStatementHistory / 2);
        const uint64_t seed = random_.next();
        statementHistory_.push_back(seed);
        SeededRandom statement(seed);
        emitStatement(statement);
        ++i;
    }

    for (uint32_t i = savedRegisters; i > 0; --i)
        put8(saved[i - 1] + 8); // pop in reverse order
    if (random_.chance(0.5)) {
        put8(0x8B); // mov esp, ebp
        put8(0xE5);
        put8(0x5D); // pop ebp
    } else {
        put8(0xC9); // leave
    }
    if (argumentCount_ > 0 && random_.chance(0.6)) {
        put8(0xC2); // ret imm16 (stdcall)
        put8(4 * argumentCount_);
        put8(0);
    } else {
        put8(0xC3);
    }
}

void X86CodeGenerator::emitStatement(SeededRandom& random) {
    switch (random.skewed(7)) {
    case 0:
        emitLocalAccess(random);
        break;
    case 1:
        emitCall(random);
        break;
    case 2:
        emitMemberAccess(random);
        break;
    case 3:
        emitBranch(random);
        break;
    case 4:
        emitArithmetic(random);
        break;
    case 5:
        emitGlobalAccess(random);
        break;
    default:
        emitLocalAccess(random);
        emitArithmetic(random);
        break;
    }
}

void X86CodeGenerator::emitLocalAccess(SeededRandom& random) {
    const uint8_t reg = valueRegister(random);
    const auto offset = static_cast<uint8_t>(localOffset(random));
    switch (random.below(4)) {
    case 0:
        put8(0x8B); // mov reg, [ebp+d]
        break;
    case 1:
        put8(0x89); // mov [ebp+d], reg
        break;
    case 2:
        put8(0x8D); // lea reg, [ebp+d]
        break;
    default:
        put8(0xC7); // mov dword [ebp+d], imm32
        put8(modrm(1, 0, kEbp));
        put8(offset);
        put32(random.chance(0.7) ? random.skewed(16) : random.skewed(0x10000));
        return;
    }
    put8(modrm(1, reg, kEbp));
    put8(offset);
}

void X86CodeGenerator::emitCall(SeededRandom& random) {
    const uint32_t arguments = random.skewed(6);
    for (uint32_t i = 0; i < arguments; ++i) {
        switch (random.skewed(4)) {
        case 0:
            put8(0x50 + valueRegister(random)); // push reg
            break;
        case 1:
            put8(0xFF); // push dword [ebp+d]
            put8(0x75);
            put8(static_cast<uint8_t>(localOffset(random)));
            break;
        case 2:
            put8(0x6A); // push imm8
            put8(random.skewed(32));
            break;
        default:
            put8(0x68); // push offset string
            put32(
                addresses_
                    .stringVas[random.skewed(static_cast<uint32_t>(addresses_.stringVas.size()))]);
            break;
        }
    }
    const bool thisCall = random.chance(0.3);
    if (thisCall) {
        put8(0x8B); // mov ecx, esi
        put8(0xCE);
    }
    if (random.chance(0.25) || functionVas_.size() < 2) {
        put8(0xFF); // call dword [slot]
        put8(0x15);
        put32(
            addresses_
                .importSlots[random.skewed(static_cast<uint32_t>(addresses_.importSlots.size()))]);
    } else {
        const auto count = static_cast<uint32_t>(functionVas_.size());
        const uint32_t target = functionVas_[random.skewed(count)];
        put8(0xE8); // call rel32
        put32(target - (here() + 4));
        if (!thisCall && arguments > 0 && random.chance(0.5)) {
            put8(0x83); // add esp, n (cdecl clean-up)
            put8(0xC4);
            put8(4 * arguments);
        }
    }
    if (random.chance(0.5)) {
        put8(0x85); // test eax, eax
        put8(0xC0);
        put8(random.chance(0.5) ? 0x74 : 0x75); // je / jne short
        put8(2 + random.skewed(0x50));
    } else if (random.chance(0.5)) {
        put8(0x89); // mov [ebp+d], eax
        put8(modrm(1, kEax, kEbp));
        put8(static_cast<uint8_t>(localOffset(random)));
    }
}

void X86CodeGenerator::emitBranch(SeededRandom& random) {
    const uint8_t reg = valueRegister(random);
    switch (random.below(3)) {
    case 0:
        put8(0x83); // cmp reg, imm8
        put8(modrm(3, 7, reg));
        put8(random.skewed(64));
        break;
    case 1:
        put8(0x3B); // cmp reg, reg
        put8(modrm(3, reg, valueRegister(random)));
        break;
    default:
        put8(0x83); // cmp dword [ebp+d], imm8
        put8(modrm(1, 7, kEbp));
        put8(static_cast<uint8_t>(localOffset(random)));
        put8(random.skewed(16));
        break;
    }
    const uint8_t conditions[] = {0x74, 0x75, 0x7C, 0x7D, 0x7E, 0x7F, 0x72, 0x73, 0x76, 0x77};
    if (random.chance(0.8)) {
        put8(conditions[random.skewed(sizeof conditions)]); // jcc short
        put8(2 + random.skewed(0x70));
    } else {
        put8(0x0F); // jcc near
        put8(conditions[random.skewed(sizeof conditions)] + 0x10);
        put32(0x80 + random.skewed(0x400));
    }
}

void X86CodeGenerator::emitMemberAccess(SeededRandom& random) {
    const uint8_t object = random.chance(0.6) ? kEsi : kEcx;
    const uint8_t reg = valueRegister(random);
    const auto member = static_cast<uint8_t>(4 * random.skewed(32));
    switch (random.below(4)) {
    case 0:
        put8(0x8B); // mov reg, [object+m]
        put8(modrm(1, reg, object));
        put8(member);
        break;
    case 1:
        put8(0x89); // mov [object+m], reg
        put8(modrm(1, reg, object));
        put8(member);
        break;
    case 2:
        put8(0x8B); // mov eax, [object]; call dword [eax+slot] (virtual call)
        put8(modrm(0, kEax, object));
        if (object != kEcx) {
            put8(0x8B); // mov ecx, object
            put8(modrm(3, kEcx, object));
        }
        put8(0xFF);
        put8(modrm(1, 2, kEax));
        put8(member);
        break;
    default:
        put8(0x8B); // mov object, [ebp+8] (load this)
        put8(modrm(1, object, kEbp));
        put8(8);
        break;
    }
}

void X86CodeGenerator::emitArithmetic(SeededRandom& random) {
    const uint8_t reg = valueRegister(random);
    switch (random.below(6)) {
    case 0: {
        const uint8_t ops[] = {0x03, 0x2B, 0x23, 0x0B, 0x33}; // add sub and or xor
        put8(ops[random.skewed(sizeof ops)]);
        put8(modrm(3, reg, valueRegister(random)));
        break;
    }
    case 1:
        put8(0x83); // add/sub reg, imm8
        put8(modrm(3, random.chance(0.5) ? 0 : 5, reg));
        put8(1 + random.skewed(32));
        break;
    case 2:
        put8(0xC1); // shl/shr reg, imm8
        put8(modrm(3, random.chance(0.5) ? 4 : 5, reg));
        put8(1 + random.below(16));
        break;
    case 3:
        put8(0x33); // xor reg, reg
        put8(modrm(3, reg, reg));
        break;
    case 4:
        put8(0xB8 + reg); // mov reg, imm32
        put32(random.chance(0.95) ? random.skewed(256) : static_cast<uint32_t>(random.next()));
        break;
    default:
        put8(random.chance(0.5) ? 0x40 + reg : 0x48 + reg); // inc/dec
        break;
    }
}

void X86CodeGenerator::emitGlobalAccess(SeededRandom& random) {
    const uint32_t global = addresses_.dataVa + 4 * random.skewed(addresses_.dataSize / 4);
    switch (random.below(4)) {
    case 0:
        put8(0xA1); // mov eax, [global]
        put32(global);
        break;
    case 1:
        put8(0xA3); // mov [global], eax
        put32(global);
        break;
    case 2:
        put8(0x8B); // mov reg, [global]
        put8(modrm(0, valueRegister(random), kEbp));
        put32(global);
        break;
    default:
        put8(0xDD); // fld qword [global]; fstp qword [ebp+d]
        put8(0x05);
        put32(global & ~7u);
        put8(0xDD);
        put8(0x5D);
        put8(static_cast<uint8_t>(localOffset(random)));
        break;
    }
}
