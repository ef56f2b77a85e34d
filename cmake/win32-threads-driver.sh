#!/bin/sh
# Compiler and linker launcher for the shipped program: runs the command with
# the win32-thread flavour of the mingw-w64 driver in place of the posix one.
# The program uses no threads, and the posix flavour would link winpthread
# statically into it (about 25 KB); the tests keep the posix flavour, which
# GoogleTest needs for std::mutex.
driver=$1
shift
case "$driver" in
  *-posix) exec "${driver%-posix}-win32" "$@" ;;
  *) exec "$driver" "$@" ;;
esac
