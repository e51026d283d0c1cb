// Raster operations on 32-bit surfaces. Every transfer is clipped once up
// front; the kernels then only see rectangles that lie inside both surfaces.
#include "platform/gfx/surface.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace platform {

namespace {

std::atomic<int> g_liveBrushes{0};

bool KnownRop(uint32_t rop) { return rop == SRCCOPY || rop == SRCAND || rop == SRCPAINT; }

// The part of a transfer that lies inside both surfaces. Coordinates come
// from the game as any 32-bit value, so the arithmetic is done in 64 bits.
struct Clip {
  int dx, dy, sx, sy, w, h;
  bool empty() const { return w <= 0 || h <= 0; }
};

Clip ClipTransfer(const Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx,
                  int sy) {
  int64_t x0 = dx, y0 = dy, s0 = sx, t0 = sy, cw = w, ch = h;
  if (s0 < 0) { x0 -= s0; cw += s0; s0 = 0; }
  if (t0 < 0) { y0 -= t0; ch += t0; t0 = 0; }
  if (x0 < 0) { s0 -= x0; cw += x0; x0 = 0; }
  if (y0 < 0) { t0 -= y0; ch += y0; y0 = 0; }
  cw = std::min({cw, int64_t{src.width()} - s0, int64_t{dst.width()} - x0});
  ch = std::min({ch, int64_t{src.height()} - t0, int64_t{dst.height()} - y0});
  if (cw <= 0 || ch <= 0) return Clip{0, 0, 0, 0, 0, 0};
  return Clip{static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(s0),
              static_cast<int>(t0), static_cast<int>(cw), static_cast<int>(ch)};
}

bool Overlaps(const Surface& dst, const Surface& src) { return &dst == &src; }

// A transfer within one surface reads from a copy of the source rectangle,
// so the result never depends on the order in which pixels are visited.
Surface CopyOut(const Surface& src, const Clip& c) {
  Surface tmp(c.w, c.h);
  for (int y = 0; y < c.h; ++y)
    CopyPixels(tmp.row(y), src.row(c.sy + y) + c.sx, static_cast<size_t>(c.w));
  return tmp;
}

// Eight pixels at a time through the compiler's vector types, built twice:
// for processors with AVX2 and for any x86-64, the one to use chosen on the
// first transfer; the tail goes pixel by pixel. memcpy keeps the loads free
// of alignment assumptions. The choice is a plain function pointer rather
// than a load-time resolver (target_clones): a resolver runs while the
// program is still being relocated, and under the thread sanitizer its
// instrumented entry crashes every program that links this file.
//
// Copies go through the same loop rather than the C library's memcpy: on
// some processors a large memcpy takes the string instruction (rep movsb),
// which runs at a fraction of the cache's speed, and in the page a large one
// leaves WebAssembly for JavaScript. The loop must not be turned back into a
// memcpy call by the compiler, hence the attribute (each compiler's own).
typedef uint32_t Vec8 __attribute__((vector_size(32)));

// Under the thread sanitizer every 32-byte load and store of these loops was
// a range check: a whole game ran 37 times slower than optimised, three
// quarters of it in those checks. There the kernels go unchecked, and each
// row they are given reports one read of its source's first and last pixel
// and one write of its destination's, so that two threads transferring to or
// from the same picture without a lock are still caught.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_read4(void*);
extern "C" void __tsan_write4(void*);
#define QM_KERNEL __attribute__((no_sanitize("thread")))
constexpr bool kRowsReported = true;
void ReportRow(uint32_t* d, const uint32_t* s, size_t n, const uint32_t* p = nullptr) {
  if (n == 0) return;
  for (const uint32_t* r : {s, p})
    if (r) __tsan_read4(const_cast<uint32_t*>(r)), __tsan_read4(const_cast<uint32_t*>(r + n - 1));
  __tsan_write4(d), __tsan_write4(d + n - 1);
}
#else
#define QM_KERNEL
constexpr bool kRowsReported = false;
inline void ReportRow(uint32_t*, const uint32_t*, size_t, const uint32_t* = nullptr) {}
#endif

enum class Op { kCopy, kAnd, kOr, kMask };

// Clang turns the copy loop into a memcpy call before it is inlined, so the
// loop itself carries the attribute there; GCC does it in the copy kernel.
#if defined(__clang__)
#define QM_NO_MEMCPY __attribute__((no_builtin("memcpy")))
#define QM_NO_MEMCPY_INLINED QM_NO_MEMCPY
#else
#define QM_NO_MEMCPY __attribute__((optimize("no-tree-loop-distribute-patterns")))
#define QM_NO_MEMCPY_INLINED
#endif

// kMask is a sprite in one pass: AND with the mask (s), then OR the picture (p).
template <Op kOp>
QM_KERNEL QM_NO_MEMCPY_INLINED __attribute__((always_inline)) inline void RowOp(uint32_t* __restrict d,
                                                 const uint32_t* __restrict s, size_t n,
                                                 const uint32_t* __restrict p = nullptr) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    Vec8 a, b;
    std::memcpy(&b, s + i, 32);
    if constexpr (kOp == Op::kCopy) {
      a = b;
    } else {
      std::memcpy(&a, d + i, 32);
      if constexpr (kOp == Op::kOr) a |= b;
      else a &= b;
      if constexpr (kOp == Op::kMask) {
        Vec8 c;
        std::memcpy(&c, p + i, 32);
        a |= c;
      }
    }
    std::memcpy(d + i, &a, 32);
  }
  for (; i < n; ++i) {
    if constexpr (kOp == Op::kCopy) d[i] = s[i];
    else if constexpr (kOp == Op::kOr) d[i] |= s[i];
    else if constexpr (kOp == Op::kAnd) d[i] &= s[i];
    else d[i] = (d[i] & s[i]) | p[i];
  }
}

