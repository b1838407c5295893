# Shared build settings and helpers for every subsystem.

# Sources are UTF-8; the program's texts are GBK bytes as on a Chinese Windows.
set(ZORVIK_CHARSET_FLAGS -finput-charset=UTF-8 -fexec-charset=GBK)
set(ZORVIK_WARNINGS -Wall -Wextra -Werror -Wno-missing-field-initializers)
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  # clang writes narrow literals in UTF-8 only: it builds a copy of the tree whose literals spell
  # their GBK bytes (cmake/gbk-literals.py, run by scripts/fuzz.sh), never the sources themselves.
  if(NOT EXISTS ${ZORVIK_ROOT}/.gbk-literals)
    message(FATAL_ERROR "clang cannot write the program's texts in GBK; build with clang through "
                        "scripts/fuzz.sh, which converts the literals of a copy of the tree first")
  endif()
  set(ZORVIK_CHARSET_FLAGS)
  # Warnings are the g++ builds' to police; clang's own set would stop the fuzz build.
  set(ZORVIK_WARNINGS -Wall -Wextra -Wno-missing-field-initializers)
endif()

add_library(zorvik_flags INTERFACE)
# C++17: libstdc++'s C++20 <chrono> holds a literal that GBK cannot encode.
target_compile_options(zorvik_flags INTERFACE ${ZORVIK_CHARSET_FLAGS} ${ZORVIK_WARNINGS})
target_include_directories(zorvik_flags INTERFACE ${ZORVIK_ROOT})

