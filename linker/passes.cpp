#include "linker/passes.h"

#include <cstdlib>

#include "common/alert.h"
#include "linker/context.h"
#include "linker/mapfile.h"
#include "linker/options.h"
#include "linker/placement.h"
#include "linker/records.h"
#include "linker/reloc.h"
#include "linker/symtab.h"
#include "objfmt/record_io.h"

namespace lnk {

input_kind kind_of(const std::string& name) {
    size_t dot = name.find_last_of('.');
    size_t slash = name.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return input_kind::object;
    std::string ext = name.substr(dot);
    if (ext == ".lib" || ext == ".LIB") return input_kind::library;
    if (ext == ".syf" || ext == ".SYF") return input_kind::symbols_only;
    return input_kind::object;
}

void read_module(context& cx, const uint8_t* data, size_t size, int32_t module, bool symbols_only) {
    set_current_module(cx, module);
    cx.module_skip = false;
    if (cx.symtab.pass == 2 && !symbols_only) start_module_pass2(cx);
    obj::record_reader reader(data, size);
    obj::record rec;
    for (;;) {
        obj::read_status st = reader.next(rec);
        if (st != obj::read_status::ok) {
            obj::record_reader::report(st, rec);
            if (st == obj::read_status::bad_type) {
                exit_hook(1);
                std::exit(1);
            }
            if (st == obj::read_status::too_long) continue;
            break;
        }
        bool end = rec.type == obj::END;
        if (symbols_only && (rec.type == obj::TEXT || rec.type == obj::RELOC || rec.type == obj::XPSECT)) continue;
        if (cx.module_skip && !end) continue;
        if (record_handler h = handler_for(rec.type, cx.symtab.pass)) h(cx, rec);
        if (end) break;
    }
    set_current_module(cx, -1);
}

namespace {

[[noreturn]] void stop() {
    exit_hook(1);
    std::exit(1);
}

bool load(input_file& in) {
    if (in.loaded) return true;
    if (!obj::read_file(in.name, in.data)) {
        alert_message(141, in.kind == input_kind::library ? "library" : "object", in.name.c_str());
        stop();
    }
    in.loaded = true;
    if (in.kind == input_kind::library) {
        in.dir_ok = obj::read_lib_directory(in.data.data(), in.data.size(), in.dir);
        if (in.dir_ok) {
            in.taken.assign(in.dir.modules.size(), false);
            in.modules.assign(in.dir.modules.size(), -1);
        }
    }
    return true;
}

// The taken modules in directory order; any other is stepped over.
void read_library_modules(context& cx, input_file& in) {
    for (size_t i = 0; i < in.dir.modules.size(); ++i) {
        if (!in.taken[i]) continue;
        const obj::lib_module& m = in.dir.modules[i];
        size_t start = m.offset;
        if (start > in.data.size()) {
            alert_message(507);
            return;
        }
        size_t size = std::min<size_t>(m.length, in.data.size() - start);
        alert_set_position((in.name + ": " + m.name).c_str(), nullptr, nullptr, nullptr);
        read_module(cx, in.data.data() + start, size, in.modules[i], false);
    }
}

void read_input(context& cx, input_file& in, size_t index) {
    load(in);
    cx.current_input = in.name;
    alert_set_position(in.name.c_str(), nullptr, nullptr, nullptr);
    switch (in.kind) {
    case input_kind::library:
        if (!in.dir_ok) break;
        if (cx.symtab.pass == 0) {
            lib_select(cx, in);
        } else {
            if (cx.symtab.pass == 2 && cx.opts.map) map_library_line(cx, in.name);
        }
        read_library_modules(cx, in);
        break;
    case input_kind::symbols_only:
    case input_kind::object:
        if (in.module < 0) {
            new_module(cx, in.name, "", static_cast<int32_t>(index));
            in.module = static_cast<int32_t>(cx.symtab.modules.size() - 1);
        }
        read_module(cx, in.data.data(), in.data.size(), in.module, in.kind == input_kind::symbols_only);
        break;
    }
    alert_set_position(nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

void lib_select(context& cx, input_file& in) {
    set_current_module(cx, -1);
    uint32_t rounds = 0;
    bool added;
    do {
        added = false;
        ++rounds;
        for (size_t i = 0; i < in.dir.modules.size(); ++i) {
            if (in.taken[i]) continue;
            const obj::lib_module& m = in.dir.modules[i];
            bool needed = false;
            for (const obj::lib_symbol& s : m.symbols) {
                if (!s.defines()) continue;
                name_entry* e = link_sym_lookup(cx, s.name, FL_GLOBAL);
                if (e && e->kind() == SK_EXTERN && !e->lib_taken) {
                    e->lib_taken = true;
                    needed = true;
                    break;
                }
            }
            if (!needed) continue;
            in.taken[i] = true;
            added = true;
            new_module(cx, m.name, in.name, static_cast<int32_t>(&in - cx.passes.inputs.data()));
            in.modules[i] = static_cast<int32_t>(cx.symtab.modules.size() - 1);
            for (const obj::lib_symbol& s : m.symbols) {
                name_entry* e = sym_enter(cx, s.name, FL_GLOBAL);
                if (s.defines()) e->lib_taken = true;
            }
        }
    } while (added);
    if (rounds > 10) alert_message(522, in.name.c_str());
}

void run_passes(context& cx) {
    if (cx.passes.inputs.empty())
        for (const std::string& name : cx.opts.inputs) {
            input_file in;
            in.name = name;
            in.kind = kind_of(name);
            cx.passes.inputs.push_back(std::move(in));
        }
    for (int pass = 0; pass < 3; ++pass) {
        cx.symtab.pass = pass;
        for (size_t i = 0; i < cx.passes.inputs.size(); ++i) read_input(cx, cx.passes.inputs[i], i);
        set_current_module(cx, -1);
        if (pass == 1) end_of_pass1(cx);
        if (pass == 2) {
            finish_output(cx);
            map_end_of_pass2(cx);
        }
    }
}

}  // namespace lnk
