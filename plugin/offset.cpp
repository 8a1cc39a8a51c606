#include "plugin/offset.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "plugin/offset_loops.h"
#include "plugin/offset_probe.h"
#include "plugin/offset_reference.h"

// The offset gives exactly the points of the step-by-step version in
// plugin/offset_reference.cpp; only the searches are organised to cost less. The shrink's
// clean-up keeps the entries in a linked ring and resumes each pass's search where the
// previous pass changed something: whether an entry lies too close to its input edges
// depends on that entry alone, so entries that were checked and have not moved since need
// no second look.

namespace {

namespace ref = offset_reference;

TDPoint Direction(double angle) { return TDPoint{std::cos(angle), std::sin(angle)}; }
double AngleOf(const TDPoint& v) { return std::atan2(v.y, v.x); }

// ---- Repeat detection of the clean-up ------------------------------------------------------
// A pass that begins with the list an earlier pass began with ends the clean-up. Entries
// are only moved and deleted, so each keeps its first position as its identity; a list is
// fixed by the identities alive and their points. A sum of mixed (identity, source, point
// bits) is kept up to date per change; equal sums are confirmed by rebuilding the earlier
// list from the moves made since and comparing bit for bit.
std::uint64_t MixBits(std::uint64_t z) {
  z += 0x9e3779b97f4a7c15ULL;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

std::uint64_t EntryPrint(int id, int source, const TDPoint& p) {
  std::uint64_t h = MixBits((static_cast<std::uint64_t>(static_cast<std::uint32_t>(id)) << 32) |
                            static_cast<std::uint32_t>(source));
  h = MixBits(h ^ std::bit_cast<std::uint64_t>(p.x));
  return MixBits(h ^ std::bit_cast<std::uint64_t>(p.y));
}

bool SameBits(const TDPoint& a, const TDPoint& b) {
  return std::bit_cast<std::uint64_t>(a.x) == std::bit_cast<std::uint64_t>(b.x) &&
         std::bit_cast<std::uint64_t>(a.y) == std::bit_cast<std::uint64_t>(b.y);
}

// The clean-up's ring: entries linked in their order, by identity.
class TCleanupRing {
 public:
  explicit TCleanupRing(const std::vector<ref::TOffsetEntry>& entries) {
    const int n = static_cast<int>(entries.size());
    FNodes.resize(entries.size());
    for (int k = 0; k < n; ++k) {
      TNode& node = FNodes[static_cast<std::size_t>(k)];
      node.Point = entries[static_cast<std::size_t>(k)].Point;
      node.Source = entries[static_cast<std::size_t>(k)].Source;
      node.Prev = k - 1;
      node.Next = k + 1 < n ? k + 1 : -1;
      FPrint += EntryPrint(k, node.Source, node.Point);
    }
    FSize = n;
    FHead = n > 0 ? 0 : -1;
    FTail = n - 1;
  }

  int Size() const { return FSize; }
  int Head() const { return FHead; }
  int Next(int k) const { return Node(k).Next; }  // -1 after the tail
  int Before(int k) const { return k == FHead ? FTail : Node(k).Prev; }
  int After(int k) const { return k == FTail ? FHead : Node(k).Next; }
  const TDPoint& PointOf(int k) const { return Node(k).Point; }
  int SourceOf(int k) const { return Node(k).Source; }
  std::uint64_t Print() const { return FPrint; }

  void Erase(int k) {
    TNode& node = Node(k);
    FPrint -= EntryPrint(k, node.Source, node.Point);
    if (node.Prev >= 0)
      Node(node.Prev).Next = node.Next;
    else
      FHead = node.Next;
    if (node.Next >= 0)
      Node(node.Next).Prev = node.Prev;
    else
      FTail = node.Prev;
    --FSize;
  }
  void Move(int k, const TDPoint& p) {
    TNode& node = Node(k);
    // The list can only come back to an earlier one when a move returns an entry to a
    // point it had since the last deletion: only then are the starts worth indexing.
    const int last = node.MoveEpoch == FEpoch ? node.LastMove : -1;
    if (!FMayRepeat) {
      bool revisit = SameBits(p, node.Point);
      int m = last;
      for (int steps = 0; m >= 0 && !revisit; ++steps) {
        const TMove& earlier = FMoves[static_cast<std::size_t>(m)];
        revisit = steps == MovesCompared || SameBits(p, earlier.Old);
        m = earlier.PreviousOfEntry;
      }
      FMayRepeat = revisit;
    }
    node.MoveEpoch = FEpoch;
    node.LastMove = static_cast<int>(FMoves.size());
    FMoves.push_back(TMove{k, node.Point, last});
    FPrint -= EntryPrint(k, node.Source, node.Point);
    node.Point = p;
    FPrint += EntryPrint(k, node.Source, node.Point);
  }

  // True when the list equals the list at the start of an earlier pass.
  bool SeenBefore() {
    if (FSize != FStartsCount) {
      // A deletion makes every earlier list impossible to meet again. The starts since are
      // kept in a list, searched (through a table by their sums when long) only once some
      // entry has come back to an earlier point.
      for (const TStart& start : FStarts) {
        if (start.Place >= 0) FStartTable[static_cast<std::size_t>(start.Place)] = -1;
      }
      FStarts.clear();
      FMoves.clear();
      ++FEpoch;
      FMayRepeat = false;
      FStartsCount = FSize;
    }
    if (!FMayRepeat) {
      FStarts.push_back(TStart{FPrint, FMoves.size(), -1});
      return false;
    }
    if (FStarts.size() > IndexedStarts && FStarts[0].Place < 0) IndexStarts();
    if (FStarts.size() <= IndexedStarts) {
      for (const TStart& start : FStarts) {
        if (start.Print == FPrint && Confirm(start.Moves)) return true;
      }
    } else {
      const std::size_t mask = FStartTable.size() - 1;
      for (std::size_t i = Home(FPrint) & mask; FStartTable[i] >= 0; i = (i + 1) & mask) {
        const TStart& start = FStarts[static_cast<std::size_t>(FStartTable[i])];
        if (start.Print == FPrint && Confirm(start.Moves)) return true;
      }
    }
    FStarts.push_back(TStart{FPrint, FMoves.size(), -1});
    if (FStarts.size() > IndexedStarts) {
      if (FStarts[0].Place < 0 || 2 * FStarts.size() > FStartTable.size()) {
        IndexStarts();
      } else {
        Index(FStarts.size() - 1);
      }
    }
    return false;
  }

  std::vector<ref::TOffsetEntry> Entries() const {
    std::vector<ref::TOffsetEntry> out;
    out.reserve(static_cast<std::size_t>(FSize));
    for (int k = FHead; k >= 0; k = Node(k).Next) {
      out.push_back(ref::TOffsetEntry{Node(k).Point, Node(k).Source});
    }
    return out;
  }

 private:
  struct TNode {
    TDPoint Point;
    int Source = 0;
    int Prev = -1;
    int Next = -1;
    int LastMove = -1;       // in FMoves, valid in epoch MoveEpoch
    unsigned MoveEpoch = 0;  // FEpoch starts at 1
  };
  struct TMove {
    int Id;
    TDPoint Old;
    int PreviousOfEntry;  // the entry's move before this one since the last deletion, or -1
  };
  // A longer history of one entry is not searched: it counts as a possible return.
  static constexpr int MovesCompared = 8;
  struct TStart {
    std::uint64_t Print;
    std::size_t Moves;  // moves made before that pass
    int Place;          // in FStartTable, -1 while not indexed
  };
  static constexpr std::size_t IndexedStarts = 16;
  static std::size_t Home(std::uint64_t print) { return static_cast<std::size_t>(MixBits(print)); }
  // The table is (re)built from the list, twice as large as the list at least.
  void IndexStarts() {
    std::size_t capacity = std::max<std::size_t>(FStartTable.size(), 64);
    while (capacity < 2 * FStarts.size()) capacity *= 2;
    for (TStart& start : FStarts) {
      if (start.Place >= 0) FStartTable[static_cast<std::size_t>(start.Place)] = -1;
      start.Place = -1;
    }
    if (capacity != FStartTable.size()) FStartTable.assign(capacity, -1);
    for (std::size_t k = 0; k < FStarts.size(); ++k) Index(k);
  }
  void Index(std::size_t k) {
    const std::size_t mask = FStartTable.size() - 1;
    std::size_t i = Home(FStarts[k].Print) & mask;
    while (FStartTable[i] >= 0) i = (i + 1) & mask;
    FStartTable[i] = static_cast<int>(k);
    FStarts[k].Place = static_cast<int>(i);
  }
  TNode& Node(int k) { return FNodes[static_cast<std::size_t>(k)]; }
  const TNode& Node(int k) const { return FNodes[static_cast<std::size_t>(k)]; }

  // No entry was deleted since that start (the count is the same), so the same identities
  // are alive: undo the moves made since and compare the points.
  bool Confirm(std::size_t movesSoFar) {
    FScratch.resize(FNodes.size());
    for (int k = FHead; k >= 0; k = Node(k).Next)
      FScratch[static_cast<std::size_t>(k)] = Node(k).Point;
    for (std::size_t m = FMoves.size(); m > movesSoFar; --m) {
      FScratch[static_cast<std::size_t>(FMoves[m - 1].Id)] = FMoves[m - 1].Old;
    }
    for (int k = FHead; k >= 0; k = Node(k).Next) {
      if (!SameBits(FScratch[static_cast<std::size_t>(k)], Node(k).Point)) return false;
    }
    return true;
  }

  std::vector<TNode> FNodes;
  int FSize = 0;
  int FHead = -1;
  int FTail = -1;
  std::uint64_t FPrint = 0;
  int FStartsCount = -1;
  std::vector<TStart> FStarts;   // since the last deletion
  std::vector<int> FStartTable;  // open-addressed positions in FStarts, -1 free
  std::vector<TMove> FMoves;     // since the last deletion
  unsigned FEpoch = 1;           // counts the deletions that cleared FMoves
  bool FMayRepeat = false;
  std::vector<TDPoint> FScratch;
};

// Pulls back the entries that came too close to their input edges, pass by pass, exactly as
// the step-by-step clean-up does (same passes, same stops, same guard).
void ResumingCleanUp(std::vector<ref::TOffsetEntry>& entries, const TDPointList& input, double d) {
  const int n = input.Count();
  const long long limit =
      ref::PassLimitPerEntry * static_cast<long long>(entries.size()) + ref::PassLimitBase;
  TCleanupRing ring(entries);
  // Every entry before this one (in ring order, which is identity order) was checked and
  // has not moved since: none of them is too close. -1: none is left to check.
  int resume = ring.Head();
  auto erase = [&](int k) {
    if (k == resume) resume = ring.Next(k);
    ring.Erase(k);
  };

  for (long long pass = 0;; ++pass) {
    if (ring.Size() < 3) break;
    if (pass >= limit) break;
    if (ring.SeenBefore()) break;

    int f = -1;
    TDPoint A, B;
    double dist = 0.0;
    for (int j = resume; j >= 0 && f < 0; j = ring.Next(j)) {
      const int s = ring.SourceOf(j);
      for (int e = s - ref::EdgeWindowBefore; e <= s + ref::EdgeWindowAfter; ++e) {
        int edge = e;
        if (edge < 0) {
          edge += n;
        } else if (edge > n - 1) {
          edge -= n;
        }
        if (edge < 0 || edge > n - 1) continue;
        const TDPoint& a = input[edge == 0 ? n - 1 : edge - 1];
        const TDPoint& b = input[edge];
        TDPoint closest;
        const double measured = ring.PointOf(j).DistanceToLine(a, b, closest);
        if (d - OffsetSlack > measured) {
          f = j;
          A = a;
          B = b;
          dist = measured;
          break;
        }
      }
    }
    if (f < 0) break;
    resume = f;

    while (ring.Size() >= 2 && ring.PointOf(ring.Before(f)).Distance(ring.PointOf(f)) < ProbeStep) {
      if (f != ring.Head()) {
        const int previous = ring.Before(f);
        erase(f);
        f = previous;
      } else {
        erase(ring.Before(f));
      }
    }
    while (ring.Size() >= 2 && ring.PointOf(ring.After(f)).Distance(ring.PointOf(f)) < ProbeStep) {
      const int following = ring.After(f);
      erase(f);
      f = following;
    }
    if (ring.Size() < 2) break;

    const TDPoint F = ring.PointOf(f);
    const TDPoint G = ring.PointOf(ring.Before(f));
    const TDPoint H = ring.PointOf(ring.After(f));
    const TDPoint p1 = F + OffsetSlack * Direction(AngleOf(G - F));
    const TDPoint p2 = F + OffsetSlack * Direction(AngleOf(H - F));
    TDPoint closest;
    const double e1 = std::abs(dist - p1.DistanceToLine(A, B, closest));
    const double e2 = std::abs(dist - p2.DistanceToLine(A, B, closest));
    TDPoint farEnd = e2 > e1 ? H : G;
    if (farEnd.DistanceToLine(A, B, closest) < d + ProbeStep) {
      erase(f);
    } else {
      TDPoint nearEnd = F;
      TDPoint M;
      for (int step = 0; step < ref::BisectionSteps; ++step) {
        M = nearEnd.MidPoint(farEnd);
        const double mDist = M.DistanceToLine(A, B, closest);
        if (mDist < d - ProbeStep) {
          nearEnd = M;
        } else if (mDist <= d + ProbeStep) {
          break;
        } else {
          farEnd = M;
        }
      }
      ring.Move(f, M);
      // The moved entry must be looked at again.
      if (resume < 0 || f < resume) resume = f;
    }
  }
  entries = ring.Entries();
}

// The corner point of the step-by-step version, its inside probe answered by the index.
ref::TCorner CornerPoint(int vertex, const TDPoint& P, const TDPoint& prev, const TDPoint& next,
                         double d, const offset_probe::TProbeIndex& reference,
                         ref::TOffsetDirection direction) {
  constexpr double Pi = std::numbers::pi;
  ref::TCorner corner;
  const TDPoint u = prev - P;
  const TDPoint v = next - P;
  const double c = u.AngleCos(v);
  const double r = c < ref::CosineLimit ? d / std::sqrt((1 - c) / 2 + GeomEps) : d;
  corner.Move = r;
  if (u.Length() / 2 < r || v.Length() / 2 < r) corner.Loop = true;

  double a;
  if (direction == ref::TOffsetDirection::Grow) {
    a = (AngleOf(u) + AngleOf(v)) / 2;
  } else {
    const double au = AngleOf(u);
    double av = AngleOf(v);
    ref::AlignAngle(au, av);
    a = (au + av) / 2;
  }
  TDPoint N = P + r * Direction(a);
  const TDPoint w = N - P;
  if (std::abs(w.AngleCos(u) - w.AngleCos(v)) > ref::BisectorCheckLimit) {
    a = a + Pi / 2;
    N = P + r * Direction(a);
  }
  const TDPoint Q = P + ProbeStep * Direction(a);
  const bool inside = reference.IsInside(Q, vertex);
  if (direction == ref::TOffsetDirection::Grow) {
    if (inside) {
      N = P + r * Direction(a + Pi);
      a = a + Pi;
      corner.Flipped = true;
    }
  } else if (!inside) {
    a = a + Pi;
    N = P + r * Direction(a);
    corner.Flipped = true;
    corner.Rounded = r > ref::RoundingFactor * d;
  }
  corner.N = N;
  corner.Angle = a;
  return corner;
}

std::vector<ref::TOffsetEntry> ShrinkCorners(const TDPointList& input, double d, bool& loop) {
  constexpr double Pi = std::numbers::pi;
  const offset_probe::TProbeIndex probe(input);
  std::vector<ref::TOffsetEntry> entries;
  ref::TNeighbourSearch search;
  loop = false;
  for (int i = 0; i < input.Count(); ++i) {
    search.Find(input, i);
    const TDPoint P = input[i];
    const ref::TCorner corner =
        CornerPoint(i, P, search.Prev(), search.Next(), d, probe, ref::TOffsetDirection::Shrink);
    loop = loop || corner.Loop;
    if (!corner.Rounded) {
      entries.push_back(ref::TOffsetEntry{corner.N, i});
      continue;
    }
    const double a = corner.Angle;
    auto inwardNormal = [a](const TDPoint& edge) {
      double e = AngleOf(edge);
      ref::AlignAngle(a, e);
      return std::abs(e + Pi / 2 - a) <= std::abs(e - Pi / 2 - a) ? e + Pi / 2 : e - Pi / 2;
    };
    const double a1 = inwardNormal(search.Prev() - P);
    const double a2 = inwardNormal(search.Next() - P);
    const double arc[ref::RoundedCornerPoints] = {a1, (a1 + a) / 2, a, (a2 + a) / 2, a2};
    for (double t : arc) entries.push_back(ref::TOffsetEntry{P + d * Direction(t), i});
  }
  return entries;
}

void Grow(TDPointList& Points, double d) {
  const int count = Points.Count();
  if (count < 2) return;
  ref::TNeighbourSearch search;
  bool loop = false;
  std::vector<TDPoint> moved(static_cast<std::size_t>(count));
  {
    // The probes read the input outline, which stays as it is until every corner is found.
    const offset_probe::TProbeIndex probe(Points);
    for (int i = 0; i < count; ++i) {
      search.Find(Points, i);
      const ref::TCorner corner = CornerPoint(i, Points[i], search.Prev(), search.Next(), d, probe,
                                              ref::TOffsetDirection::Grow);
      moved[static_cast<std::size_t>(i)] = corner.N;
      loop = loop || corner.Loop;
    }
  }
  for (int i = 0; i < count; ++i) Points[i] = moved[static_cast<std::size_t>(i)];
  if (!loop) return;
  std::vector<TDPoint>& ring = Points.Items();
  if (ring.front().Distance(ring.back()) > GeomEps) ring.push_back(ring.front());
  offset_loops::RemoveLoops(ring);
  ring.pop_back();
}

std::vector<ref::TOffsetEntry> ShrinkRing(const TDPointList& input, double d) {
  bool loop = false;
  std::vector<ref::TOffsetEntry> entries = ShrinkCorners(input, d, loop);
  if (loop && !entries.empty()) {
    if (entries.front().Point.Distance(entries.back().Point) > GeomEps) {
      entries.push_back(entries.front());
    }
    offset_loops::RemoveLoops(entries);
    entries.pop_back();
  }
  return entries;
}

}  // namespace

void OffsetPolygon(TDPointList& Points, double Delta) {
  if (Delta < 0) {
    ShrinkPolygon(Points, -Delta);
    return;
  }
  Grow(Points, Delta);
}

void ShrinkPolygon(TDPointList& Points, double Distance) {
  std::vector<ref::TOffsetEntry> entries = ShrinkRing(Points, Distance);
  ResumingCleanUp(entries, Points, Distance);
  std::vector<TDPoint> points;
  points.reserve(entries.size());
  for (const ref::TOffsetEntry& e : entries) points.push_back(e.Point);
  points.shrink_to_fit();
  Points.Items() = std::move(points);
}

bool SegmentsIntersect(const TDPoint& A1, const TDPoint& A2, const TDPoint& B1, const TDPoint& B2,
                       TDPoint& X) {
  return ref::SegmentsIntersect(A1, A2, B1, B2, X);
}

void AlignAngle(double Ref, double& A) { ref::AlignAngle(Ref, A); }
