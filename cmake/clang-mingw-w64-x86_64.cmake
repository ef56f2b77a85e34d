# The shipped program: Debian's LLVM 16 (clang and lld) for the MinGW target,
# with mingw-w64's headers and libraries and the win32-thread flavour of
# GCC's C++ library (no winpthread). lld builds what GNU ld 2.40 can't: a load
# configuration directory, Control Flow Guard tables and the CET
# compatibility mark.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-target.cmake)
set(CMAKE_CXX_COMPILER clang++-16)
set(CMAKE_CXX_COMPILER_TARGET ${_triple})

# clang can't tell GCC's "12-win32" library folder for a version, so it is
# named here: libstdc++'s headers, and libstdc++ and libgcc for the link.
include(${CMAKE_CURRENT_LIST_DIR}/gcc-include-dirs.cmake)
kestrafen_gcc_cxx_include_dirs(win32 _gcc_include)
list(TRANSFORM _gcc_include PREPEND "-isystem ")
list(JOIN _gcc_include " " CMAKE_CXX_FLAGS_INIT)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld-16 -L${_gcc_include_LIBRARY_DIR}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld-16 -L${_gcc_include_LIBRARY_DIR}")

# The build knows from this that lld links it (see the hardening options).
set(KESTRAFEN_LLD_LINKER ON)
