#include "plugin/offset_loops.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <utility>

// The loop removal walks C down the ring and, for the segment R[C-1]-R[C], takes the
// latest earlier segment it crosses or touches. Any segment that can pass one of the three
// tests has a box (its ends' box widened by the widest miss the on-segment test accepts)
// that meets the box of R[C-1]-R[C], and both segments' on-segment bands share the point
// the test meets; a grid in which each segment is stored along its band (or its whole box,
// when small) yields the few candidates, which are tried latest first with the very same
// tests. The ring's positions are kept by a
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
  // The x range of the band (widened for rounding) within the slab ylo <= y <= yhi; false
  // when they do not meet. A band too wide to place spans every x.
  bool XSpan(double ylo, double yhi, double& xlo, double& xhi) const {
    if (!(FAcross <= 1e200)) {
      xlo = -std::numeric_limits<double>::infinity();
      xhi = std::numeric_limits<double>::infinity();
      return ylo <= yhi;
    }
    const double pad = (std::abs(FA.x) + std::abs(FA.y) + FLength + FAcross) * 0x1p-30;
    const double s0 = -FAlong - pad, s1 = FLength + FAlong + pad;
    const double t0 = -FAcross - pad, t1 = FAcross + pad;
    const TDPoint normal{-FDir.y, FDir.x};
    const TDPoint corners[4] = {FA + s0 * FDir + t0 * normal, FA + s1 * FDir + t0 * normal,
                                FA + s1 * FDir + t1 * normal, FA + s0 * FDir + t1 * normal};
    xlo = std::numeric_limits<double>::infinity();
    xhi = -xlo;
    for (int i = 0; i < 4; ++i) {
      const TDPoint& p = corners[i];
      const TDPoint& q = corners[(i + 1) % 4];
      double from = 0, to = 1;
      if (p.y != q.y) {
        double ta = (ylo - p.y) / (q.y - p.y), tb = (yhi - p.y) / (q.y - p.y);
        if (ta > tb) std::swap(ta, tb);
        from = std::max(from, ta);
        to = std::min(to, tb);
        if (!(from <= to)) continue;
      } else if (!(ylo <= p.y && p.y <= yhi)) {
        continue;
      }
      for (double t : {from, to}) {
        const double x = p.x + t * (q.x - p.x);
        xlo = std::min(xlo, x);
        xhi = std::max(xhi, x);
      }
    }
    if (!(xlo <= xhi)) return false;
    xlo -= pad;
    xhi += pad;
    return true;
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
  // Leaves set this way take effect at Rebuild.
  void SetLeaf(int slot, double v) { FTree[static_cast<std::size_t>(FSize + slot)] = v; }
  void Rebuild() {
    for (std::size_t i = static_cast<std::size_t>(FSize) - 1; i >= 1; --i) {
      FTree[i] = FTree[2 * i] + FTree[2 * i + 1];
    }
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

// The grid's cells in an open-addressed table; each cell heads a list of entries kept in one
// pool (no allocation per cell). The cells of a 4 x 4 block have neighbouring home places,
// so the lookups of neighbouring cells, which follow each other along the ring, mostly meet
// cache lines just read.
class TCellTable {
 public:
  struct TEntry {
    int Slot;
    unsigned Version;
    int Next;  // in the pool, -1 at the end of the cell's list
  };

  void Reserve(std::size_t cells, std::size_t entries) {
    std::size_t capacity = 64;
    while (capacity < 3 * cells) capacity *= 2;
    FTable.assign(capacity, TPlace{});
    FUsed = 0;
    FPool.clear();
    FPool.reserve(entries);
  }
  // The link to the cell's first entry, null for a cell that holds none.
  int* HeadLink(int cx, int cy) {
    const std::uint64_t key = Key(cx, cy);
    const std::size_t mask = FTable.size() - 1;
    for (std::size_t i = Home(cx, cy) & mask;; i = (i + 1) & mask) {
      if (FTable[i].Key == key) return &FTable[i].Head;
      if (FTable[i].Key == Empty) return nullptr;
    }
  }
  TEntry& Entry(int k) { return FPool[static_cast<std::size_t>(k)]; }
  void Add(int cx, int cy, int slot, unsigned version) {
    if (3 * (FUsed + 1) > FTable.size()) Grow();
    TPlace& place = Place(Key(cx, cy), Home(cx, cy));
    FPool.push_back(TEntry{slot, version, place.Head});
    place.Head = static_cast<int>(FPool.size()) - 1;
  }

 private:
  struct TPlace {
    std::uint64_t Key = Empty;
    int Head = -1;
  };
  static constexpr std::uint64_t Empty = ~0ULL;  // no cell key has all bits set
  static std::uint64_t Key(int cx, int cy) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(cy)) << 32) |
           static_cast<std::uint32_t>(cx);
  }
  static std::size_t Home(int cx, int cy) {
    const std::uint64_t block = Key(cx >> 2, cy >> 2);
    return static_cast<std::size_t>(((block * 0x9e3779b97f4a7c15ULL) >> 24) << 4) +
           static_cast<std::size_t>((cy & 3) * 4 + (cx & 3));
  }
  TPlace& Place(std::uint64_t key, std::size_t home) {
    const std::size_t mask = FTable.size() - 1;
    std::size_t i = home & mask;
    while (FTable[i].Key != key && FTable[i].Key != Empty) i = (i + 1) & mask;
    if (FTable[i].Key == Empty) {
      FTable[i].Key = key;
      ++FUsed;
    }
    return FTable[i];
  }
  void Grow() {
    std::vector<TPlace> old(FTable.size() * 2);
    old.swap(FTable);
    FUsed = 0;
    for (const TPlace& p : old) {
      if (p.Key == Empty) continue;
      const int cx = static_cast<int>(static_cast<std::uint32_t>(p.Key));
      const int cy = static_cast<int>(p.Key >> 32);
      Place(p.Key, Home(cx, cy)).Head = p.Head;
    }
  }

  std::vector<TPlace> FTable;
  std::size_t FUsed = 0;
  std::vector<TEntry> FPool;
};

