// REGEDIT4 text <-> in-memory registry model (used by the file-backed registry store).
#include "platform/reg_file.h"

#include <cctype>
#include <cstdio>

namespace plat {

bool same_text_nocase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); i++)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

namespace {

std::string parent_of(const std::string& path)
{
    size_t cut = path.rfind('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        b++;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        e--;
    return s.substr(b, e - b);
}

// Reads a quoted text starting at s[pos] == '"'; pos ends after the closing quote.
bool read_quoted(const std::string& s, size_t& pos, std::string& out)
{
    if (pos >= s.size() || s[pos] != '"')
        return false;
    out.clear();
    for (pos++; pos < s.size(); pos++) {
        char c = s[pos];
        if (c == '"') {
            pos++;
            return true;
        }
        if (c == '\\' && pos + 1 < s.size())
            c = s[++pos];
        out += c;
    }
    return false;
}

bool read_hex_bytes(const std::string& s, std::vector<uint8_t>& out)
{
    out.clear();
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == ','))
            i++;
        if (i >= s.size())
            break;
        if (i + 1 >= s.size() || !std::isxdigit(static_cast<unsigned char>(s[i])) ||
            !std::isxdigit(static_cast<unsigned char>(s[i + 1])))
            return false;
        out.push_back(static_cast<uint8_t>(std::stoi(s.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return true;
}

bool parse_data(const std::string& text, reg_file_value& value)
{
    if (!text.empty() && text[0] == '"') {
        size_t pos = 0;
        std::string s;
        if (!read_quoted(text, pos, s))
            return false;
        value.type = 1;
        value.data.assign(s.begin(), s.end());
        value.data.push_back(0);
        return true;
    }
    if (text.compare(0, 6, "dword:") == 0) {
        std::string digits = trim(text.substr(6));
        if (digits.empty() || digits.size() > 8)
            return false;
        for (char c : digits)
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                return false;
        uint32_t n = static_cast<uint32_t>(std::stoul(digits, nullptr, 16));
        value.type = 4;
        value.data = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
                      static_cast<uint8_t>(n >> 24)};
        return true;
    }
    if (text.compare(0, 4, "hex:") == 0) {
        value.type = 3;
        return read_hex_bytes(text.substr(4), value.data);
    }
    if (text.compare(0, 4, "hex(") == 0) {
        size_t close = text.find("):");
        if (close == std::string::npos)
            return false;
        std::string type = text.substr(4, close - 4);
        if (type.empty())
            return false;
        for (char c : type)
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                return false;
        value.type = static_cast<uint32_t>(std::stoul(type, nullptr, 16));
        return read_hex_bytes(text.substr(close + 2), value.data);
    }
    return false;
}

// A plain string value is written as a quoted text when it round-trips as one.
bool writes_as_text(const reg_file_value& v)
{
    if (v.type != 1 || v.data.empty() || v.data.back() != 0)
        return false;
    for (size_t i = 0; i + 1 < v.data.size(); i++)
        if (v.data[i] == 0 || v.data[i] == '\n' || v.data[i] == '\r')
            return false;
    return true;
}

std::string quote(const std::string& s)
{
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

bool reg_file::parse(const std::string& text)
{
    keys_.clear();
    // Join continuation lines (a trailing backslash outside quotes, as hex lists use).
    std::vector<std::string> lines;
    std::string current;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string t = trim(line);
        if (!current.empty())
            current += t;
        else
            current = line;
        std::string whole = trim(current);
        bool hex_value = whole.find("=hex") != std::string::npos;
        if (hex_value && !whole.empty() && whole.back() == '\\') {
            current = whole.substr(0, whole.size() - 1);
        } else {
            lines.push_back(current);
            current.clear();
        }
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    if (!current.empty())
        lines.push_back(current);

    bool ok = true, header = false;
    reg_file_key* key = nullptr;
    bool skipping = false;   // inside a "[-key]" section
    for (const std::string& raw : lines) {
        std::string line = trim(raw);
        if (!header && line.size() >= 3 && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
            line = line.substr(3);
        if (line.empty() || line[0] == ';')
            continue;
        if (!header) {
            if (line != "REGEDIT4")
                return false;
            header = true;
            continue;
        }
        if (line[0] == '[') {
            if (line.back() != ']') {
                ok = false;
                key = nullptr;
                continue;
            }
            std::string path = line.substr(1, line.size() - 2);
            skipping = !path.empty() && path[0] == '-';
            if (skipping) {
                remove_key(path.substr(1));
                key = nullptr;
            } else {
                key = &create_key(path);
            }
            continue;
        }
        if (skipping)
            continue;
        if (!key) {
            ok = false;
            continue;
        }
        reg_file_value value;
        size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (!read_quoted(line, pos, value.name)) {
            ok = false;
            continue;
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            pos++;
        if (pos >= line.size() || line[pos] != '=') {
            ok = false;
            continue;
        }
        std::string data = trim(line.substr(pos + 1));
        if (data == "-") {
            remove_value(*key, value.name);
            continue;
        }
        if (!parse_data(data, value)) {
            ok = false;
            continue;
        }
        if (reg_file_value* old = find_value(*key, value.name)) {
            old->type = value.type;
            old->data = value.data;
        } else {
            key->values.push_back(value);
        }
    }
    return ok && header;
}

std::string reg_file::write() const
{
    std::string out = "REGEDIT4\n";
    for (const reg_file_key& key : keys_) {
        out += "\n[" + key.path + "]\n";
        for (const reg_file_value& v : key.values) {
            out += v.name.empty() ? std::string("@") : quote(v.name);
            out += '=';
            if (writes_as_text(v)) {
                out += quote(std::string(v.data.begin(), v.data.end() - 1));
            } else if (v.type == 4 && v.data.size() == 4) {
                char buf[16];
                uint32_t n = v.data[0] | v.data[1] << 8 | v.data[2] << 16 | static_cast<uint32_t>(v.data[3]) << 24;
                std::snprintf(buf, sizeof buf, "dword:%08x", n);
                out += buf;
            } else {
                char buf[16];
                if (v.type == 3)
                    out += "hex:";
                else {
                    std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
                    out += buf;
                }
                for (size_t i = 0; i < v.data.size(); i++) {
                    if (i)
                        out += i % 24 == 0 ? ",\\\n  " : ",";
                    std::snprintf(buf, sizeof buf, "%02x", v.data[i]);
                    out += buf;
                }
            }
            out += '\n';
        }
    }
    return out;
}

reg_file_key* reg_file::find_key(const std::string& path)
{
    for (reg_file_key& key : keys_)
        if (same_text_nocase(key.path, path))
            return &key;
    return nullptr;
}

reg_file_key& reg_file::create_key(const std::string& path)
{
    if (reg_file_key* key = find_key(path))
        return *key;
    std::string parent = parent_of(path);
    if (!parent.empty())
        create_key(parent);
    keys_.push_back(reg_file_key{path, {}});
    return keys_.back();
}

bool reg_file::remove_key(const std::string& path)
{
    for (size_t i = 0; i < keys_.size(); i++)
        if (same_text_nocase(keys_[i].path, path)) {
            keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    return false;
}

std::vector<std::string> reg_file::subkeys(const std::string& path) const
{
    std::vector<std::string> names;
    for (const reg_file_key& key : keys_) {
        std::string parent = parent_of(key.path);
        if (!parent.empty() && same_text_nocase(parent, path))
            names.push_back(key.path.substr(parent.size() + 1));
    }
    return names;
}

reg_file_value* reg_file::find_value(reg_file_key& key, const std::string& name)
{
    for (reg_file_value& v : key.values)
        if (same_text_nocase(v.name, name))
            return &v;
    return nullptr;
}

bool reg_file::remove_value(reg_file_key& key, const std::string& name)
{
    for (size_t i = 0; i < key.values.size(); i++)
        if (same_text_nocase(key.values[i].name, name)) {
            key.values.erase(key.values.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    return false;
}

}  // namespace plat
