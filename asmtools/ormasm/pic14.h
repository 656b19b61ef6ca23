// The PIC14 instruction set: mnemonics, operand forms and encodings, and the page-selecting
// long call and jump.
#pragma once
#include <cstdint>
#include <string>

namespace asmx {

enum class operand_form : uint8_t {
    none,         // nop, return ...
    file_dest,    // f[,d]  d: w/0 or f/1, default f
    file,         // f
    file_bit,     // f,b
    literal,      // k (8 bits)
    address,      // k (11 bits)
    long_call,    // fcall k: page bits, call, page bits restored
    long_jump,    // ljmp k: page bits, goto
};

struct instruction {
    const char* mnemonic;
    operand_form form;
    uint16_t opcode;   // operand bits zero
};

std::string lower_case(const std::string& word);

// The instruction of a mnemonic (any case), or null.
const instruction* find_instruction(const std::string& mnemonic);

// Operand field placement inside a code word.
constexpr uint16_t file_mask = 0x7F;
constexpr uint16_t literal_mask = 0xFF;
constexpr uint16_t address_mask = 0x7FF;
constexpr int bit_shift = 7;
constexpr int dest_shift = 7;

// PCLATH and the page bits the long forms set: address bit 11 is PCLATH bit 3, bit 12 bit 4.
constexpr uint16_t pclath_address = 0x0A;
constexpr uint16_t bcf_opcode = 0x1000;
constexpr uint16_t bsf_opcode = 0x1400;
constexpr uint16_t bcf_to_bsf = 0x0400;   // added to a bcf to make it a bsf
inline uint16_t pclath_bcf(int pclath_bit) {
    return uint16_t(bcf_opcode | (pclath_bit << bit_shift) | pclath_address);
}

// Page bits a long call or jump must set for a program memory of rom_words words:
// none up to one 2K page, then one or two.
int page_bits_for_rom(uint32_t rom_words);

// Words an instruction takes.
int instruction_words(const instruction& ins, int page_bits);

}  // namespace asmx
