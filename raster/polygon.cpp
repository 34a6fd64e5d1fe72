#include "raster/polygon.h"

namespace raster {

void EdgeTable::reset(int rows) {
    for (int r = 0; r < rows && r < kRows; ++r)
        rows_[static_cast<size_t>(r)] = Entry{};
    low_ = 0x03000000, high_ = 0;
}

bool wideSpansAvailable() {
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("avx512f") &&
                            __builtin_cpu_supports("avx512vl") &&
                            __builtin_cpu_supports("avx512dq");
    return has;
}

namespace {
bool& wideSpansSetting() {
    static bool on = wideSpansAvailable();
    return on;
}
} // namespace

bool wideSpans() {
    return wideSpansSetting();
}

void setWideSpans(bool on) {
    wideSpansSetting() = on && wideSpansAvailable();
}

EdgeTable& edgeTable() {
    static EdgeTable table;
    return table;
}

} // namespace raster
