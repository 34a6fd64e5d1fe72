#pragma once
// Effects that fire once per sync event although the event's value holds for several frames:
// a flag per event index, cleared when the part begins.
#include <array>
#include <cstddef>

namespace fx {

template <int N> class EventLatch {
  public:
    void clear() { fired_.fill(false); }
    // True the first time for this event index (a cursor of -1 counts as 0; indices past the
    // table never fire).
    bool fireOnce(int index) {
        if (index < 0) index = 0;
        if (index >= N || fired_[static_cast<size_t>(index)]) return false;
        fired_[static_cast<size_t>(index)] = true;
        return true;
    }

  private:
    std::array<bool, N> fired_{};
};

} // namespace fx
