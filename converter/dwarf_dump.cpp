// The DWARF 2 sections of an ELF file, each listed by its own printer.
#include "converter/dwarf_dump.h"

#include "common/alert.h"

namespace conv {

void dwarf_dump(conv_context&, FILE*, const std::vector<elf_section>& sections) {
    bool info = false, abbrev = false;
    for (const elf_section& s : sections) {
        info |= s.name == ".debug_info";
        abbrev |= s.name == ".debug_abbrev";
    }
    if (!info) return;
    std::printf("\n\nDWARF:");
    if (!abbrev) alert_message(667);
}

}  // namespace conv