if(ZORVIK_SANITIZE)
  target_compile_options(zorvik_flags INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(zorvik_flags INTERFACE -fsanitize=address,undefined)
endif()

option(ZORVIK_LIBFUZZER "Build fuzz targets for libFuzzer (clang, through scripts/fuzz.sh)" OFF)
if(ZORVIK_LIBFUZZER)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ZORVIK_LIBFUZZER needs clang: run scripts/fuzz.sh")
  endif()
  # Every library the targets call carries libFuzzer's coverage, not only the targets themselves.
  target_compile_options(zorvik_flags INTERFACE -fsanitize=fuzzer-no-link)
endif()

if(WIN32)
  target_compile_definitions(zorvik_flags INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  target_link_options(zorvik_flags INTERFACE -static -static-libgcc -static-libstdc++)
  set(ZORVIK_WIN_PREFIX ${ZORVIK_DEPS}/mingw)
  list(PREPEND CMAKE_FIND_ROOT_PATH ${ZORVIK_WIN_PREFIX})
  set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()

# ---- third-party libraries, the same target names in both builds
if(WIN32)
  foreach(lib sqlite3 jsoncpp minizip gtest gtest_main gmock)
    if(lib STREQUAL "sqlite3")
      add_library(dep_${lib} SHARED IMPORTED GLOBAL)
      set_target_properties(dep_${lib} PROPERTIES
        IMPORTED_IMPLIB ${ZORVIK_WIN_PREFIX}/lib/libsqlite3.dll.a
        IMPORTED_LOCATION ${ZORVIK_WIN_PREFIX}/bin/sqlite3.dll)
    else()
      add_library(dep_${lib} STATIC IMPORTED GLOBAL)
      set_target_properties(dep_${lib} PROPERTIES IMPORTED_LOCATION ${ZORVIK_WIN_PREFIX}/lib/lib${lib}.a)
    endif()
    set_target_properties(dep_${lib} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${ZORVIK_WIN_PREFIX}/include)
  endforeach()
  add_library(dep_zlib INTERFACE)
  target_link_libraries(dep_zlib INTERFACE z)
  target_link_libraries(dep_minizip INTERFACE dep_zlib)
  target_link_libraries(dep_gtest_main INTERFACE dep_gtest)
  target_link_libraries(dep_gmock INTERFACE dep_gtest)
  # libwebp's decoder, static: no DLL joins setup's payload.
  add_library(dep_webp STATIC IMPORTED GLOBAL)
  set_target_properties(dep_webp PROPERTIES IMPORTED_LOCATION ${ZORVIK_WIN_PREFIX}/lib/libwebpdecoder.a
                                            INTERFACE_INCLUDE_DIRECTORIES ${ZORVIK_WIN_PREFIX}/include)
  # sqlite3.dll ships beside the programs, as it does in the installed suite.
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  file(COPY ${ZORVIK_WIN_PREFIX}/bin/sqlite3.dll DESTINATION ${CMAKE_BINARY_DIR}/bin)
else()
  find_package(PkgConfig REQUIRED)
  find_package(GTest REQUIRED)
  pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
  pkg_check_modules(JSONCPP REQUIRED IMPORTED_TARGET jsoncpp)
  pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
  pkg_check_modules(WEBP REQUIRED IMPORTED_TARGET libwebp)
  find_package(ZLIB REQUIRED)
  find_package(Threads REQUIRED)
  add_library(dep_sqlite3 INTERFACE)
  target_link_libraries(dep_sqlite3 INTERFACE PkgConfig::SQLITE3)
  add_library(dep_jsoncpp INTERFACE)
  target_link_libraries(dep_jsoncpp INTERFACE PkgConfig::JSONCPP)
  add_library(dep_minizip INTERFACE)
  target_link_libraries(dep_minizip INTERFACE PkgConfig::MINIZIP ZLIB::ZLIB)
  add_library(dep_zlib INTERFACE)
  target_link_libraries(dep_zlib INTERFACE ZLIB::ZLIB)
  add_library(dep_webp INTERFACE)
  target_link_libraries(dep_webp INTERFACE PkgConfig::WEBP)
  add_library(dep_gtest INTERFACE)
  target_link_libraries(dep_gtest INTERFACE GTest::gtest Threads::Threads)
  add_library(dep_gtest_main INTERFACE)
  target_link_libraries(dep_gtest_main INTERFACE GTest::gtest_main Threads::Threads)
  add_library(dep_gmock INTERFACE)
  target_link_libraries(dep_gmock INTERFACE GTest::gmock Threads::Threads)
endif()

# zorvik_library(<name> SOURCES ... [WIN_SOURCES ...] [POSIX_SOURCES ...] [LIBS ...] [WIN_LIBS ...])
# A static library of one subsystem; WIN_SOURCES are compiled only in the win build.
function(zorvik_library name)
  cmake_parse_arguments(A "" "" "SOURCES;WIN_SOURCES;POSIX_SOURCES;LIBS;WIN_LIBS;POSIX_LIBS" ${ARGN})
  set(srcs ${A_SOURCES})
  if(WIN32)
    list(APPEND srcs ${A_WIN_SOURCES})
  else()
    list(APPEND srcs ${A_POSIX_SOURCES})
  endif()
  add_library(${name} STATIC ${srcs})
  target_link_libraries(${name} PUBLIC zorvik_flags ${A_LIBS})
  if(WIN32)
    target_link_libraries(${name} PUBLIC ${A_WIN_LIBS})
  else()
    target_link_libraries(${name} PUBLIC ${A_POSIX_LIBS})
  endif()
endfunction()

# zorvik_test(<name> SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s])
# A GoogleTest executable registered with CTest; under the win build CTest runs it through Wine.
function(zorvik_test name)
  cmake_parse_arguments(A "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE zorvik_flags ${A_LIBS} dep_gmock dep_gtest_main)
  target_include_directories(${name} PRIVATE ${ZORVIK_ROOT}/tests)
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT} LABELS "${A_LABELS}")
endfunction()

# zorvik_page_ui_test(<exe> TEST <ctest name> SOURCES ... LIBS ... [RUNNER script])
# A page's UI test program (the real windows, the program's resources, the shared UI-test support
# in tests/win/app) run under Wine against the virtual phone of the native tree by RUNNER
# (default tests/win/with_vphone.sh). Win build only.
function(zorvik_page_ui_test exe)
  cmake_parse_arguments(A "" "TEST;RUNNER" "SOURCES;LIBS" ${ARGN})
  set(app_tests ${ZORVIK_ROOT}/tests/win/app)
  if(NOT A_RUNNER)
    set(A_RUNNER ${ZORVIK_ROOT}/tests/win/with_vphone.sh)
  endif()
  add_executable(${exe} ${A_SOURCES} ${app_tests}/UiTestSupport.cpp ${app_tests}/UiTestMain.cpp
                 ${ZORVIK_APP_RESOURCES})
  set_source_files_properties(${ZORVIK_APP_RESOURCES} PROPERTIES GENERATED TRUE EXTERNAL_OBJECT TRUE)
  add_dependencies(${exe} zorvik_assets)
  target_link_libraries(${exe} PRIVATE zorvik_flags ${A_LIBS} zorvik_app zorvik_pages dep_gmock dep_gtest)
  target_include_directories(${exe} PRIVATE ${ZORVIK_ROOT}/tests ${app_tests})
  add_test(NAME ${A_TEST}
           COMMAND ${A_RUNNER} ${ZORVIK_ROOT}/build/native/sim/vphone $<TARGET_FILE:${exe}> ${CMAKE_BINARY_DIR}/artifacts)
  set_tests_properties(${A_TEST} PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77 LABELS ui RESOURCE_LOCK zorvik_instance)
endfunction()

# zorvik_jvm_agent_ui_test(<exe> TEST <ctest name> [FILTER <gtest filter>] [SDK <Android level>] [WEB])
# A page's UI test program run again with vphone relaying its agent to the package's native agent
# on the desktop JVM (jvm_agent_host of the native tree), by tests/win/with_jvm_agent.sh; SDK: the
# level the fakes report instead of the data set's; WEB: websim runs beside them.
function(zorvik_jvm_agent_ui_test exe)
  cmake_parse_arguments(A "WEB" "TEST;FILTER;SDK" "" ${ARGN})
  set(filter)
  if(A_FILTER)
    set(filter --gtest_filter=${A_FILTER})
  endif()
  add_test(NAME ${A_TEST}
           COMMAND ${ZORVIK_ROOT}/tests/win/with_jvm_agent.sh ${ZORVIK_ROOT}/build/native/sim/vphone
                   ${ZORVIK_ROOT}/build/native/tests/native/android/jvm_agent_host $<TARGET_FILE:${exe}>
                   ${CMAKE_BINARY_DIR}/artifacts ${filter})
  set_tests_properties(${A_TEST} PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77 LABELS "ui;android"
                       RESOURCE_LOCK zorvik_instance)
  set(environment)
  if(A_SDK)
    list(APPEND environment ZORVIK_JVM_AGENT_SDK=${A_SDK})
  endif()
  if(A_WEB)
    list(APPEND environment ZORVIK_JVM_AGENT_WEB=1)
  endif()
  if(environment)
    set_tests_properties(${A_TEST} PROPERTIES ENVIRONMENT "${environment}")
  endif()
endfunction()

# zorvik_fuzz_target(<name> SOURCES ... LIBS ... [CORPUS dir])
# A function LLVMFuzzerTestOneInput. Built with clang -fsanitize=fuzzer when ZORVIK_LIBFUZZER is on
# (the libraries instrumented too), its seed corpus recorded beside it as <name>.corpus;
# otherwise linked with a bounded driver (seed corpus, then deterministic mutations) and run by CTest.
function(zorvik_fuzz_target name)
  cmake_parse_arguments(A "" "CORPUS;RUNS" "SOURCES;LIBS" ${ARGN})
  if(WIN32)
    return()
  endif()
  if(ZORVIK_LIBFUZZER)
    add_executable(${name} ${A_SOURCES})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_property(GLOBAL APPEND PROPERTY ZORVIK_FUZZ_TARGETS "${name}=${A_CORPUS}")
  else()
    add_executable(${name} ${A_SOURCES} ${ZORVIK_ROOT}/tests/fuzz/FuzzDriver.cpp)
    if(NOT A_RUNS)
      set(A_RUNS 20000)
    endif()
    add_test(NAME ${name} COMMAND ${name} ${A_RUNS} ${A_CORPUS})
    set_tests_properties(${name} PROPERTIES TIMEOUT 300 LABELS fuzz)
  endif()
  target_link_libraries(${name} PRIVATE zorvik_flags ${A_LIBS})
endfunction()

# zorvik_benchmark(<name> SOURCES ... LIBS ...)
# A Google Benchmark program for a hot path; built in the plain native build only, run by hand
# (build/native/tests/bench/...), not by CTest.
function(zorvik_benchmark name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  if(WIN32 OR ZORVIK_SANITIZE)
    return()
  endif()
  find_package(benchmark REQUIRED)
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE zorvik_flags ${A_LIBS} benchmark::benchmark_main)
  target_include_directories(${name} PRIVATE ${ZORVIK_ROOT}/tests)
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/Location.cmake)
