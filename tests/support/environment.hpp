// Setting the test process's environment, which the host-library stand-ins
// read (VORNE_LOG, VORNE_BIND, VORNE_BROADCAST), on Linux and Windows alike.
#pragma once

namespace testing_support {

// Sets the variable, or removes it when value is null.
void SetEnvironment(const char* name, const char* value);

}  // namespace testing_support
