// Hosted builds of the program code reach the const table here, where the
// image's code reaches the const section's data.
#include <vector>

#include "runtime/const_table_bytes.h"
#include "runtime/program_base.h"

namespace prog {

const uint8_t* hostedConstData() {
    static const std::vector<uint8_t> table = image::constTableBytes();
    return table.data();
}

}  // namespace prog