using RowFn = void (*)(uint32_t* __restrict, const uint32_t* __restrict, size_t);
using MaskFn = void (*)(uint32_t* __restrict, const uint32_t* __restrict, const uint32_t* __restrict,
                        int, int, size_t, size_t, size_t);
struct RowKernels {
  RowFn copyRow, andRow, orRow;
  MaskFn masked;
};

// Every row of a masked sprite in one call: small sprites pay for one
// indirect call, not one per row and operation.
template <int>
QM_KERNEL __attribute__((always_inline)) inline void MaskedRows(uint32_t* __restrict d,
                                                      const uint32_t* __restrict m,
                                                      const uint32_t* __restrict p, int w, int h,
                                                      size_t dStride, size_t mStride,
                                                      size_t pStride) {
  for (int y = 0; y < h; ++y, d += dStride, m += mStride, p += pStride)
    RowOp<Op::kMask>(d, m, static_cast<size_t>(w), p);
}
QM_KERNEL void MaskedBase(uint32_t* __restrict d, const uint32_t* __restrict m,
                          const uint32_t* __restrict p, int w, int h, size_t ds, size_t ms,
                          size_t ps) {
  MaskedRows<0>(d, m, p, w, h, ds, ms, ps);
}

QM_KERNEL QM_NO_MEMCPY void RowCopyBase(uint32_t* __restrict d, const uint32_t* __restrict s,
                                        size_t n) {
  RowOp<Op::kCopy>(d, s, n);
}
QM_KERNEL void RowAndBase(uint32_t* __restrict d, const uint32_t* __restrict s, size_t n) {
  RowOp<Op::kAnd>(d, s, n);
}
QM_KERNEL void RowOrBase(uint32_t* __restrict d, const uint32_t* __restrict s, size_t n) {
  RowOp<Op::kOr>(d, s, n);
}

