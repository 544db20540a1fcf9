// Two pieces of the C++ runtime, replaced for the size of the shipped program only.
//
// The library's helpers that raise its standard exceptions (a string too long, an index out of
// range) construct std::logic_error and friends, which bring in a second, copy-on-write string
// implementation and the exception classes: some 50 KB of a program of under 200. The client
// never looks at those exceptions: HttpClient catches whatever is thrown and reports failure,
// and anywhere else an exception ends the program. So these helpers raise a small exception of
// the client's own instead; allocation failures stay std::bad_alloc.
//
// An exception that nobody catches ends the program; the library's default handler would first
// print the exception's demangled type name to a console this GUI program does not have, and
// the demangler alone is 45 KB.
#include <bits/functexcept.h>

#include <cstdlib>
#include <new>

namespace {
struct LibraryFailure {};
} // namespace

namespace std {
void __throw_logic_error(const char*) {
    throw LibraryFailure();
}
void __throw_length_error(const char*) {
    throw LibraryFailure();
}
void __throw_out_of_range(const char*) {
    throw LibraryFailure();
}
void __throw_out_of_range_fmt(const char*, ...) {
    throw LibraryFailure();
}
void __throw_invalid_argument(const char*) {
    throw LibraryFailure();
}
void __throw_bad_alloc() {
    throw std::bad_alloc();
}
void __throw_bad_array_new_length() {
    throw std::bad_alloc();
}
} // namespace std

namespace __gnu_cxx {
void __verbose_terminate_handler() {
    abort();
}
} // namespace __gnu_cxx
