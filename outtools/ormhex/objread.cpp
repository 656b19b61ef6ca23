// Reading the absolute object into the paged image.
#include <algorithm>

#include "common/alert.h"
#include "objfmt/record_io.h"
#include "objfmt/records.h"
#include "outtools/ormhex/hexconv.h"

namespace hex {

namespace {

// The size symbols that the executable headers read.
const char* const special_names[] = {
    "__Htext", "__Hdata", "__Hbss", "__Ldata", "__Hstack", "__Bstack", "__Bdata", "__H_TEXT", "__Bbss",
    "__Ltext", "__Lbss", "__Btext", "large_code", "large_data", "is386", "atxsegadr_", "__L_TEXT", "__B_TEXT",
};

constexpr uint32_t body_limit = 512;

obj::byte_order reversed(const obj::byte_order& order) {
    obj::byte_order r;
    for (int k = 0; k < 4; ++k) r.map32[k] = order.map32[3 - k];
    for (int k = 0; k < 2; ++k) r.map16[k] = order.map16[1 - k];
    return r;
}

struct ObjectReader {
    const HexOptions& options;
    PageImage& image;
    hexfmt::ImageInfo& info;
    hexfmt::FormatWriter* writer;
    FILE* symbols;
    ObjectData& data;
    obj::byte_order order;        // as the object stores its fields
    uint32_t last_text = 0;

    void ident(const obj::record& r) {
        obj::ident_rec ident;
        if (!obj::decode_ident(r.body, ident)) alert_message(425);
        order = ident.order;
        info.order = options.reverse ? reversed(order) : order;
        info.machine = ident.machine;
        image.set_fill(options.fill, info.order);
        if (writer) writer->ident();
    }

    void text(obj::body_cursor& c) {
        obj::text_rec text;
        if (!obj::decode_text(c, text)) alert_message(425);
        last_text = text.offset;
        for (size_t i = 0; i < text.data.size(); ++i)
            image.put(text.offset + static_cast<uint32_t>(i), text.data[i]);
    }

    void relocations(obj::body_cursor& c) {
        while (!c.at_end()) {
            obj::reloc_entry entry;
            if (!obj::decode_reloc_entry(c, entry)) alert_message(425);
            uint32_t target = last_text + entry.offset;
            if (!options.reloc_long && target > 0xFFFE) alert_message(418);
            if (options.exec == ExecImage::p_header) {
                if (entry.type != 4) continue;
            } else if (entry.type != (options.reloc_long ? 0x82 : 0x02)) {
                alert_message(419);
            }
            if (options.exec == ExecImage::none && !options.reloc) continue;
            if (data.relocations.size() >= 65535) alert_message(420);
            data.relocations.push_back(target);
        }
    }

    void symbol_entries(obj::body_cursor& c) {
        while (!c.at_end()) {
            obj::sym_entry entry;
            if (!obj::decode_sym_entry(c, entry)) alert_message(425);
            if (symbols) fprintf(symbols, "%04lx %s\n", static_cast<unsigned long>(entry.value), entry.name.c_str());
            hexfmt::Symbol sym{entry.value, entry.flags, entry.psect, entry.name};
            if (writer) writer->symbol(sym);
            if (entry.kind() != obj::SYM_EXTERN) data.defined[entry.name] = entry.value;
            for (const char* name : special_names)
                if (entry.name == name) data.specials[name] = entry.value;
            if (options.exec == ExecImage::coff) data.symbols.push_back(sym);
        }
    }

    void segments(obj::body_cursor& c) {
        while (!c.at_end()) {
            obj::segment_entry entry;
            if (!obj::decode_segment_entry(c, entry)) alert_message(425);
            if (++data.segments > 128) alert_message(421);
        }
    }

    void run(FILE* in) {
        obj::record_reader reader(in, body_limit, obj::last_record_type);
        for (;;) {
            obj::record r;
            switch (reader.next(r)) {
            case obj::read_status::ok: break;
            case obj::read_status::end_of_input:
            case obj::read_status::short_header: alert_message(422); break;
            case obj::read_status::bad_type: alert_message(423); break;
            case obj::read_status::too_long: alert_message(424); break;
            case obj::read_status::short_body: alert_message(425); break;
            }
            obj::body_cursor c(r.body.data(), r.body.size(), order);
            switch (r.type) {
            case obj::TEXT: text(c); break;
            case obj::RELOC: relocations(c); break;
            case obj::SYM: symbol_entries(c); break;
            case obj::START:
            case obj::SEGSTART: {
                obj::start_rec start;
                if (!obj::decode_start(c, start)) alert_message(425);
                if (r.type == obj::START) {
                    info.start = start.address;
                    data.has_start = true;
                } else {
                    info.segstart = start.address;
                }
                break;
            }
            case obj::IDENT: ident(r); break;
            case obj::SEGMENT:
                if (options.section_table) segments(c);
                break;
            case obj::END: return;
            default: break;
            }
        }
    }
};

}  // namespace

uint32_t ObjectData::special(const char* name) const {
    auto it = specials.find(name);
    return it == specials.end() ? 0 : it->second;
}

void read_object(FILE* in, const HexOptions& options, PageImage& image, hexfmt::ImageInfo& info,
                 hexfmt::FormatWriter* writer, FILE* symbols, ObjectData& data) {
    ObjectReader reader{options, image, info, writer, symbols, data, obj::byte_order()};
    info.order = options.reverse ? reversed(reader.order) : reader.order;
    image.set_fill(options.fill, info.order);
    reader.run(in);
}

}  // namespace hex