#if defined(__x86_64__) && defined(__GNUC__)
QM_KERNEL QM_NO_MEMCPY __attribute__((target("avx2"))) void RowCopyAvx2(uint32_t* __restrict d,
                                                              const uint32_t* __restrict s,
                                                              size_t n) {
  RowOp<Op::kCopy>(d, s, n);
}
QM_KERNEL __attribute__((target("avx2"))) void RowAndAvx2(uint32_t* __restrict d,
                                                const uint32_t* __restrict s, size_t n) {
  RowOp<Op::kAnd>(d, s, n);
}
QM_KERNEL __attribute__((target("avx2"))) void RowOrAvx2(uint32_t* __restrict d,
                                               const uint32_t* __restrict s, size_t n) {
  RowOp<Op::kOr>(d, s, n);
}
QM_KERNEL __attribute__((target("avx2"))) void MaskedAvx2(uint32_t* __restrict d,
                                                const uint32_t* __restrict m,
                                                const uint32_t* __restrict p, int w, int h,
                                                size_t ds, size_t ms, size_t ps) {
  MaskedRows<1>(d, m, p, w, h, ds, ms, ps);
}
#endif

const RowKernels& Kernels() {
  static const RowKernels k = [] {
#if defined(__x86_64__) && defined(__GNUC__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
      return RowKernels{RowCopyAvx2, RowAndAvx2, RowOrAvx2, MaskedAvx2};
#endif
    return RowKernels{RowCopyBase, RowAndBase, RowOrBase, MaskedBase};
  }();
  return k;
}

void RowAnd(uint32_t* d, const uint32_t* s, int n) { ReportRow(d, s, n), Kernels().andRow(d, s, n); }
void RowOr(uint32_t* d, const uint32_t* s, int n) { ReportRow(d, s, n), Kernels().orRow(d, s, n); }

void FillRow(uint32_t* d, int n, uint32_t px) { std::fill_n(d, n, px); }

// The rectangle clipped to the surface; empty when the rectangle is empty or
// inverted (right <= left or bottom <= top), as the window system treats it.
Rect ClipRect(const Surface& s, const Rect& r) {
  Rect c{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, s.width()),
         std::min(r.bottom, s.height())};
  if (c.right <= c.left || c.bottom <= c.top) return Rect{};
  return c;
}

}  // namespace

void CopyPixels(uint32_t* dst, const uint32_t* src, size_t n) {
  ReportRow(dst, src, n);
  Kernels().copyRow(dst, src, n);
}

Rect FitWholeScale(int w, int h, int outW, int outH) {
  if (w <= 0 || h <= 0) return Rect{0, 0, w, h};
  const int scale = std::max(1, std::min(outW / w, outH / h));
  const int x = (outW - w * scale) / 2, y = (outH - h * scale) / 2;
  return Rect{x, y, x + w * scale, y + h * scale};
}

Brush* CreateSolidBrush(uint32_t colorRef) {
  g_liveBrushes.fetch_add(1, std::memory_order_relaxed);
  return new Brush{colorRef & 0x00FFFFFF};
}

void DeleteBrush(Brush* brush) {
  if (!brush) return;
  g_liveBrushes.fetch_sub(1, std::memory_order_relaxed);
  delete brush;
}

int LiveBrushCount() { return g_liveBrushes.load(std::memory_order_relaxed); }

namespace {

// What both transfers share: the operation checked, the rectangle clipped,
// and a source that is never the rectangle being written. body(c, from, fx,
// fy) then writes c.w x c.h pixels from (fx, fy) of from to (c.dx, c.dy).
template <class Body>
int Transfer(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy,
             uint32_t rop, Body body) {
  if (!KnownRop(rop)) return 0;
  Clip c = ClipTransfer(dst, dx, dy, w, h, src, sx, sy);
  if (c.empty()) return 1;
  if (!Overlaps(dst, src)) {
    body(c, src, c.sx, c.sy);
  } else {
    const Surface tmp = CopyOut(src, c);
    body(c, tmp, 0, 0);
  }
  return 1;
}

}  // namespace

