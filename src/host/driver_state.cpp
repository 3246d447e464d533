#include "host/driver_state.hpp"

namespace host {

DriverState& Driver() {
    static DriverState state;
    return state;
}

}  // namespace host
