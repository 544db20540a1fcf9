#!/bin/sh
# Compiler and linker launcher of the shipped program: runs the win32-thread-model twin of the
# posix-thread-model compiler that the toolchain names. The client uses no threads, and the
# posix model's static thread library only adds size; the tests keep the posix model, which
# GoogleTest's std::mutex needs.
compiler="$1"
shift
exec "${compiler%-posix}-win32" "$@"
