// Message position and the source-line-and-caret layout.
#include "display.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/alert.h"
#include "scanner.h"

namespace display {
namespace {

std::string position_name;
int32_t position_line = 0;
// The column (%c) is the distance of two pointers into this area.
char column_area[8200];
const char* line_start = column_area;
const char* read_position = column_area;

std::string echoed_name;
uint64_t echoed_serial = 0;

// Messages raised while macro text is read name the enclosing file and its line.
void set_position() {
    input_stream* file = scanner::current_file();
    if (!file) {
        alert_set_position(nullptr, nullptr, nullptr, nullptr);
        return;
    }
    position_name = file->name;
    position_line = file->shown_line();
    read_position = column_area + std::min(file->position, sizeof column_area - 1);
    alert_set_position(position_name.c_str(), &position_line, &line_start, &read_position);
}

bool source_layout(const char* text, bool is_warning) {
    input_stream* file = scanner::current_file();
    if (!file || file->position == 0) return false;
    if (file->line_serial != echoed_serial) {
        echoed_serial = file->line_serial;
        if (file->name != echoed_name) {
            echoed_name = file->name;
            fprintf(stderr, "%s:\n", file->name.c_str());
        }
        const std::string& raw = file->raw_line;
        fprintf(stderr, "%6d:\t%s", static_cast<int>(file->shown_line()), raw.c_str());
        if (raw.empty() || raw.back() != '\n') fputc('\n', stderr);
        fflush(stderr);
    }
    int column = caret_column(file->buffer.c_str(), file->position);
    const char* suffix = is_warning ? " (warning)" : "";
    alert_line_clear();
    if (static_cast<int>(strlen(text)) < column)
        alert_line_append("\t%*s ^%s", column - 1, text, suffix);
    else
        alert_line_append("\t%*c %s%s", column + 1, '^', text, suffix);
    alert_flush();
    return true;
}

}  // namespace

int caret_column(const char16_t* line, size_t position) {
    int column = 0;
    for (size_t i = 0; i + 1 < position && line[i]; ++i) column = line[i] == '\t' ? (column / 8 + 1) * 8 : column + 1;
    return column;
}

void install(bool show_source_line) {
    alert_set_hook(set_position);
    if (show_source_line) alert_set_plain_layout(source_layout);
}

}  // namespace display
