# Cross-build for 64-bit Windows with mingw-w64: run under wine64 in the tests, where its
# 32-bit `long` shows the type-width faults that Linux hides.
set(ORM_MINGW_CPU x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
