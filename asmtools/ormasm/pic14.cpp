#include "asmtools/ormasm/pic14.h"

#include <cctype>
#include <unordered_map>

namespace asmx {

namespace {

const instruction instruction_table[] = {
    {"addwf", operand_form::file_dest, 0x0700},
    {"andwf", operand_form::file_dest, 0x0500},
    {"clrf", operand_form::file, 0x0180},
    {"clrw", operand_form::none, 0x0103},
    {"comf", operand_form::file_dest, 0x0900},
    {"decf", operand_form::file_dest, 0x0300},
    {"decfsz", operand_form::file_dest, 0x0B00},
    {"incf", operand_form::file_dest, 0x0A00},
    {"incfsz", operand_form::file_dest, 0x0F00},
    {"iorwf", operand_form::file_dest, 0x0400},
    {"movf", operand_form::file_dest, 0x0800},
    {"movwf", operand_form::file, 0x0080},
    {"nop", operand_form::none, 0x0000},
    {"rlf", operand_form::file_dest, 0x0D00},
    {"rrf", operand_form::file_dest, 0x0C00},
    {"subwf", operand_form::file_dest, 0x0200},
    {"swapf", operand_form::file_dest, 0x0E00},
    {"xorwf", operand_form::file_dest, 0x0600},
    {"bcf", operand_form::file_bit, 0x1000},
    {"bsf", operand_form::file_bit, 0x1400},
    {"btfsc", operand_form::file_bit, 0x1800},
    {"btfss", operand_form::file_bit, 0x1C00},
    {"addlw", operand_form::literal, 0x3E00},
    {"andlw", operand_form::literal, 0x3900},
    {"call", operand_form::address, 0x2000},
    {"clrwdt", operand_form::none, 0x0064},
    {"goto", operand_form::address, 0x2800},
    {"iorlw", operand_form::literal, 0x3800},
    {"movlw", operand_form::literal, 0x3000},
    {"retfie", operand_form::none, 0x0009},
    {"retlw", operand_form::literal, 0x3400},
    {"return", operand_form::none, 0x0008},
    {"sleep", operand_form::none, 0x0063},
    {"sublw", operand_form::literal, 0x3C00},
    {"xorlw", operand_form::literal, 0x3A00},
    {"fcall", operand_form::long_call, 0x2000},
    {"ljmp", operand_form::long_jump, 0x2800},
};

}  // namespace

std::string lower_case(const std::string& word) {
    std::string w(word);
    for (char& c : w) c = char(std::tolower(static_cast<unsigned char>(c)));
    return w;
}

const instruction* find_instruction(const std::string& mnemonic) {
    static const std::unordered_map<std::string, const instruction*> table = [] {
        std::unordered_map<std::string, const instruction*> t;
        for (const instruction& i : instruction_table) t.emplace(i.mnemonic, &i);
        return t;
    }();
    if (mnemonic.size() > 8) return nullptr;
    auto it = table.find(lower_case(mnemonic));
    return it == table.end() ? nullptr : it->second;
}

int page_bits_for_rom(uint32_t rom_words) {
    if (rom_words <= 0x800) return 0;
    if (rom_words <= 0x1000) return 1;
    return 2;
}

int instruction_words(const instruction& ins, int page_bits) {
    switch (ins.form) {
    case operand_form::long_call: return 1 + 2 * page_bits;
    case operand_form::long_jump: return 1 + page_bits;
    default: return 1;
    }
}

}  // namespace asmx
