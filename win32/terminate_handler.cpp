// libstdc++'s default terminate handler prints the uncaught exception's
// demangled type to stderr, and links a 45 KiB demangler for it. A GUI
// program has no stderr, so this one only aborts, as the default does
// after printing.
#include <cstdlib>

namespace __gnu_cxx {  // NOLINT(cert-dcl58-cpp): replaces the library's own definition
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
[[noreturn]] void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
