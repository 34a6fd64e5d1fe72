#pragma once
// A fixed pool of particles: a stack of free slots, and the live slots in two lists that take
// turns, so that an update walks the live ones in order and drops the dead without moving the
// others. Nothing is allocated after construction.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace fx {

template <typename T> class ParticlePool {
  public:
    explicit ParticlePool(int capacity = 0) { reset(capacity); }

    // Every slot free, the lowest slots handed out first.
    void reset(int capacity) {
        slots_.assign(static_cast<size_t>(capacity), T{});
        free_.clear();
        for (int i = capacity - 1; i >= 0; --i)
            free_.push_back(i);
        live_.clear(), next_.clear();
        live_.reserve(static_cast<size_t>(capacity)), next_.reserve(static_cast<size_t>(capacity));
    }

    // A free slot, fresh, now live; nullptr when the pool is full.
    T* spawn() {
        if (free_.empty()) return nullptr;
        const int i = free_.back();
        free_.pop_back();
        T& p = slots_[static_cast<size_t>(i)];
        p = T{};
        live_.push_back(i);
        return &p;
    }

    // keep(p) for every live particle in order; those it returns false for are freed.
    template <typename Keep> void update(Keep keep) {
        next_.clear();
        for (const int i : live_) {
            if (keep(slots_[static_cast<size_t>(i)]))
                next_.push_back(i);
            else
                free_.push_back(i);
        }
        live_.swap(next_);
    }

    // As update, walking from the last live particle to the first; the survivors keep the
    // order of the walk, so each such update turns the list round.
    template <typename Keep> void updateFromLast(Keep keep) {
        next_.clear();
        for (auto i = live_.rbegin(); i != live_.rend(); ++i) {
            if (keep(slots_[static_cast<size_t>(*i)]))
                next_.push_back(*i);
            else
                free_.push_back(*i);
        }
        live_.swap(next_);
    }

    template <typename Fn> void forEachFromLast(Fn fn) {
        for (auto i = live_.rbegin(); i != live_.rend(); ++i)
            fn(slots_[static_cast<size_t>(*i)]);
    }

    template <typename Fn> void forEach(Fn fn) {
        for (const int i : live_)
            fn(slots_[static_cast<size_t>(i)]);
    }
    template <typename Fn> void forEach(Fn fn) const {
        for (const int i : live_)
            fn(slots_[static_cast<size_t>(i)]);
    }

    int liveCount() const { return static_cast<int>(live_.size()); }
    int capacity() const { return static_cast<int>(slots_.size()); }
    bool full() const { return free_.empty(); }

  private:
    std::vector<T> slots_;
    std::vector<int> free_, live_, next_;
};

} // namespace fx
