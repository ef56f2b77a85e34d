# Cross-compiles the 64-bit Windows program on Linux with Debian's mingw-w64.
# The posix-thread flavour is used because GoogleTest needs std::mutex;
# everything is linked statically, so no toolchain DLL ships beside the exe.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-target.cmake)
set(CMAKE_C_COMPILER   ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
