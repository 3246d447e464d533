// The outcome hooks that the read and write cycles give the application layer.
#pragma once

#include "host/driver_state.hpp"

namespace host {

void FillResultHooks(ResultHooks& hooks);

}  // namespace host
