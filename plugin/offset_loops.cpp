#include "plugin/offset_loops.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <utility>

// The loop removal walks C down the ring and, for the segment R[C-1]-R[C], takes the
// latest earlier segment it crosses or touches. Any segment that can pass one of the three
// tests has a box (its ends' box widened by the widest miss the on-segment test accepts)
// that meets the box of R[C-1]-R[C]; a grid of these boxes yields the few candidates, which
// are tried latest first with the very same tests. The ring's positions are kept by a
// count tree over the original slots (cuts only remove entries), and the two lengths that
// decide which side of a crossing stays are compared through a sum tree with a bound on
// the rounding; only when that bound cannot decide are they summed term by term in the
// literal order.

namespace offset_loops {

namespace {

namespace ref = offset_reference;

TDPoint& PointOf(TDPoint& p) { return p; }
TDPoint& PointOf(ref::TOffsetEntry& e) { return e.Point; }

bool ZeroLength(const TDPoint& a, const TDPoint& b) { return a.x == b.x && a.y == b.y; }

bool SameBits(const TDPoint& a, const TDPoint& b) {
  return std::bit_cast<std::uint64_t>(a.x) == std::bit_cast<std::uint64_t>(b.x) &&
         std::bit_cast<std::uint64_t>(a.y) == std::bit_cast<std::uint64_t>(b.y);
}

struct TBox {
  double x0, y0, x1, y1;
};

bool Overlap(const TBox& a, const TBox& b) {
  return a.x0 <= b.x1 && b.x0 <= a.x1 && a.y0 <= b.y1 && b.y0 <= a.y1;
}

// Holds every point that IsOnLine accepts for a-b, and every crossing that
// SegmentsIntersect reports on it: the perpendicular miss allowed is GeomEps / |b - a|,
// widened generously for rounding.
TBox SegmentBox(const TDPoint& a, const TDPoint& b) {
  const double maxAbs = std::max({std::abs(a.x), std::abs(a.y), std::abs(b.x), std::abs(b.y)});
  double tol = maxAbs * 0x1p-36;
  if (!ZeroLength(a, b)) {
    const double len = (b - a).Length();
    const double miss = GeomEps / len;
    tol += miss + miss * 0x1p-30 + len * 0x1p-36;
  }
  return TBox{std::min(a.x, b.x) - tol, std::min(a.y, b.y) - tol, std::max(a.x, b.x) + tol,
              std::max(a.y, b.y) + tol};
}

bool Contains(const TBox& b, const TDPoint& p) {
  return b.x0 <= p.x && p.x <= b.x1 && b.y0 <= p.y && p.y <= b.y1;
}

// The rectangle that holds every point IsOnLine accepts for a-b (a not equal to b): along
// the segment from a to b, across it as far as GeomEps / |b - a|, widened for rounding.
class TBand {
 public:
  TBand(const TDPoint& a, const TDPoint& b) : FA(a) {
    const TDPoint u = b - a;
    FLength = u.Length();
    FDir = TDPoint{u.x / FLength, u.y / FLength};
    const double maxAbs = std::max({std::abs(a.x), std::abs(a.y), std::abs(b.x), std::abs(b.y)});
    FAcross = GeomEps / FLength;
    FAcross += FAcross * 0x1p-30 + (maxAbs + FLength) * 0x1p-36;
    FAlong = (FAcross + FLength + maxAbs) * 0x1p-36;
  }
  // Whether the box may share a point with the band (no separating axis along or across).
  bool Meets(const TBox& b) const {
    const double xs[2] = {b.x0 - FA.x, b.x1 - FA.x};
    const double ys[2] = {b.y0 - FA.y, b.y1 - FA.y};
    double alongLo = 1e308, alongHi = -1e308, acrossLo = 1e308, acrossHi = -1e308;
    for (double x : xs) {
      for (double y : ys) {
        const double along = x * FDir.x + y * FDir.y;
        const double across = y * FDir.x - x * FDir.y;
        alongLo = std::min(alongLo, along);
        alongHi = std::max(alongHi, along);
        acrossLo = std::min(acrossLo, across);
        acrossHi = std::max(acrossHi, across);
      }
    }
    const double slack =
        (std::abs(alongLo) + std::abs(alongHi) + std::abs(acrossLo) + std::abs(acrossHi)) * 0x1p-40;
    return alongHi >= -FAlong - slack && alongLo <= FLength + FAlong + slack &&
           acrossHi >= -FAcross - slack && acrossLo <= FAcross + slack;
  }

