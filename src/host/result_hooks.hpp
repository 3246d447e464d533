// The outcome hooks that the read and write cycles and the device table give
// the application layer.
#pragma once

namespace host {

void FillResultHooks();

}  // namespace host
