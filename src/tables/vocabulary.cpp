#include "tables/vocabulary.hpp"

namespace tables {

void BuildTypeTables() {
    BuildOrderTables();
    BuildDatatypeTable();
    BuildHostTypeTable();
}

}  // namespace tables
