#pragma once
// The edge machinery every filler shares: the fill rule, the ordered edge walk of the opaque
// fillers, the edge table of the translucent ones, and span set-up. Fillers differ only in
// the interpolants they carry and in how they write a pixel.
//
// Fill rule: row y of an edge from y0 to y1 is drawn when ceil16(y0) <= y < ceil16(y1); pixel x
// of a span from xl to xr when ceil16(xl) <= x < ceil16(xr). Top and left edges are in, bottom
// and right edges out, so polygons that share an edge neither overlap nor leave a gap.
#include <algorithm>
#include <array>
#include <cstdint>
#include <tuple>
#include <type_traits>
#include <utility>

#include "raster/fixed.h"

namespace raster {

// x and y first, then up to five attributes in the family's order (w, level, u, v, u w, v w,
// shade), all 16.16 except w and the perspective products.
struct ScreenVertex {
    Fixed16 x = 0, y = 0;
    std::array<int32_t, 5> a{};
};

// The image drawn into, with its depth buffer (same pitch) where a filler uses one.
struct Target {
    uint32_t* pixels = nullptr;
    int width = 0, height = 0; // width is the row pitch
    int32_t* depth = nullptr;
};

// Whether the fillers that have both forms run their spans eight pixels a step under lane
// masks (where the processor has the instructions for it) or pixel by pixel. Both draw the same
// pixels; the switch is for the tests and benchmarks that hold them to each other.
bool wideSpansAvailable();
bool wideSpans();
void setWideSpans(bool on);

// Calls fill(std::true_type) for the wide spans, fill(std::false_type) for the plain ones.
template <typename Fill> void withSpans(Fill fill) {
    if (wideSpans())
        fill(std::true_type{});
    else
        fill(std::false_type{});
}

// One span of a row, clipped to the target: `count` pixels from `x`, each interpolant's value
// at the first of them and its step per pixel. Not cleared when made: makeSpan writes every
// field of a span it passes on, and a batch holds dozens that clearing would cost per polygon.
template <int N> struct Span {
    int y, x, count;
    std::array<int32_t, N> value, step;
};

// Sets up the span from xl to xr of row y, with gradients either given or computed across the
// span; false when nothing of it is drawn.
template <int N>
[[gnu::always_inline]] inline bool
makeSpan(const Target& t, int y, Fixed16 xl, Fixed16 xr, const std::array<int32_t, N>& al,
         const std::array<int32_t, N>& ar, const int32_t* gradients, Span<N>& s) {
    if (y < 0 || y >= t.height) return false;
    int x = ceil16(xl), n = ceil16(xr) - x;
    if (n <= 0) return false;
    if (gradients) {
        for (int i = 0; i < N; ++i)
            s.step[i] = gradients[i];
    } else {
        std::array<int32_t, N> d;
        for (int i = 0; i < N; ++i)
            d[i] = wrapSub(ar[i], al[i]);
        slopes<N>(d.data(), wrapSub(xr, xl), n, s.step.data());
    }
    const Fixed16 pre = prestep(xl);
    for (int i = 0; i < N; ++i)
        s.value[i] = wrapAdd(al[i], mul16(pre, s.step[i]));
    // Clipped to the target: stepping k pixels on is k steps, exactly, in wrapping arithmetic.
    if (x < 0) {
        const uint32_t k = static_cast<uint32_t>(-x);
        for (int i = 0; i < N; ++i)
            s.value[i] = static_cast<int32_t>(static_cast<uint32_t>(s.value[i]) +
                                              k * static_cast<uint32_t>(s.step[i]));
        n += x, x = 0;
    }
    if (x + n > t.width) n = t.width - x;
    if (n <= 0) return false;
    s.y = y, s.x = x, s.count = n;
    return true;
}

// One edge of the ordered walk within a segment: rows left on it, and x and the interpolants
// at the current row with their steps per row.
struct WalkEdge {
    int index, rows;
    Fixed16 x;
    std::array<int32_t, 5> a; // right after x, for the vector set-up's one store
    Fixed16 dx;
    std::array<int32_t, 5> da; // and after dx
};

namespace detail {

// The ordered walk: the left edge goes from the top vertex to higher indices, the right edge
// to lower ones, so only polygons that run counter-clockwise on the screen (y down) give
// spans. The left edge carries NL interpolants and the right NR. Row by row it calls
// fn(y, xl, xr, al, ar); in bands, fn(y, rows, left, right) for each run of rows over which
// neither edge changes segment, with the edges as they stand at its first row.
template <int NL, int NR, bool Bands, typename Fn>
void walkOrdered(const ScreenVertex* v, int count, Fn fn) {
    if (count < 3) return;
    int top = 0, bottom = 0;
    for (int i = 1; i < count; ++i) {
        if (v[i].y < v[top].y)
            top = i;
        else if (v[i].y > v[bottom].y)
            bottom = i;
    }
    if (top == bottom) return;
    // Moves the edge on to its next segment with rows; false when it reaches the bottom first.
    // C interpolants ride along; x and they share one distance, so their slopes go together.
    auto start = [&]<int C>(WalkEdge& e, int direction) {
        for (;;) {
            const int from = e.index, to = (e.index + direction + count) % count;
            e.index = to;
            const int rows = ceil16(v[to].y) - ceil16(v[from].y);
            if (rows > 0) {
                const Fixed16 dy = wrapSub(v[to].y, v[from].y), pre = prestep(v[from].y);
                e.rows = rows;
                std::array<int32_t, 1 + C> d, q;
                d[0] = wrapSub(v[to].x, v[from].x);
                for (int i = 0; i < C; ++i)
                    d[static_cast<size_t>(i + 1)] = wrapSub(v[to].a[i], v[from].a[i]);
                slopes<1 + C>(d.data(), dy, rows, q.data());
                e.dx = q[0];
                e.x = wrapAdd(v[from].x, mul16(pre, e.dx));
                for (int i = 0; i < C; ++i) {
                    e.da[i] = q[static_cast<size_t>(i + 1)];
                    e.a[i] = wrapAdd(v[from].a[i], mul16(pre, e.da[i]));
                }
                return true;
            }
            if (to == bottom) return false;
        }
    };
    auto startLeft = [&](WalkEdge& e) { return start.template operator()<NL>(e, 1); };
    auto startRight = [&](WalkEdge& e) { return start.template operator()<NR>(e, -1); };
    WalkEdge left{top, 0, 0, {}, 0, {}}, right{top, 0, 0, {}, 0, {}};
    if (!startLeft(left) || !startRight(right)) return;
    // Moves an edge k rows on (exactly as k single steps, in wrapping arithmetic), to its next
    // segment where this one ends; false when the walk ends there.
    auto moveOn = [&](WalkEdge& e, int k, auto restart, int carried) {
        if ((e.rows -= k) == 0) return e.index != bottom && restart(e);
        const auto n = static_cast<uint32_t>(k);
        e.x = static_cast<int32_t>(static_cast<uint32_t>(e.x) + n * static_cast<uint32_t>(e.dx));
        for (int i = 0; i < carried; ++i)
            e.a[i] = static_cast<int32_t>(static_cast<uint32_t>(e.a[i]) +
                                          n * static_cast<uint32_t>(e.da[i]));
        return true;
    };
    for (int y = ceil16(v[top].y);;) {
        int rows = 1;
        if constexpr (Bands) {
            rows = std::min(left.rows, right.rows);
            fn(y, rows, std::as_const(left), std::as_const(right));
        } else {
            std::array<int32_t, NL> al{};
            std::array<int32_t, NR> ar{};
            for (int i = 0; i < NL; ++i)
                al[i] = left.a[i];
            for (int i = 0; i < NR; ++i)
                ar[i] = right.a[i];
            fn(y, left.x, right.x, al, ar);
        }
        y += rows;
        if (!moveOn(left, rows, startLeft, NL) || !moveOn(right, rows, startRight, NR)) return;
    }
}

} // namespace detail

// The ordered walk row by row: row(y, xl, xr, al, ar) for each row, from the top. The left edge
// carries NL interpolants and the right NR (0 for the triangle fillers, whose spans use
// constant gradients).
template <int NL, int NR, typename RowFn>
void orderedWalk(const ScreenVertex* v, int count, RowFn row) {
    detail::walkOrdered<NL, NR, false>(v, count, row);
}

// The same walk in bands, for fillers that set up several rows at once: band(y, rows, left,
// right) for each run of rows over which neither edge changes segment, with the edges as they
// stand at row y; row y + k lies k steps on.
template <int NL, int NR, typename BandFn>
void orderedBands(const ScreenVertex* v, int count, BandFn band) {
    detail::walkOrdered<NL, NR, true>(v, count, band);
}

// The translucent fillers' per-row table of the outermost crossings: the leftmost and
// rightmost x with their interpolants. Every row used is left empty again after a fill.
class EdgeTable {
  public:
    static constexpr int kRows = 768;
    static constexpr Fixed16 kEmptyLeft = 0x04000000, kEmptyRight = 0;

