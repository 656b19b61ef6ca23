// Builds cross-reference tables from raw text for the unit tests.
#pragma once
#include <string>
#include <vector>

#include "listing/listcommon/tests/test_streams.h"
#include "listing/ormxref/xref_read.h"
#include "listing/ormxref/xref_table.h"

inline void read_raw(xref_table& table, const std::string& raw, const std::vector<std::string>& skip = {})
{
    std::FILE* in = listing_test::stream_of(raw);
    xref_read_raw(in, table, skip);
    std::fclose(in);
}
