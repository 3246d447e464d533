// The process-wide vocabulary tables, built at every open and kept until
// unload: names, positions, data types and the local Device object.
#pragma once

#include "tables/datatype_table.hpp"
#include "tables/device_properties.hpp"
#include "tables/local_objects.hpp"
#include "tables/name_tables.hpp"
#include "tables/order_tables.hpp"

namespace tables {

// The order, data-type and host-type tables; assign-or-insert, so a second
// open leaves them as the first did.
void BuildTypeTables();

}  // namespace tables
