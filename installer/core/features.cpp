// Feature installers: resources, program paths and downloaded programs; waiting for a program
// while the window stays alive; the transfer-rate display; the Java runtime check.
#include <cstdio>
#include <cstring>

#include "installer/core/actions.h"
#include "installer/core/context.h"
#include "installer/core/download_name.h"
#include "installer/core/keys.h"

namespace inst {

namespace {

bool is_address(const std::string& text) { return starts_nocase(text, "http://") || starts_nocase(text, "ftp://"); }

}  // namespace

bool run_and_wait(context& c, const std::string& program) {
    double last = c.host.now();
    int step = 0;
    bool started = c.host.run_and_wait(program, [&] {
        c.window.pump();
        double now = c.host.now();
        if (now - last > 1.0) {
            last = now;
            if (step < 98)
                c.window.set_progress(++step);
        }
    });
    if (started)
        c.window.set_progress(100);
    return started;
}

std::string url_download(context& c, const std::string& url, const std::string& folder, bool with_progress) {
    if (!is_address(url))
        fail("Must start with http:// or ftp://");
    size_t host = url.find("//") + 2;
    if (url.find('/', host) == std::string::npos)
        fail("No host part\n");
    transfer_callback progress;
    if (with_progress)
        progress = [&c](uint32_t done, uint32_t total) { transfer_progress(c, done, total); };
    download_result r = c.host.download(url, folder, progress);
    if (r.kind == download_result::failed)
        fail(r.error);
    return r.kind == download_result::ok ? r.path : std::string();
}

void transfer_progress(context& c, uint32_t done, uint32_t total) {
    int percent = int(double(done) / double(total) * 100.0);
    double now = c.host.now();
    if (c.rate_last_time == 0)
        c.rate_last_time = now;
    std::optional<std::string> text;
    if (now - c.rate_last_time >= 3.0) {
        uint32_t rate = uint32_t(double(done - c.rate_last_bytes) / (now - c.rate_last_time));
        if (rate < 1024)
            text = format("%u bytes/second (%d%% complete)", rate, percent);
        else if (rate > 1048575)
            text = format("%.2f megabytes/second (%d%% complete)", rate / 1048576.0, percent);
        else
            text = format("%.2f kilobytes/second (%d%% complete)", rate / 1024.0, percent);
        if (text->size() > 200)
            text->resize(200);
        c.rate_last_time = now;
        c.rate_last_bytes = done;
    }
    report_progress(c, percent, text);
}

void add_resource_file(context& c, const std::string& variable, const std::string& path, const std::string& file) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return;
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fclose(f);
    c.resources.push_back(resource{file, path, variable, uint32_t(size < 0 ? 0 : size)});
    set_variable(c, variable, path);
    c.temporary_items.push_back(path);
}

void run_feature_installers(context& c) {
    if (!c.have_feature_list)
        fail("no files to copy");
    // The product key first: a feature installer may look for the installation.
    write_product_registry(c);
    c.bytes_done = 0;
    for (const feature& f : c.features) {
        for (const std::string& installer : f.installers) {
            std::string program;
            bool resource_program = false;
            if (is_address(installer)) {
                if (!f.selected)
                    continue;
                report_progress(c, -1, std::nullopt);
                c.window.show_busy("Downloading components from the BRYLLEX Software website, please wait...");
                program = url_download(c, installer, variable_or_empty(c, "TmpDir"), true);
                c.window.hide_busy();
                report_progress(c, -1, std::nullopt);
                if (program.empty())
                    continue;   // no connection: as a program that cannot be started
            } else if (const std::string* v = get_variable(c, installer)) {
                program = *v;
                resource_program = true;
            } else {
                program = installer;
            }
            if (!f.selected) {
                if (resource_program)
                    c.temporary_items.push_back(program);
                continue;
            }
            c.window.show_busy("Installing components - Please wait, this may take several minutes");
            bool started = run_and_wait(c, program);
            c.window.hide_busy();
            if (started) {
                if (resource_program)
                    c.temporary_items.push_back(program);
                break;
            }
        }
    }
}

bool check_java_runtime(context& c, const std::string& list_in, const std::string* folder) {
    if (list_in.empty())
        return false;
    std::string list = list_in;
    if (folder && is_address(list)) {
        list = url_download(c, list, *folder, true);
        if (list.empty())
            return false;
        add_resource_file(c, "JCOMPAT", list, "jcompat.txt");
    }
    auto text = read_text_file(c, list);
    if (!text)
        return false;
    const std::string root = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
    std::vector<std::string> versions;
    if (c.host.reg_subkeys(ROOT_MACHINE, root, versions) != 0 || versions.empty())
        return false;
    size_t pos = 0;
    while (pos < text->size()) {
        size_t end = text->find('\n', pos);
        std::string line = text->substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? text->size() : end + 1;
        if (line.size() > 255)
            line.resize(255);
        if (line.empty() || line[0] == '\r' || line[0] == '#')
            continue;
        if (line.back() == '\r')
            line.pop_back();
        const std::string* best = nullptr;
        for (const std::string& v : versions) {
            if (v.compare(0, line.size(), line) != 0 || (best && std::strcmp(v.c_str(), best->c_str()) <= 0))
                continue;
            if (reg_read_string(c, ROOT_MACHINE, root + "\\" + v, "JavaHome"))
                best = &v;
        }
        if (best)
            return true;
    }
    return false;
}

}  // namespace inst