 private:
  TDPoint FA;
  TDPoint FDir;
  double FLength = 0, FAcross = 0, FAlong = 0;
};

// Alive slots: rank of a slot and slot of a rank.
class TCountTree {
 public:
  explicit TCountTree(int n) : FN(n), FTree(static_cast<std::size_t>(n) + 1, 0) {
    for (int i = 1; i <= n; ++i) {
      FTree[static_cast<std::size_t>(i)] += 1;
      const int parent = i + (i & -i);
      if (parent <= n)
        FTree[static_cast<std::size_t>(parent)] += FTree[static_cast<std::size_t>(i)];
    }
    FTop = 1;
    while (FTop * 2 <= n) FTop *= 2;
  }
  void Remove(int slot) {
    for (int i = slot + 1; i <= FN; i += i & -i) FTree[static_cast<std::size_t>(i)] -= 1;
  }
  // Alive slots before slot.
  int Rank(int slot) const {
    int s = 0;
    for (int i = slot; i > 0; i -= i & -i) s += FTree[static_cast<std::size_t>(i)];
    return s;
  }
  // The alive slot with k alive slots before it.
  int SlotOf(int k) const {
    int pos = 0;
    for (int step = FTop; step > 0; step >>= 1) {
      if (pos + step <= FN && FTree[static_cast<std::size_t>(pos + step)] <= k) {
        pos += step;
        k -= FTree[static_cast<std::size_t>(pos)];
      }
    }
    return pos;
  }

 private:
  int FN;
  std::vector<int> FTree;
  int FTop = 1;
};

// Sums of segment lengths over slot ranges; each node is recomputed from its children, so
// the rounding stays bounded by the depth.
class TSumTree {
 public:
  explicit TSumTree(int n) {
    while (FSize < n) {
      FSize *= 2;
      ++FDepth;
    }
    FTree.assign(2 * static_cast<std::size_t>(FSize), 0.0);
  }
  void Set(int slot, double v) {
    std::size_t i = static_cast<std::size_t>(FSize + slot);
    FTree[i] = v;
    for (i /= 2; i >= 1; i /= 2) FTree[i] = FTree[2 * i] + FTree[2 * i + 1];
  }
  double Sum(int lo, int hi) const {  // slots lo..hi, inclusive
    double s = 0.0;
    if (lo > hi) return s;
    std::size_t l = static_cast<std::size_t>(FSize + lo),
                r = static_cast<std::size_t>(FSize + hi) + 1;
    while (l < r) {
      if (l & 1) s += FTree[l++];
      if (r & 1) s += FTree[--r];
      l /= 2;
      r /= 2;
    }
    return s;
  }
  int Depth() const { return FDepth; }

 private:
  int FSize = 1;
  int FDepth = 1;
  std::vector<double> FTree;
};

// Rings shorter than this are searched the plain way.
constexpr std::size_t SmallRing = 48;
// A segment whose box covers more cells is kept in a list that every search reads.
constexpr long long BigSegmentCells = 64;
// A searching segment whose box covers more cells compares with the earlier ones in turn.
constexpr long long ScanAllCells = 4096;
// A searching segment whose box covers more cells first tries this many earlier segments.
constexpr long long WideBoxCells = 16;
constexpr int NearbyTried = 256;

template <class T>
class TLoopRemoval {
 public:
  explicit TLoopRemoval(std::vector<T>& ring)
      : R(ring),
        N(static_cast<int>(ring.size())),
        FAlive(ring.size(), 1),
        FPrev(ring.size()),
        FNext(ring.size()),
        FVersion(ring.size(), 0),
        FMark(ring.size(), 0),
        FBoxes(ring.size()),
        FCount(N),
        FSums(N) {
    FTail = N - 1;
    for (int k = 0; k < N; ++k) {
      FPrev[At(k)] = k - 1;
      FNext[At(k)] = k + 1 < N ? k + 1 : -1;
    }
    BuildGrid();
    for (int k = 1; k < N; ++k) Refresh(k);
  }

