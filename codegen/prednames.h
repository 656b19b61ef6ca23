// Predicate names by number (entry 0 empty); the rule generator resolves names through it.
#pragma once

namespace cg {

constexpr int predicate_count = 150;
extern const char* const predicate_names[predicate_count];

}  // namespace cg
