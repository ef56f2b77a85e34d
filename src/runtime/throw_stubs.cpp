// The program throws no exceptions and catches none. In a static MinGW build
// libstdc++'s helpers that throw from inside std::wstring, and its verbose
// terminate handler with the demangler and printf it drags in, cost more than
// the rest of the program together. An exception nobody catches ends the
// process through abort() anyway; these end it there directly. Built into
// the shipped program only, never into the tests (GoogleTest uses exceptions).
//
// Each definition replaces libstdc++'s own, so it must carry libstdc++'s
// reserved name, in its namespace, with its signature: the NOLINTs below.
#include <cstdlib>

#if defined(__GLIBCXX__) && defined(__MINGW32__)

namespace __gnu_cxx {
void __verbose_terminate_handler()  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
{
    std::abort();
}
} // namespace __gnu_cxx

namespace std {  // NOLINT(cert-dcl58-cpp,bugprone-std-namespace-modification)
void __throw_bad_alloc()  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cert-dcl58-cpp,bugprone-std-namespace-modification)
{
    std::abort();
}
void __throw_bad_array_new_length()  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cert-dcl58-cpp,bugprone-std-namespace-modification)
{
    std::abort();
}
void __throw_length_error(const char* /*what*/)  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cert-dcl58-cpp,bugprone-std-namespace-modification)
{
    std::abort();
}
void __throw_logic_error(const char* /*what*/)  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cert-dcl58-cpp,bugprone-std-namespace-modification)
{
    std::abort();
}
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cert-dcl58-cpp,bugprone-std-namespace-modification,cert-dcl50-cpp)
void __throw_out_of_range_fmt(const char* /*format*/, ...)
{
    std::abort();
}
} // namespace std

#endif