  void Run() {
    int last = N - 1;
    int C = last;
    while (C >= 1) {
      const int sC = FCount.SlotOf(C);
      const int sC1 = FPrev[At(sC)];
      const TDPoint A1 = Pt(sC1);
      const TDPoint A2 = Pt(sC);
      int h = 0, sh = -1;
      TDPoint X;
      if (C - 2 >= 1) Find(C, sC1, A1, A2, h, sh, X);
      if (h >= 1) {
        const bool cut = LoopIsShorter(C, last, h, sh, sC, sC1, A1, A2, X);
        if (cut) {
          PointOf(R[At(sh)]) = X;
          for (int k = FNext[At(sh)]; k != sC;) {
            const int following = FNext[At(k)];
            Erase(k);
            k = following;
          }
          last = last + h - C + 1;
        } else {
          PointOf(R[At(sC)]) = X;
          for (int k = FNext[0]; k != sh;) {
            const int following = FNext[At(k)];
            Erase(k);
            k = following;
          }
          for (int k = FNext[At(sC)]; k >= 0;) {
            const int following = FNext[At(k)];
            Erase(k);
            k = following;
          }
          last = C - h + 1;
        }
        Refresh(sh);
        Refresh(sC);
      }
      C = std::min(C - 1, last);
      const TDPoint before = Pt(0);
      R[0] = R[At(FTail)];
      if (!SameBits(before, Pt(0)) && FNext[0] >= 0) Refresh(FNext[0]);
    }
    std::vector<T> out;
    out.reserve(static_cast<std::size_t>(last) + 1);
    for (int k = 0; k >= 0; k = FNext[At(k)]) out.push_back(R[At(k)]);
    R = std::move(out);
  }

 private:
  static std::size_t At(int k) { return static_cast<std::size_t>(k); }
  const TDPoint& Pt(int slot) { return PointOf(R[At(slot)]); }

  // The three tests of the literal version, in its order, for the earlier segment ending
  // at slot sj.
  bool Crosses(const TDPoint& A1, const TDPoint& A2, int sj, TDPoint& X) {
    const TDPoint& B1 = Pt(FPrev[At(sj)]);
    const TDPoint& B2 = Pt(sj);
    if (ref::SegmentsIntersect(A1, A2, B1, B2, X)) return true;
    if (B2.IsOnLine(A1, A2)) {
      X = B2;
      return true;
    }
    if (!ZeroLength(B1, B2) && A1.IsOnLine(B1, B2)) {
      X = A1;
      return true;
    }
    return false;
  }

  void Find(int C, int sC1, const TDPoint& A1, const TDPoint& A2, int& h, int& sh, TDPoint& X) {
    if (ZeroLength(A1, A2)) {
      // Every point lies on a segment of zero length: the literal search stops at once.
      h = C - 2;
      sh = FPrev[At(sC1)];
      X = Pt(sh);
      return;
    }
    const TBox box = SegmentBox(A1, A2);
    const TBand band(A1, A2);
    int cx0, cx1, cy0, cy1;
    CellRange(box, cx0, cx1, cy0, cy1);
    const long long cells = static_cast<long long>(cx1 - cx0 + 1) * (cy1 - cy0 + 1);
    // A segment with a wide box (a very short one accepts points far off its line) usually
    // meets one of the segments just before it: those are tried in turn first.
    int below = C - 2;  // the grid search covers j up to here
    const bool wide = cells > WideBoxCells;
    if (wide) {
      const int stop = cells > ScanAllCells ? 1 : std::max(1, C - 2 - NearbyTried);
      int sj = FPrev[At(sC1)];
      for (int j = C - 2; j >= stop; --j, sj = FPrev[At(sj)]) {
        if (Crosses(A1, A2, sj, X)) {
          h = j;
          sh = sj;
          return;
        }
      }
      if (stop == 1) return;
      below = stop - 1;
    }
    // A wide box is mostly empty: the crossing and the end points the first two tests accept
    // lie in a thin band along the segment, and the third test needs R[C-1] in the earlier
    // segment's box.
    ++FStamp;
    FCandidates.clear();
    auto consider = [&](const TEntry& e) {
      const std::size_t s = At(e.Slot);
      if (!FAlive[s] || FVersion[s] != e.Version || FMark[s] == FStamp) return;
      FMark[s] = FStamp;
      const TBox& other = FBoxes[s];  // current: the version matched
      if (!Overlap(box, other)) return;
      if (wide && !Contains(other, A1) && !band.Meets(other)) return;
      const int j = FCount.Rank(e.Slot);
      if (j >= 1 && j <= below) FCandidates.emplace_back(j, e.Slot);
    };
    for (int cy = cy0; cy <= cy1; ++cy) {
      for (int cx = cx0; cx <= cx1; ++cx) {
        const auto it = FCells.find(CellKey(cx, cy));
        if (it == FCells.end()) continue;
        for (const TEntry& e : it->second) consider(e);
      }
    }
    for (const TEntry& e : FBig) consider(e);
    std::sort(FCandidates.begin(), FCandidates.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [j, sj] : FCandidates) {
      if (Crosses(A1, A2, sj, X)) {
        h = j;
        sh = sj;
        return;
      }
    }
  }

