# The shipped program: Debian's LLVM 16 (clang and lld) for the MinGW target,
# with mingw-w64's headers and libraries and the win32-thread flavour of
# GCC's C++ library (no winpthread). lld builds what GNU ld 2.40 can't: a load
# configuration directory, Control Flow Guard tables and the CET
# compatibility mark.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triple x86_64-w64-mingw32)
set(CMAKE_CXX_COMPILER clang++-16)
set(CMAKE_CXX_COMPILER_TARGET ${_triple})
set(CMAKE_RC_COMPILER ${_triple}-windres)

# clang can't tell GCC's "12-win32" library folder for a version, so it is
# named here: libstdc++'s headers, and libstdc++ and libgcc for the link.
file(GLOB _gcc_dirs LIST_DIRECTORIES true /usr/lib/gcc/${_triple}/*-win32)
list(SORT _gcc_dirs COMPARE NATURAL ORDER DESCENDING)
list(GET _gcc_dirs 0 _gcc)
set(CMAKE_CXX_FLAGS_INIT
    "-isystem ${_gcc}/include/c++ -isystem ${_gcc}/include/c++/${_triple} -isystem ${_gcc}/include/c++/backward")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld-16 -L${_gcc}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-fuse-ld=lld-16 -L${_gcc}")

set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The build knows from this that lld links it (see the hardening options).
set(KESTRAFEN_LLD_LINKER ON)
