// A fresh link run state for a test; errors of earlier tests do not count.
#pragma once
#include "common/alert.h"
#include "linker/context.h"

namespace testobj {

inline void fresh_link(lnk::context& cx) {
    lnk::start_context(cx);
    alert_set_max_errors(1000000);
}

}  // namespace testobj