  double Term(int slot) { return (Pt(slot) - Pt(FPrev[At(slot)])).Length(); }

  // L1 < L2 of the literal version, for the crossing X of R[C-1]-R[C] with R[h-1]-R[h].
  bool LoopIsShorter(int C, int last, int h, int sh, int sC, int sC1, const TDPoint& A1,
                     const TDPoint& A2, const TDPoint& X) {
    const double t0 = (X - Pt(sh)).Length();
    const double t1 = (A1 - X).Length();
    const double u0 = (X - A2).Length();
    const double u1 = (Pt(FPrev[At(sh)]) - X).Length();
    const double l1 = t0 + FSums.Sum(sh + 1, sC - 1) + t1;
    const double l2 = u0 + FSums.Sum(sC + 1, N - 1) + FSums.Sum(1, sh - 1) + u1;
    const double extra = 4.0 * FSums.Depth() + 8.0;
    const double m1 = (C - 1 - h) + 2.0, m2 = (last - C) + (h - 1) + 2.0;
    const double bound = 2.0 * 0x1p-52 * ((m1 + extra) * l1 + (m2 + extra) * l2);
    if (l1 + bound < l2) return true;
    if (l1 - bound > l2) return false;
    // Too close to call from the bound: the sums in the literal order.
    double L1 = t0;
    for (int k = FNext[At(sh)]; k != sC; k = FNext[At(k)]) L1 += Term(k);
    L1 += t1;
    double L2 = u0;
    for (int k = FNext[At(sC)]; k >= 0; k = FNext[At(k)]) L2 += Term(k);
    for (int k = FNext[0]; k != sh; k = FNext[At(k)]) L2 += Term(k);
    L2 += u1;
    (void)sC1;
    return L1 < L2;
  }

  void Erase(int slot) {
    const std::size_t s = At(slot);
    FAlive[s] = 0;
    ++FVersion[s];
    FCount.Remove(slot);
    FSums.Set(slot, 0.0);
    if (FPrev[s] >= 0) FNext[At(FPrev[s])] = FNext[s];
    if (FNext[s] >= 0) {
      FPrev[At(FNext[s])] = FPrev[s];
    } else {
      FTail = FPrev[s];
    }
  }

  // The segment ending at slot changed (its point or its predecessor).
  void Refresh(int slot) {
    if (slot <= 0 || !FAlive[At(slot)]) return;
    FSums.Set(slot, Term(slot));
    const unsigned version = ++FVersion[At(slot)];
    const TBox box = SegmentBox(Pt(FPrev[At(slot)]), Pt(slot));
    FBoxes[At(slot)] = box;
    int cx0, cx1, cy0, cy1;
    CellRange(box, cx0, cx1, cy0, cy1);
    const long long cells = static_cast<long long>(cx1 - cx0 + 1) * (cy1 - cy0 + 1);
    if (cells > BigSegmentCells) {
      FBig.push_back(TEntry{slot, version});
      return;
    }
    for (int cy = cy0; cy <= cy1; ++cy) {
      for (int cx = cx0; cx <= cx1; ++cx) FCells[CellKey(cx, cy)].push_back(TEntry{slot, version});
    }
  }

