# kestrafen_gcc_cxx_include_dirs(<flavour> <out-var>)
# The C++ library header folders of the newest installed mingw-w64 GCC of a
# thread flavour ("win32" or "posix"): clang can't tell GCC's "12-win32"
# style folders for a version, so they are named to it. The shipped
# toolchain file uses the win32 ones; the analysers, which parse the tests'
# GCC build with clang, the posix ones (a fact of the build).
function(kestrafen_gcc_cxx_include_dirs flavour out)
  set(triple x86_64-w64-mingw32)
  file(GLOB dirs LIST_DIRECTORIES true /usr/lib/gcc/${triple}/*-${flavour})
  if(NOT dirs)
    message(FATAL_ERROR "No mingw-w64 GCC of the ${flavour} flavour in /usr/lib/gcc/${triple}")
  endif()
  list(SORT dirs COMPARE NATURAL ORDER DESCENDING)
  list(GET dirs 0 gcc)
  set(${out} ${gcc}/include/c++ ${gcc}/include/c++/${triple} ${gcc}/include/c++/backward PARENT_SCOPE)
  set(${out}_LIBRARY_DIR ${gcc} PARENT_SCOPE)
endfunction()
