// The progress bar and log of the runs, and the undo journal that keeps an install run from
// leaving half an installation behind.
#include "installer/core/context.h"
#include "installer/core/registry_types.h"

namespace inst {

void report_progress(context& c, int percent, const std::optional<std::string>& text) {
    c.window.set_progress(percent);
    if (percent >= 0)
        c.bar = percent;
    if (text) {
        // Past 10000 characters the oldest 5000 or more go, up to a line boundary, so the
        // newest lines stay in view.
        if (c.log.size() > 10000) {
            size_t cut = c.log.find('\n', 5000 - 1);
            c.log.erase(0, cut == std::string::npos ? c.log.size() : cut + 1);
        }
        c.log += *text + "\r\n";
        c.window.set_log(c.log);
    }
    c.window.pump();
}

static int bar_position(context& c) {
    if (c.bytes_per_percent == 0)
        return c.bar;
    uint64_t p = (c.bytes_done + c.bytes_per_percent - 1) / c.bytes_per_percent;
    return int(p > 100 ? 100 : p);
}

void log_line(context& c, const std::string& text) { report_progress(c, bar_position(c), text); }

void advance(context& c, uint64_t bytes) {
    c.bytes_done += bytes;
    if (c.bytes_per_percent)
        report_progress(c, bar_position(c), std::nullopt);
}

void journal_start(context& c) {
    c.journal.clear();
    c.journal_on = true;
}

void journal_commit(context& c) {
    for (const undo_step& s : c.journal)
        if (s.kind == undo_step::replaced_file)
            c.host.delete_file(s.backup);
    c.journal.clear();
    c.journal_on = false;
}

void journal_undo(context& c) {
    c.journal_on = false;
    for (auto it = c.journal.rbegin(); it != c.journal.rend(); ++it) {
        const undo_step& s = *it;
        switch (s.kind) {
        case undo_step::new_file:
            c.host.delete_file(s.path);
            break;
        case undo_step::replaced_file:
            c.host.delete_file(s.path);
            c.host.rename_file(s.backup, s.path);
            break;
        case undo_step::new_folder:
            c.host.remove_folder(s.path);
            break;
        case undo_step::registry_value:
            if (s.had_value)
                c.host.reg_write(s.root, s.path, s.value, s.old_type, s.old_data);
            else
                c.host.reg_delete_value(s.root, s.path, s.value);
            break;
        case undo_step::registry_key:
            c.host.reg_delete_key(s.root, s.path);
            break;
        }
    }
    c.journal.clear();
}

// Records a registry value (and any keys the write will create) before it changes.
static void journal_value(context& c, int root, const std::string& key, const std::string& value) {
    if (!c.journal_on)
        return;
    // Missing keys, outermost first, so that undoing in reverse removes the innermost first.
    std::vector<std::string> missing;
    for (std::string k = key; !k.empty();) {
        std::vector<std::string> names;
        if (c.host.reg_subkeys(root, k, names) == 0)
            break;
        missing.insert(missing.begin(), k);
        size_t cut = k.rfind('\\');
        k = cut == std::string::npos ? std::string() : k.substr(0, cut);
    }
    for (const std::string& k : missing)
        c.journal.push_back(undo_step{undo_step::registry_key, k, "", root, "", false, 0, {}});
    undo_step step{undo_step::registry_value, key, "", root, value, false, 0, {}};
    step.had_value = c.host.reg_read(root, key, value, step.old_type, step.old_data) == 0;
    c.journal.push_back(step);
}

int32_t reg_write_string(context& c, int root, const std::string& key, const std::string& value,
                         const std::string& text) {
    journal_value(c, root, key, value);
    std::vector<uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    return c.host.reg_write(root, key, value, VALUE_SZ, data);
}

int32_t reg_write_dword(context& c, int root, const std::string& key, const std::string& value, uint32_t n) {
    journal_value(c, root, key, value);
    std::vector<uint8_t> data{uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
    return c.host.reg_write(root, key, value, VALUE_DWORD, data);
}

std::optional<std::string> reg_read_string(context& c, int root, const std::string& key, const std::string& value) {
    uint32_t type = 0;
    std::vector<uint8_t> data;
    if (c.host.reg_read(root, key, value, type, data) != 0 || (type != VALUE_SZ && type != VALUE_EXPAND_SZ))
        return std::nullopt;
    std::string text(data.begin(), data.end());
    text.resize(std::min(text.find('\0'), std::min<size_t>(text.size(), 2048)));
    return type == VALUE_EXPAND_SZ ? c.host.expand_environment(text) : text;
}

}  // namespace inst
