#include "listing/ormannot/annotate.h"

#include <cinttypes>

void annotate(std::FILE* in, std::FILE* out, int tab_width)
{
    int64_t line = 1;
    int64_t column = 0;          // characters written after the line's prefix
    bool prefix_written = false;
    for (int c = std::getc(in); c != EOF; c = std::getc(in)) {
        if (!prefix_written) {
            std::fprintf(out, "%6" PRId64 ": ", line);
            prefix_written = true;
        }
        if (c == '\t') {
            for (int64_t n = tab_width - column % tab_width; n > 0; n--, column++)
                std::putc(' ', out);
        } else if (c == '\n') {
            std::putc('\n', out);
            line++;
            column = 0;
            prefix_written = false;
        } else {
            std::putc(c, out);
            column++;
        }
    }
}
