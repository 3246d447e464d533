#include "support/environment.hpp"

#include <cstdlib>

namespace testing_support {

void SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
    // An empty value removes the variable. The DLLs share the C runtime's
    // environment (msvcrt.dll) with the test program, so they see it.
    ::_putenv_s(name, value != nullptr ? value : "");
#else
    if (value != nullptr) {
        ::setenv(name, value, 1);
    } else {
        ::unsetenv(name);
    }
#endif
}

}  // namespace testing_support