int BitBltReference(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx,
                    int sy, uint32_t rop) {
  return Transfer(dst, dx, dy, w, h, src, sx, sy, rop,
                  [&](const Clip& c, const Surface& from, int fx, int fy) {
                    for (int y = 0; y < c.h; ++y) {
                      for (int x = 0; x < c.w; ++x) {
                        uint32_t s = from.at(fx + x, fy + y);
                        uint32_t& d = dst.at(c.dx + x, c.dy + y);
                        if (rop == SRCCOPY) d = s;
                        else if (rop == SRCAND) d = d & s;
                        else d = d | s;
                      }
                    }
                  });
}

int BitBlt(Surface& dst, int dx, int dy, int w, int h, const Surface& src, int sx, int sy,
           uint32_t rop) {
  return Transfer(dst, dx, dy, w, h, src, sx, sy, rop,
                  [&](const Clip& c, const Surface& from, int fx, int fy) {
    if (rop == SRCCOPY && c.w == dst.width() && c.w == from.width() && fx == 0 && c.dx == 0) {
      // Whole rows on both sides: one contiguous block.
      CopyPixels(dst.row(c.dy), from.row(fy), static_cast<size_t>(c.w) * c.h);
      return;
    }
    for (int y = 0; y < c.h; ++y) {
      uint32_t* d = dst.row(c.dy + y) + c.dx;
      const uint32_t* s = from.row(fy + y) + fx;
      if (rop == SRCCOPY) CopyPixels(d, s, static_cast<size_t>(c.w));
      else if (rop == SRCAND) RowAnd(d, s, c.w);
      else RowOr(d, s, c.w);
    }
  });
}

bool BlitMasked(Surface& dst, int dx, int dy, int w, int h, const Surface& mask,
                const Surface& image) {
  if (mask.width() != image.width() || mask.height() != image.height() || Overlaps(dst, mask) ||
      Overlaps(dst, image))
    return false;
  const Clip c = ClipTransfer(dst, dx, dy, w, h, mask, 0, 0);
  if (c.empty()) return true;
  for (int y = 0; kRowsReported && y < c.h; ++y)
    ReportRow(dst.row(c.dy + y) + c.dx, mask.row(c.sy + y) + c.sx, static_cast<size_t>(c.w),
              image.row(c.sy + y) + c.sx);
  Kernels().masked(dst.row(c.dy) + c.dx, mask.row(c.sy) + c.sx, image.row(c.sy) + c.sx, c.w, c.h,
                   static_cast<size_t>(dst.width()), static_cast<size_t>(mask.width()),
                   static_cast<size_t>(image.width()));
  return true;
}

int FillRect(Surface& dst, const Rect& r, const Brush* brush) {
  if (!brush) return 0;
  Rect c = ClipRect(dst, r);
  const uint32_t px = ColorRefToPixel(brush->colorRef);
  for (int y = c.top; y < c.bottom; ++y) FillRow(dst.row(y) + c.left, c.width(), px);
  return 1;
}

int FrameRect(Surface& dst, const Rect& r, const Brush* brush) {
  if (!brush) return 0;
  if (r.right <= r.left || r.bottom <= r.top) return 1;
  // Four one-pixel strips; each is clipped on its own so that a rectangle
  // reaching past an edge still shows the sides that lie inside.
  FillRect(dst, Rect{r.left, r.top, r.right, r.top + 1}, brush);
  FillRect(dst, Rect{r.left, r.bottom - 1, r.right, r.bottom}, brush);
  FillRect(dst, Rect{r.left, r.top, r.left + 1, r.bottom}, brush);
  FillRect(dst, Rect{r.right - 1, r.top, r.right, r.bottom}, brush);
  return 1;
}

uint32_t SetPixel(Surface& dst, int x, int y, uint32_t colorRef) {
  if (x < 0 || y < 0 || x >= dst.width() || y >= dst.height()) return 0xFFFFFFFFu;
  colorRef &= 0x00FFFFFF;
  dst.at(x, y) = ColorRefToPixel(colorRef);
  return colorRef;
}

}  // namespace platform
