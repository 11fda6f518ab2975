// libstdc++ raises its errors through these functions. Its own definitions
// share one object that needs the library's exception classes, and through
// them both of its string implementations in full: about 85 KiB, a third of
// the program. Of those errors the program catches std::bad_alloc alone,
// which it reports as out of memory, so that one is raised as the library
// raises it. Every other (a size past max_size(), a string made from null,
// a position out of range) would reach std::terminate uncaught, and goes
// there at once. Should the program come to need another function of that
// object, the link fails: the object then comes in with its own definitions
// of these.
#include <exception>
#include <new>

// The library's own names and signatures, variadic one included.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl50-cpp,cert-dcl51-cpp,cert-dcl58-cpp)
namespace std {

[[noreturn]] void __throw_bad_alloc() { throw bad_alloc(); }
[[noreturn]] void __throw_bad_array_new_length() { throw bad_array_new_length(); }
[[noreturn]] void __throw_length_error(const char* /*what*/) { terminate(); }
[[noreturn]] void __throw_logic_error(const char* /*what*/) { terminate(); }
[[noreturn]] void __throw_out_of_range_fmt(const char* /*format*/, ...) { terminate(); }

}  // namespace std
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl50-cpp,cert-dcl51-cpp,cert-dcl58-cpp)
