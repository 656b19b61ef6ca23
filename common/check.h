// Programming errors of a library caller: stop with the failed expression and the source file,
// in every build type.
#pragma once

[[noreturn]] void orm_assert_fail(const char* expression, const char* file, int line);

#define ORM_ASSERT(e) ((e) ? (void)0 : orm_assert_fail(#e, __FILE__, __LINE__))
