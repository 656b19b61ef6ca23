// Temporary streams for unit tests of code that reads and writes C streams.
#pragma once
#include <cstdio>
#include <string>

namespace listing_test {

// A temporary stream holding the text, positioned at its start.
inline std::FILE* stream_of(const std::string& text)
{
    std::FILE* f = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    return f;
}

// Everything written to the stream so far; closes it.
inline std::string contents_of(std::FILE* f)
{
    std::string text(static_cast<size_t>(std::ftell(f)), '\0');
    std::rewind(f);
    text.resize(std::fread(text.data(), 1, text.size(), f));
    std::fclose(f);
    return text;
}

}  // namespace listing_test
