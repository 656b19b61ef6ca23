# Helpers shared by every folder of the toolchain.

# -Wno-psabi: GCC's notes about an ABI change of GCC 4.4 are not about our code.
set(ORM_WARNINGS -Wall -Wextra -Wno-psabi)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # GCC 12's -Wrestrict misfires inside libstdc++'s std::string concatenation once it is
    # inlined (32-bit targets, and the -O3 of Release builds); GCC 13 no longer does.
    list(APPEND ORM_WARNINGS -Wno-restrict)
endif()
if(MINGW)
    # The Windows builds must stay warning-free: their 32-bit `long` shows faults Linux hides.
    list(APPEND ORM_WARNINGS -Werror)
    # Without the MinGW runtime DLLs beside them, dynamically linked programs die silently.
    add_link_options(-static)
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
        add_link_options(-s)   # the delivered programs carry no symbols
    endif()
endif()

if(ORM_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# orm_add_library(name SOURCES...): a static library of our own code.
function(orm_add_library name)
    add_library(${name} STATIC ${ARGN})
    target_compile_options(${name} PRIVATE ${ORM_WARNINGS})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# orm_add_program(name [DYNAMIC] SOURCES...): a toolchain program, built into bin/.
# The program must define `component_name` and `exit_hook`; the link fails otherwise.
# DYNAMIC keeps the C library shared (a program that resolves host names needs it).
function(orm_add_program name)
    cmake_parse_arguments(PARSE_ARGV 1 ARG "DYNAMIC" "" "")
    add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
    target_compile_options(${name} PRIVATE ${ORM_WARNINGS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE orm_common)
    # A whole build starts seven to ten passes: loading shared libraries cost each pass more
    # than all the rest of its start-up. The sanitizers need the shared C library.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_link_options(${name} PRIVATE -static-libstdc++ -static-libgcc)
        if(NOT ORM_SANITIZE AND NOT ARG_DYNAMIC AND CMAKE_SYSTEM_NAME STREQUAL "Linux")
            target_link_options(${name} PRIVATE -static)
        endif()
    endif()
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ORM_BIN_DIR})
    if(TARGET orm_dat)
        add_dependencies(${name} orm_dat)
    endif()
endfunction()

# What every test sees: the build tree under test and the sources (so that no test depends on
# where the build folder is), the test-support Python module, no registry, and the list of
# allocations kept until exit on purpose.
set(ORM_TEST_ENVIRONMENT "ORM_BUILD_DIR=${CMAKE_BINARY_DIR};ORM_SOURCE_DIR=${PROJECT_SOURCE_DIR};ORM_REGISTRY="
    "PYTHONPATH=${PROJECT_SOURCE_DIR}/testsupport"
    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/testsupport/leaks.supp")

# orm_add_test(name SOURCES... [LIBS libs...]): a GoogleTest executable built into tests/,
# registered with CTest. Tests that do not define component_name/exit_hook link orm_test_identity.
function(orm_add_test name)
    if(CMAKE_CROSSCOMPILING)
        # Cross builds run no unit tests; a placeholder keeps add_dependencies on it valid.
        add_custom_target(${name})
        return()
    endif()
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    if(NOT T_SOURCES)
        set(T_SOURCES ${T_UNPARSED_ARGUMENTS})
    endif()
    find_package(GTest REQUIRED)
    add_executable(${name} ${T_SOURCES})
    target_compile_options(${name} PRIVATE ${ORM_WARNINGS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${T_LIBS} orm_testsupport orm_common GTest::gtest GTest::gtest_main)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ORM_TEST_DIR})
    add_dependencies(${name} orm_dat)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "${ORM_TEST_ENVIRONMENT}" WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()

# orm_add_python_test(name script [args...] [ENVIRONMENT vars...] [TIMEOUT seconds]): a Python
# test using the test-support module ormtest; exit status 77 means skipped (a peer tool missing).
function(orm_add_python_test name script)
    cmake_parse_arguments(T "" "TIMEOUT" "ENVIRONMENT" ${ARGN})
    find_package(Python3 COMPONENTS Interpreter REQUIRED)
    add_test(NAME ${name} COMMAND ${Python3_EXECUTABLE} ${script} ${T_UNPARSED_ARGUMENTS})
    set(environment ${ORM_TEST_ENVIRONMENT} ${T_ENVIRONMENT})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}"
                         SKIP_RETURN_CODE 77 WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    if(T_TIMEOUT)
        set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
    endif()
endfunction()

# orm_add_windows_test(name SOURCES... [LIBS libs...]): a GoogleTest program of a Windows cross
# build, built into tests/ with the GoogleTest sources (no Windows GoogleTest is installed); the
# native build's wine tests run it.
set(ORM_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the Windows test programs")
function(orm_add_windows_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    if(NOT TARGET gtest)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
        add_subdirectory(${ORM_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
        # Out of lib/, which holds the toolchain's own libraries.
        set_target_properties(gtest gtest_main PROPERTIES ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/googletest)
    endif()
    add_executable(${name} ${T_SOURCES})
    target_compile_options(${name} PRIVATE ${ORM_WARNINGS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${T_LIBS} orm_common gtest gtest_main)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ORM_TEST_DIR})
endfunction()