    EdgeTable() { reset(kRows); }
    void reset(int rows);

    // Enters every edge of the polygon, then calls row(y, xl, xr, al, ar) for each row it
    // touches, lowest first, and empties the rows.
    template <int N, typename RowFn> void fill(const ScreenVertex* v, int count, RowFn row);

  private:
    struct Entry {
        Fixed16 left = kEmptyLeft, right = kEmptyRight;
        std::array<int32_t, 5> leftA{}, rightA{};
    };
    std::array<Entry, kRows> rows_{};
    int low_ = 0x03000000, high_ = 0;
};

// The one table the translucent fillers share.
EdgeTable& edgeTable();

template <int N, typename RowFn> void EdgeTable::fill(const ScreenVertex* v, int count, RowFn row) {
    for (int i = 0; i < count; ++i) {
        const ScreenVertex* p = &v[i];
        const ScreenVertex* q = &v[(i + 1) % count];
        if (q->y < p->y) std::swap(p, q); // downwards; equal y keeps the order
        const int first = ceil16(p->y), rows = ceil16(q->y) - first;
        if (rows <= 0) continue;
        const Fixed16 dy = wrapSub(q->y, p->y), pre = prestep(p->y);
        std::array<int32_t, 1 + N> d{}, sl{};
        d[0] = wrapSub(q->x, p->x);
        for (int k = 0; k < N; ++k)
            d[static_cast<size_t>(k + 1)] = wrapSub(q->a[k], p->a[k]);
        slopes<1 + N>(d.data(), dy, rows, sl.data());
        const Fixed16 dx = sl[0];
        Fixed16 x = wrapAdd(p->x, mul16(pre, dx));
        std::array<int32_t, 5> a{}, da{};
        for (int k = 0; k < N; ++k) {
            da[k] = sl[static_cast<size_t>(k + 1)];
            a[k] = wrapAdd(p->a[k], mul16(pre, da[k]));
        }
        low_ = std::min(low_, first);
        high_ = std::max(high_, first + rows);
        for (int r = first; r < first + rows; ++r) {
            if (r >= 0 && r < kRows) {
                Entry& e = rows_[static_cast<size_t>(r)];
                if (x < e.left) e.left = x, e.leftA = a;
                if (x > e.right) e.right = x, e.rightA = a;
            }
            x = wrapAdd(x, dx);
            for (int k = 0; k < N; ++k)
                a[k] = wrapAdd(a[k], da[k]);
        }
    }
    for (int r = std::max(low_, 0); r < std::min(high_, kRows); ++r) {
        Entry e = rows_[static_cast<size_t>(r)];
        rows_[static_cast<size_t>(r)] = Entry{};
        if (e.left == kEmptyLeft && e.right == kEmptyRight) continue;
        if (e.right < e.left) std::swap(e.left, e.right), std::swap(e.leftA, e.rightA);
        std::array<int32_t, N> al{}, ar{};
        for (int k = 0; k < N; ++k)
            al[k] = e.leftA[k], ar[k] = e.rightA[k];
        row(r, e.left, e.right, al, ar);
    }
    low_ = 0x03000000, high_ = 0;
}

// Rows set up a batch at a time before any is drawn: the set-up's divisions of neighbouring
// rows do not wait on each other, nor on the pixels of the row before. Rows are drawn in the
// order they come.
template <int N, typename SpanFn> class SpanBatch {
  public:
    SpanBatch(const Target& t, SpanFn& draw) : t_(t), draw_(draw) {}
    ~SpanBatch() { flush(); }
    void add(int y, Fixed16 xl, Fixed16 xr, const std::array<int32_t, N>& al,
             const std::array<int32_t, N>& ar) {
        rows_[static_cast<size_t>(count_++)] = {y, xl, xr, al, ar};
        if (count_ == kRows) flush();
    }
    void flush() {
        int ready = 0;
        for (int i = 0; i < count_; ++i) {
            const Row& r = rows_[static_cast<size_t>(i)];
            ready += makeSpan<N>(t_, r.y, r.xl, r.xr, r.al, r.ar, nullptr,
                                 spans_[static_cast<size_t>(ready)]);
        }
        for (int i = 0; i < ready; ++i)
            draw_(spans_[static_cast<size_t>(i)]);
        count_ = 0;
    }

  private:
    static constexpr int kRows = 32;
    struct Row {
        int y;
        Fixed16 xl, xr;
        std::array<int32_t, N> al, ar;
    };
    const Target& t_;
    SpanFn& draw_;
    int count_ = 0;
    std::array<Row, kRows> rows_;
    std::array<Span<N>, kRows> spans_;
};

// Rows with one or two interpolants set up and drawn as they come: their one division is
// short enough to overlap the rows around it, and a batch's stores and reloads cost more than
// they hide (a quarter of a flat translucent triangle of a dozen rows). The perspective forms'
// several divisions still gain from the batch.
template <int N, typename SpanFn> class SpanDirect {
  public:
    SpanDirect(const Target& t, SpanFn& draw) : t_(t), draw_(draw) {}
    void add(int y, Fixed16 xl, Fixed16 xr, const std::array<int32_t, N>& al,
             const std::array<int32_t, N>& ar) {
        Span<N> s;
        if (makeSpan<N>(t_, y, xl, xr, al, ar, nullptr, s)) draw_(s);
    }

  private:
    const Target& t_;
    SpanFn& draw_;
};

template <int N, typename SpanFn>
using RowSink = std::conditional_t<N <= 2, SpanDirect<N, SpanFn>, SpanBatch<N, SpanFn>>;

// The three ways a filler meets its spans: a polygon on the ordered walk (both edges carry every
// interpolant, span gradients per row), a triangle on it (the left edge carries them, the
// gradients are the caller's constants) and a polygon through the edge table. draw(span) gets
// every span that has pixels in the target.
template <int N, typename SpanFn>
void walkPolygon(const Target& t, const ScreenVertex* v, int count, SpanFn draw) {
    RowSink<N, SpanFn> batch(t, draw);
    orderedWalk<N, N>(v, count,
                      [&](int y, Fixed16 xl, Fixed16 xr, const std::array<int32_t, N>& al,
                          const std::array<int32_t, N>& ar) { batch.add(y, xl, xr, al, ar); });
}

template <int N, typename SpanFn>
void walkTriangle(const Target& t, const ScreenVertex* v, const std::array<int32_t, N>& gradients,
                  SpanFn draw) {
    // No batch: with the gradients given, a row's set-up has no division to wait on.
    orderedWalk<N, 0>(v, 3,
                      [&](int y, Fixed16 xl, Fixed16 xr, const std::array<int32_t, N>& al,
                          const std::array<int32_t, 0>&) {
                          Span<N> s;
                          if (makeSpan<N>(t, y, xl, xr, al, al, gradients.data(), s)) draw(s);
                      });
}

// Whether y never falls on either way round the polygon from its top vertex (the first of the
// least y) to its bottom one (the first of the greatest): then each row between them crosses
// exactly one edge of each way, and the ordered walk meets the crossings the edge table would
// keep. Every triangle is.
inline bool monotone(const ScreenVertex* v, int count) {
    if (count == 3) return true;
    int top = 0, bottom = 0;
    for (int i = 1; i < count; ++i) {
        if (v[i].y < v[top].y)
            top = i;
        else if (v[i].y > v[bottom].y)
            bottom = i;
    }
    for (int i = top; i != bottom; i = (i + 1) % count)
        if (v[(i + 1) % count].y < v[i].y) return false;
    for (int i = top; i != bottom; i = (i + count - 1) % count)
        if (v[(i + count - 1) % count].y < v[i].y) return false;
    return true;
}

template <int N, typename SpanFn>
void walkTable(const Target& t, const ScreenVertex* v, int count, SpanFn draw) {
    if (count == 3) {
        // A triangle crosses each of its rows on exactly two edges, the same ones and at the same
        // values the table would find; the walk gives them without the table's stores. Either
        // winding is drawn, as the table draws it: the crossings are put in order.
        RowSink<N, SpanFn> batch(t, draw);
        orderedWalk<N, N>(v, 3,
                          [&](int y, Fixed16 xa, Fixed16 xb, const std::array<int32_t, N>& aa,
                              const std::array<int32_t, N>& ab) {
                              if (y >= EdgeTable::kRows) return; // past the table's rows
                              if (xa <= xb)
                                  batch.add(y, xa, xb, aa, ab);
                              else
                                  batch.add(y, xb, xa, ab, aa);
                          });
        return;
    }
    edgeTable().fill<N>(v, count,
                        [&](int y, Fixed16 xl, Fixed16 xr, const std::array<int32_t, N>& al,
                            const std::array<int32_t, N>& ar) {
                            Span<N> s;
                            if (makeSpan<N>(t, y, xl, xr, al, ar, nullptr, s)) draw(s);
                        });
}

} // namespace raster
