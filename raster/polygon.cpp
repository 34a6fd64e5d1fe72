#include "raster/polygon.h"

namespace raster {

void EdgeTable::reset(int rows) {
    for (int r = 0; r < rows && r < kRows; ++r)
        rows_[static_cast<size_t>(r)] = Entry{};
    low_ = 0x03000000, high_ = 0;
}

EdgeTable& edgeTable() {
    static EdgeTable table;
    return table;
}

} // namespace raster
