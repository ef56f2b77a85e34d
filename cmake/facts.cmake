# Facts that the program, its tests and the scripts share, each written once:
# here, or (for what names a build output) beside the target that makes it.
# The build hands them on, in its facts/ folder (KESTRAFEN_FACTS_DIR):
#   kestrafen_facts.h  C++ constants, for the program and the tests (facts
#                      given a C++ name); the kestrafen_options target puts
#                      the folder on the include path
#   facts.sh           KESTRAFEN_<NAME>='value' lines, for shell scripts to
#                      source (a list's items separated by spaces)
#   facts.json         {"<NAME>": value}, for Python (a list as a list)
#
#   kestrafen_fact(<NAME> <value>... [CXX <C++ name> [INTS]])
# adds a fact. A value may be a generator expression ($<TARGET_FILE:...>);
# C++ gets only plain text values, as wide string literals, or with INTS as
# an array of ints. A subdirectory
# adds its own facts the same way; the files are written once the whole
# project is read (kestrafen_write_facts, at the end of the top-level
# CMakeLists.txt).

set(KESTRAFEN_FACTS_DIR ${CMAKE_BINARY_DIR}/facts)

function(kestrafen_fact name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "INTS" "CXX" "")
  if(NOT arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "kestrafen_fact(${name}): no value")
  endif()
  if(arg_UNPARSED_ARGUMENTS MATCHES "['\"]")
    message(FATAL_ERROR "kestrafen_fact(${name}): a value with quotes would need escaping")
  endif()
  set_property(GLOBAL APPEND PROPERTY KESTRAFEN_FACT_NAMES ${name})
  set_property(GLOBAL PROPERTY KESTRAFEN_FACT_${name} "${arg_UNPARSED_ARGUMENTS}")
  if(arg_CXX)
    set_property(GLOBAL PROPERTY KESTRAFEN_FACT_CXX_${name} ${arg_CXX})
    set_property(GLOBAL PROPERTY KESTRAFEN_FACT_INTS_${name} ${arg_INTS})
  endif()
endfunction()

function(kestrafen_write_facts)
  get_property(names GLOBAL PROPERTY KESTRAFEN_FACT_NAMES)
  set(sh "# Written by the build (cmake/facts.cmake): the project's shared facts.\n")
  set(json "{")
  set(header "// Written by the build (cmake/facts.cmake): the project's shared facts.\n#pragma once\n\n")
  set(separator "\n")
  foreach(name IN LISTS names)
    get_property(value GLOBAL PROPERTY KESTRAFEN_FACT_${name})
    list(LENGTH value count)
    string(REPLACE "\\" "\\\\" json_value "${value}")
    if(count GREATER 1)
      string(REPLACE ";" " " sh_value "${value}")
      string(REPLACE ";" "\", \"" json_value "${json_value}")
      set(json_value "[\"${json_value}\"]")
    else()
      set(sh_value "${value}")
      set(json_value "\"${json_value}\"")
    endif()
    string(APPEND sh "KESTRAFEN_${name}='${sh_value}'\n")
    string(APPEND json "${separator}  \"${name}\": ${json_value}")
    set(separator ",\n")
    get_property(cxx GLOBAL PROPERTY KESTRAFEN_FACT_CXX_${name})
    get_property(ints GLOBAL PROPERTY KESTRAFEN_FACT_INTS_${name})
    if(cxx AND ints)
      string(REPLACE ";" ", " cxx_value "${value}")
      string(APPEND header "inline constexpr int ${cxx}[] = {${cxx_value}};\n")
    elseif(cxx)
      string(REPLACE "\\" "\\\\" cxx_value "${value}")
      string(APPEND header "inline constexpr wchar_t ${cxx}[] = L\"${cxx_value}\";\n")
    endif()
  endforeach()
  string(APPEND json "\n}\n")
  file(GENERATE OUTPUT ${KESTRAFEN_FACTS_DIR}/facts.sh CONTENT "${sh}")
  file(GENERATE OUTPUT ${KESTRAFEN_FACTS_DIR}/facts.json CONTENT "${json}")
  # Written only when it changes, so that the sources that include it are
  # not rebuilt for nothing.
  file(CONFIGURE OUTPUT ${KESTRAFEN_FACTS_DIR}/kestrafen_facts.h CONTENT "${header}" @ONLY)
endfunction()

# The program's version is the project's (project() in CMakeLists.txt).
kestrafen_fact(VERSION ${PROJECT_VERSION})
# The program's window title, which the signature's description, the guide's
# title and the scripts that look for the window use too.
kestrafen_fact(WINDOW_TITLE "打印任务清理工具" CXX kWindowTitle)
# The spooler's job directory, in the system directory.
kestrafen_fact(JOB_SUBDIRECTORY "spool\\PRINTERS\\" CXX kJobSubdirectory)
# The main window's clean button, in its client area: left, top, width and
# height. The screenshots click in it.
kestrafen_fact(CLEAN_BUTTON 75 120 250 40 CXX kCleanButtonBox INTS)
# The file, at the top of drive C:, that marks a Wine prefix as the harness's
# throwaway one: tests that touch the job directory or the spooler refuse to
# run anywhere else.
kestrafen_fact(PREFIX_MARKER kestrafen-test-prefix CXX kPrefixMarker)
# The release zip's name (scripts/release.sh writes it; the tests and the
# workflow's release page look for it).
kestrafen_fact(RELEASE_ZIP kestrafen-${PROJECT_VERSION}-win-x64.zip)
# The release zip's files, in its order, each in its place: the program, the
# user guide, the licence, the third-party notices, the build information and
# the checksums of the other five.
kestrafen_fact(RELEASE_FILES kestrafen.exe 使用说明.txt LICENSE.txt THIRD-PARTY-NOTICES.txt
               BUILDINFO.txt SHA256SUMS.txt)
# A test's time limit, in seconds, unless it sets its own (tests/CMakeLists.txt):
# ctest's default, which include(CTest) writes into DartConfiguration.tcl.
set(DART_TESTING_TIMEOUT 120)
# The Debian packages that make up the shipped program's toolchain, whose
# versions BUILDINFO.txt gives.
kestrafen_fact(TOOLCHAIN_PACKAGES clang-16 lld-16 g++-mingw-w64-x86-64-win32
               gcc-mingw-w64-x86-64-win32 mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
               cmake ninja-build)
# The tests' C++ library headers (mingw-w64 GCC, posix flavour), which clang
# needs named when the analysers parse the tests' build.
include(${CMAKE_CURRENT_LIST_DIR}/gcc-include-dirs.cmake)
kestrafen_gcc_cxx_include_dirs(posix _tests_gcc_include)
kestrafen_fact(TESTS_GCC_INCLUDE_DIRS ${_tests_gcc_include})
