// Read before anything else by every source of the shipped program (see cmake/windows.cmake),
// for its size only: std::string is compiled from the library's headers into the program
// instead of being taken from the library's prebuilt copy.
//
// The library declares its std::string members extern and links them from one object that
// holds all of them. In this toolchain's PE linker every function of that object stays in the
// program, used or not (the unwind table refers to each, and it is never collected): some 26 KB
// of find_last_not_of, compare, rfind and the like that the client never calls. The library's
// own switch for its checked builds (_GLIBCXX_EXTERN_TEMPLATE set to -1) drops just these
// extern declarations; the members used are then compiled here from the same headers, the
// same code, and the linker keeps only those.
#pragma once

#include <bits/c++config.h>

#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
