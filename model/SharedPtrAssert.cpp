// Shared ownership is checked in every build, not only in debug builds: using an
// empty shared pointer (the exchange object, the port, the reader thread) stops
// the program with the failed condition, "px != 0", instead of running on into
// undefined behaviour.

#include <boost/assert.hpp>
#include <cstdio>
#include <cstdlib>

namespace boost {

void assertion_failed(char const* expr, char const* function, char const* file, long line) {
    std::fprintf(stderr, "Assertion failed: %s (%s, file %s, line %ld)\n", expr, function, file,
                 line);
    std::abort();
}

void assertion_failed_msg(char const* expr, char const* msg, char const* function, char const* file,
                          long line) {
    std::fprintf(stderr, "Assertion failed: %s: %s (%s, file %s, line %ld)\n", expr, msg, function,
                 file, line);
    std::abort();
}

} // namespace boost