// Rings shorter than this are searched the plain way.
constexpr std::size_t SmallRing = 48;
// A segment whose box covers at most this many cells is stored in all of them; a longer one
// only in the cells its on-segment band passes through.
constexpr long long SmallBoxCells = 4;
// A segment that passes through more cells is kept in a list that every search reads.
constexpr long long BigSegmentCells = 64;
// A searching segment whose box covers more cells first tries this many earlier segments,
// then looks only along its band.
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
    for (int k = 1; k < N; ++k) {
      FSums.SetLeaf(k, Term(k));
      Register(k);
    }
    FSums.Rebuild();
  }

  void Run() {
    int last = N - 1;
    int C = last;
    int sC = C >= 1 ? FCount.SlotOf(C) : 0;
    while (C >= 1) {
      const int sC1 = FPrev[At(sC)];
      const TDPoint A1 = Pt(sC1);
      const TDPoint A2 = Pt(sC);
      int h = 0, sh = -1;
      TDPoint X;
      if (C - 2 >= 1) Find(C, sC1, A1, A2, h, sh, X);
      if (h >= 1) {
        const bool cut = LoopIsShorter(C, last, h, sh, sC, A1, A2, X);
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
      const int nextC = std::min(C - 1, last);
      // Without a cut the segment before is the next one searched.
      sC = h < 1 ? sC1 : (nextC >= 1 ? FCount.SlotOf(nextC) : 0);
      C = nextC;
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
  struct TRowSpan {
    int Cy, Cx0, Cx1;
  };

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

  // Tries the segments of ranks j = from, from - 1, ..., 1 (from ends at slot sj) in turn.
  bool ScanDown(int from, int sj, const TDPoint& A1, const TDPoint& A2, int stop, int& h, int& sh,
                TDPoint& X) {
    for (int j = from; j >= stop; --j, sj = FPrev[At(sj)]) {
      if (Crosses(A1, A2, sj, X)) {
        h = j;
        sh = sj;
        return true;
      }
    }
    return false;
  }

  // Every point that one of the three tests can meet (the crossing X, R[j] or R[C-1]) lies on
  // both segments, as IsOnLine accepts it: within both segments' boxes and bands. So the
  // cells of one segment's band (or of its whole box, when small) meet the cells in which
  // the other is stored.
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
    int below = C - 2;  // the grid search covers j up to here, ending at slot sBelow
    int sBelow = FPrev[At(sC1)];
    const bool wide = cells > WideBoxCells;
    FSpans.clear();
    if (wide) {
      // A segment with a wide box (a very short one accepts points far off its line) usually
      // meets one of the segments just before it: those are tried in turn first.
      const int stop = std::max(1, C - 2 - NearbyTried);
      if (ScanDown(below, sBelow, A1, A2, stop, h, sh, X)) return;
      if (stop == 1) return;
      for (int j = below; j >= stop; --j) sBelow = FPrev[At(sBelow)];
      below = stop - 1;
      // The box is mostly empty: only the band along the segment, and only where anything is
      // stored, can hold a point that the tests accept.
      const TBox clip{std::max(box.x0, FContent.x0), std::max(box.y0, FContent.y0),
                      std::min(box.x1, FContent.x1), std::min(box.y1, FContent.y1)};
      const long long bandCells = BandSpans(band, clip, FSpans);
      if (bandCells > below) {
        ScanDown(below, sBelow, A1, A2, 1, h, sh, X);
        return;
      }
    } else {
      for (int cy = cy0; cy <= cy1; ++cy) FSpans.push_back(TRowSpan{cy, cx0, cx1});
    }
    ++FStamp;
    FCandidates.clear();
    auto consider = [&](int slot, unsigned version) {
      const std::size_t s = At(slot);
      if (!FAlive[s] || FVersion[s] != version || FMark[s] == FStamp) return;
      FMark[s] = FStamp;
      if (slot > sBelow) return;      // ranks follow slots: only j <= below is searched here
      const TBox& other = FBoxes[s];  // current: the version matched
      if (!Overlap(box, other)) return;
      if (wide && !Contains(other, A1) && !band.Meets(other)) return;
      FCandidates.push_back(slot);
    };
    for (const TRowSpan& span : FSpans) {
      for (int cx = span.Cx0; cx <= span.Cx1; ++cx) {
        int* link = FCells.HeadLink(cx, span.Cy);
        if (link == nullptr) continue;
        while (*link >= 0) {
          const TCellTable::TEntry& e = FCells.Entry(*link);
          if (!FAlive[At(e.Slot)] || FVersion[At(e.Slot)] != e.Version) {
            *link = e.Next;  // an erased or since refreshed segment: dropped from the cell
            continue;
          }
          consider(e.Slot, e.Version);
          link = &FCells.Entry(*link).Next;
        }
      }
    }
    for (const TBigEntry& e : FBig) consider(e.Slot, e.Version);
    std::sort(FCandidates.begin(), FCandidates.end(), std::greater<int>());
    for (int sj : FCandidates) {
      if (Crosses(A1, A2, sj, X)) {
        h = FCount.Rank(sj);
        sh = sj;
        return;
      }
    }
  }

  double Term(int slot) { return (Pt(slot) - Pt(FPrev[At(slot)])).Length(); }

  // L1 < L2 of the literal version, for the crossing X of R[C-1]-R[C] with R[h-1]-R[h].
  bool LoopIsShorter(int C, int last, int h, int sh, int sC, const TDPoint& A1, const TDPoint& A2,
                     const TDPoint& X) {
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
    Register(slot);
  }

  // Stores the segment ending at slot under a new version (entries of older ones are
  // skipped by the searches).
  void Register(int slot) {
    const unsigned version = ++FVersion[At(slot)];
    const TDPoint& a = Pt(FPrev[At(slot)]);
    const TDPoint& b = Pt(slot);
    const TBox box = SegmentBox(a, b);
    FBoxes[At(slot)] = box;
    int cx0, cx1, cy0, cy1;
    CellRange(box, cx0, cx1, cy0, cy1);
    const long long cells = static_cast<long long>(cx1 - cx0 + 1) * (cy1 - cy0 + 1);
    if (cells <= SmallBoxCells) {
      for (int cy = cy0; cy <= cy1; ++cy) {
        for (int cx = cx0; cx <= cx1; ++cx) FCells.Add(cx, cy, slot, version);
      }
      Widen(FContent, box);
      return;
    }
    long long bandCells = cells;
    FRegister.clear();
    if (ZeroLength(a, b)) {
      for (int cy = cy0; cy <= cy1; ++cy) FRegister.push_back(TRowSpan{cy, cx0, cx1});
    } else {
      bandCells = BandSpans(TBand(a, b), box, FRegister);
    }
    if (bandCells > BigSegmentCells) {
      if (FBig.size() >= 64 && (FBig.size() & (FBig.size() - 1)) == 0) DropStaleBig();
      FBig.push_back(TBigEntry{slot, version});
      return;
    }
    for (const TRowSpan& span : FRegister) {
      for (int cx = span.Cx0; cx <= span.Cx1; ++cx) FCells.Add(cx, span.Cy, slot, version);
    }
    Widen(FContent, box);
  }

  void DropStaleBig() {
    std::erase_if(FBig, [this](const TBigEntry& e) {
      return !FAlive[At(e.Slot)] || FVersion[At(e.Slot)] != e.Version;
    });
  }

  static void Widen(TBox& into, const TBox& b) {
    into.x0 = std::min(into.x0, b.x0);
    into.y0 = std::min(into.y0, b.y0);
    into.x1 = std::max(into.x1, b.x1);
    into.y1 = std::max(into.y1, b.y1);
  }

  // Row by row, the cells that hold a point of the band within clip; returns their count.
  long long BandSpans(const TBand& band, const TBox& clip, std::vector<TRowSpan>& spans) const {
    spans.clear();
    if (!(clip.x0 <= clip.x1 && clip.y0 <= clip.y1)) return 0;
    int cx0, cx1, cy0, cy1;
    CellRange(clip, cx0, cx1, cy0, cy1);
    // A value's row is found by rounding arithmetic: each slab is widened a little so that
    // it holds every value that lands in its row.
    const double pad = FCellSize * 0x1p-20 + (std::abs(FX0) + std::abs(FY0)) * 0x1p-40;
    constexpr double Inf = std::numeric_limits<double>::infinity();
    long long total = 0;
    for (int cy = cy0; cy <= cy1; ++cy) {
      const double lo = std::max(clip.y0, cy == 0 ? -Inf : FY0 + cy * FCellSize - pad);
      const double hi = std::min(clip.y1, cy == FNy - 1 ? Inf : FY0 + (cy + 1) * FCellSize + pad);
      double xlo, xhi;
      if (!band.XSpan(lo, hi, xlo, xhi)) continue;
      xlo = std::max(xlo - pad, clip.x0);
      xhi = std::min(xhi + pad, clip.x1);
      if (!(xlo <= xhi)) continue;
      const int a = std::max(cx0, CellOf(xlo, FX0, FInv, FNx));
      const int b = std::min(cx1, CellOf(xhi, FX0, FInv, FNx));
      if (a > b) continue;
      spans.push_back(TRowSpan{cy, a, b});
      total += b - a + 1;
    }
    return total;
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
    double cell = 2 * total / N;
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
    FCellSize = cell;
    FInv = 1.0 / cell;
    FCells.Reserve(static_cast<std::size_t>(N) / 2, static_cast<std::size_t>(N) * 2);
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

  struct TBigEntry {
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
  double FX0 = 0, FY0 = 0, FInv = 1, FCellSize = 1;
  int FNx = 1, FNy = 1;
  TCellTable FCells;
  // Where the stored segments' boxes lie (empty at first).
  TBox FContent{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
                -std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
  std::vector<TBigEntry> FBig;
  std::vector<int> FCandidates;
  std::vector<TRowSpan> FSpans, FRegister;
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
