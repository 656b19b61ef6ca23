# Cross-build for 32-bit Windows with mingw-w64: the delivered form of the programs.
set(ORM_MINGW_CPU i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