  void BuildGrid() {
    double x0 = Pt(0).x, x1 = x0, y0 = Pt(0).y, y1 = y0, total = 0.0;
    for (int k = 1; k < N; ++k) {
      const TDPoint& p = Pt(k);
      x0 = std::min(x0, p.x);
      x1 = std::max(x1, p.x);
      y0 = std::min(y0, p.y);
      y1 = std::max(y1, p.y);
      total += (p - Pt(k - 1)).Length();
    }
    FX0 = x0;
    FY0 = y0;
    double cell = total / N;
    const double w = x1 - x0, hgt = y1 - y0;
    if (!(cell > 0)) cell = std::max({w, hgt, 1.0});
    // Only the cells that segments pass through are stored.
    const double maxCellsPerAxis = 0x1p30;
    while (std::floor(w / cell) + 1 > maxCellsPerAxis ||
           std::floor(hgt / cell) + 1 > maxCellsPerAxis) {
      cell *= 2;
    }
    FNx = static_cast<int>(std::floor(w / cell) + 1);
    FNy = static_cast<int>(std::floor(hgt / cell) + 1);
    FInv = 1.0 / cell;
    FCells.reserve(static_cast<std::size_t>(N) * 2);
  }

  static std::uint64_t CellKey(int cx, int cy) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(cy)) << 32) |
           static_cast<std::uint32_t>(cx);
  }

  // Monotone in the coordinate, so boxes that meet always share a cell.
  static int CellOf(double v, double origin, double inv, int count) {
    const double c = std::floor((v - origin) * inv);
    return static_cast<int>(std::clamp(c, 0.0, static_cast<double>(count - 1)));
  }
  void CellRange(const TBox& b, int& cx0, int& cx1, int& cy0, int& cy1) const {
    cx0 = CellOf(b.x0, FX0, FInv, FNx);
    cx1 = CellOf(b.x1, FX0, FInv, FNx);
    cy0 = CellOf(b.y0, FY0, FInv, FNy);
    cy1 = CellOf(b.y1, FY0, FInv, FNy);
  }

  struct TEntry {
    int Slot;
    unsigned Version;
  };

  std::vector<T>& R;
  int N;
  std::vector<char> FAlive;
  std::vector<int> FPrev, FNext;
  std::vector<unsigned> FVersion;
  std::vector<unsigned> FMark;
  std::vector<TBox> FBoxes;  // of the segment ending at each slot, as of its last refresh
  unsigned FStamp = 0;
  int FTail = 0;
  TCountTree FCount;
  TSumTree FSums;
  double FX0 = 0, FY0 = 0, FInv = 1;
  int FNx = 1, FNy = 1;
  std::unordered_map<std::uint64_t, std::vector<TEntry>> FCells;
  std::vector<TEntry> FBig;
  std::vector<std::pair<int, int>> FCandidates;
};

// The index relies on finite coordinates whose squares do not overflow.
template <class T>
bool Indexable(std::vector<T>& ring) {
  for (T& e : ring) {
    const TDPoint& p = PointOf(e);
    if (!(std::abs(p.x) <= 1e100 && std::abs(p.y) <= 1e100)) return false;
  }
  return std::isfinite(GeomEps) && GeomEps >= 0;
}

template <class T>
void RemoveLoopsOf(std::vector<T>& ring, std::size_t smallRing) {
  if (ring.size() < smallRing || !Indexable(ring)) {
    ref::RemoveLoops(ring);
    return;
  }
  TLoopRemoval<T> removal(ring);
  removal.Run();
}

}  // namespace

void RemoveLoops(std::vector<TDPoint>& ring) { RemoveLoopsOf(ring, SmallRing); }
void RemoveLoops(std::vector<ref::TOffsetEntry>& ring) { RemoveLoopsOf(ring, SmallRing); }
void RemoveLoopsIndexed(std::vector<TDPoint>& ring) { RemoveLoopsOf(ring, 1); }
void RemoveLoopsIndexed(std::vector<ref::TOffsetEntry>& ring) { RemoveLoopsOf(ring, 1); }

}  // namespace offset_loops
