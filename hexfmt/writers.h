// The writers' factories, one per row of the format table.
#pragma once
#include "hexfmt/image_writers.h"

namespace hexfmt {

std::unique_ptr<FormatWriter> make_intel(OutFile& out, const ImageInfo& info);
std::unique_ptr<FormatWriter> make_motorola(OutFile& out, const ImageInfo& info);
std::unique_ptr<FormatWriter> make_aahex(OutFile& out, const ImageInfo& info);
std::unique_ptr<FormatWriter> make_tektronix(OutFile& out, const ImageInfo& info);
std::unique_ptr<FormatWriter> make_ext_tektronix(OutFile& out, const ImageInfo& info);
std::unique_ptr<FormatWriter> make_ubrof(OutFile& out, const ImageInfo& info);
std::unique_ptr<FormatWriter> make_binary(OutFile& out, const ImageInfo& info);
std::unique_ptr<FormatWriter> make_tsk(OutFile& out, const ImageInfo& info);

}  // namespace hexfmt
