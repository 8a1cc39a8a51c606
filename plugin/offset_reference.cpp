#include "plugin/offset_reference.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numbers>
#include <unordered_map>

namespace offset_reference {

namespace {

constexpr double Pi = std::numbers::pi;

TDPoint Direction(double angle) { return TDPoint{std::cos(angle), std::sin(angle)}; }
double AngleOf(const TDPoint& v) { return std::atan2(v.y, v.x); }

TDPoint& PointOf(TDPoint& p) { return p; }
TDPoint& PointOf(TOffsetEntry& e) { return e.Point; }

bool ZeroLength(const TDPoint& a, const TDPoint& b) { return a.x == b.x && a.y == b.y; }

template <class T>
void RemoveLoopsOf(std::vector<T>& R) {
  if (R.empty()) return;
  auto pt = [&R](int k) -> TDPoint& { return PointOf(R[static_cast<std::size_t>(k)]); };
  int last = static_cast<int>(R.size()) - 1;
  int C = last;
  while (C >= 1) {
    // The latest earlier segment that the segment R[C-1]-R[C] crosses or touches.
    int h = 0;
    TDPoint X;
    for (int j = C - 2; j >= 1; --j) {
      if (SegmentsIntersect(pt(C - 1), pt(C), pt(j - 1), pt(j), X)) {
        h = j;
        break;
      }
      if (pt(j).IsOnLine(pt(C - 1), pt(C))) {
        X = pt(j);
        h = j;
        break;
      }
      // An earlier segment of zero length (a duplicated vertex gives two equal points) would
      // take every point as lying on it, and the ring would lose real corners: it carries
      // nothing. (A zero-length R[C-1]-R[C] is harmless above: its only pick is R[C-2],
      // and the tiny loop over the duplicate is the one cut.)
      if (!ZeroLength(pt(j - 1), pt(j)) && pt(C - 1).IsOnLine(pt(j - 1), pt(j))) {
        X = pt(C - 1);
        h = j;
        break;
      }
    }
    if (h >= 1) {
      double L1 = (X - pt(h)).Length();
      for (int k = h + 1; k <= C - 1; ++k) L1 += (pt(k) - pt(k - 1)).Length();
      L1 += (pt(C - 1) - X).Length();
      double L2 = (X - pt(C)).Length();
      for (int k = C + 1; k <= last; ++k) L2 += (pt(k) - pt(k - 1)).Length();
      for (int k = 1; k <= h - 1; ++k) L2 += (pt(k) - pt(k - 1)).Length();
      L2 += (pt(h - 1) - X).Length();
      if (L1 < L2) {
        // Cut the loop: R[0..h-1], X, R[C..last]; entry h carries X.
        pt(h) = X;
        R.erase(R.begin() + h + 1, R.begin() + C);
        last = last + h - C + 1;
      } else {
        // Keep the loop and drop the rest: X, R[h..C-1], X.
        pt(C) = X;
        if (h > 1) std::move(R.begin() + h, R.begin() + C + 1, R.begin() + 1);
        R.resize(static_cast<std::size_t>(C - h + 2));
        last = C - h + 1;
      }
    }
    C = std::min(C - 1, last);
    R[0] = R[static_cast<std::size_t>(last)];
  }
}

// ---- Repeat detection of the clean-up ----------------------------------------------------
// The clean-up only moves and deletes entries, never inserts or reorders them, so each entry
// keeps an identity and the list is fixed by which identities are alive and where their
// points are. The fingerprint sums a mix of (identity, source, point bits) over the alive
// entries: one subtraction and one addition per change.
struct TTrackedEntry {
  TDPoint Point;
  int Source = 0;
  int Id = 0;
};

std::uint64_t MixBits(std::uint64_t z) {
  z += 0x9e3779b97f4a7c15ULL;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

std::uint64_t EntryPrint(const TTrackedEntry& e) {
  std::uint64_t h = MixBits((static_cast<std::uint64_t>(static_cast<std::uint32_t>(e.Id)) << 32) |
                            static_cast<std::uint32_t>(e.Source));
  h = MixBits(h ^ std::bit_cast<std::uint64_t>(e.Point.x));
  return MixBits(h ^ std::bit_cast<std::uint64_t>(e.Point.y));
}

bool SameBits(const TDPoint& a, const TDPoint& b) {
  return std::bit_cast<std::uint64_t>(a.x) == std::bit_cast<std::uint64_t>(b.x) &&
         std::bit_cast<std::uint64_t>(a.y) == std::bit_cast<std::uint64_t>(b.y);
}

class TRepeatDetector {
 public:
  explicit TRepeatDetector(bool colliding) : FColliding(colliding) {}
  // Called at the start of every pass; true when the list equals the list at the start of
  // an earlier pass, whose number goes to earlierPass.
  bool SeenBefore(const std::vector<TTrackedEntry>& list, std::uint64_t print, long long pass,
                  long long& earlierPass) {
    // Deletions only shrink the list: a start with another count can never come back.
    if (list.size() != FCount) {
      FStarts.clear();
      FMoves.clear();
      FCount = list.size();
    }
    if (FColliding) print = 0;
    auto range = FStarts.equal_range(print);
    for (auto it = range.first; it != range.second; ++it) {
      if (Confirm(list, it->second.MovesSoFar)) {
        earlierPass = it->second.Pass;
        return true;
      }
    }
    FStarts.emplace(print, TStart{pass, FMoves.size()});
    return false;
  }
  void Moved(int position, const TDPoint& old) { FMoves.push_back(TMove{position, old}); }

 private:
  struct TStart {
    long long Pass;
    std::size_t MovesSoFar;
  };
  struct TMove {
    int Position;
    TDPoint Old;
  };
  // Rebuilds the earlier list by undoing the moves made since, and compares bit for bit.
  // No entry was deleted in between, so identities and sources are the same.
  bool Confirm(const std::vector<TTrackedEntry>& list, std::size_t movesSoFar) {
    FScratch.resize(list.size());
    for (std::size_t k = 0; k < list.size(); ++k) FScratch[k] = list[k].Point;
    for (std::size_t k = FMoves.size(); k > movesSoFar; --k) {
      FScratch[static_cast<std::size_t>(FMoves[k - 1].Position)] = FMoves[k - 1].Old;
    }
    for (std::size_t k = 0; k < list.size(); ++k) {
      if (!SameBits(FScratch[k], list[k].Point)) return false;
    }
    return true;
  }

  bool FColliding;
  std::size_t FCount = 0;
  std::unordered_multimap<std::uint64_t, TStart> FStarts;
  std::vector<TMove> FMoves;
  std::vector<TDPoint> FScratch;
};

std::vector<TOffsetEntry> Untracked(const std::vector<TTrackedEntry>& list) {
  std::vector<TOffsetEntry> out;
  out.reserve(list.size());
  for (const TTrackedEntry& e : list) out.push_back(TOffsetEntry{e.Point, e.Source});
  return out;
}

}  // namespace

// ---- Primitives -------------------------------------------------------------------------
bool SegmentsIntersect(const TDPoint& A1, const TDPoint& A2, const TDPoint& B1, const TDPoint& B2,
                       TDPoint& X) {
  const double a1 = A2.y - A1.y;
  const double b1 = A1.x - A2.x;
  const double c1 = a1 * A1.x + b1 * A1.y;
  const double a2 = B2.y - B1.y;
  const double b2 = B1.x - B2.x;
  const double c2 = a2 * B1.x + b2 * B1.y;
  const double det = a1 * b2 - a2 * b1;
  if (std::abs(det) <= GeomEps) {
    const double inf = std::numeric_limits<double>::infinity();
    X = TDPoint{inf, inf};
    return false;
  }
  X = TDPoint{(b2 * c1 - b1 * c2) / det, (a1 * c2 - a2 * c1) / det};
  return X.IsOnLine(A1, A2) && X.IsOnLine(B1, B2);
}

void AlignAngle(double Ref, double& A) {
  const double d = Ref - A;
  // nearbyint in the default rounding mode sends halves to the even integer.
  if (std::abs(d) > Pi) A = A + std::nearbyint(d / (2 * Pi)) * (2 * Pi);
}

// ---- Neighbour search -------------------------------------------------------------------
void TNeighbourSearch::Find(const TDPointList& Points, int i) {
  const int count = Points.Count();
  const TDPoint P = Points[i];
  for (int k = 1; k <= NeighbourSearchSteps; ++k) {
    int index = i - k;
    if (index < 0) index = count + i - k;
    if (index < 0) continue;  // keeps the last value
    FPrev = Points[index];
    if (FPrev.Distance(P) > GeomEps) break;
  }
  for (int k = 1; k <= NeighbourSearchSteps; ++k) {
    int index = i + k;
    if (index >= count) {
      if (index >= 2 * count) continue;  // keeps the last value
      index -= count;
    }
    FNext = Points[index];
    if (FNext.Distance(P) > GeomEps) break;
  }
}

// ---- Corner point -----------------------------------------------------------------------
TCorner CornerPoint(const TDPoint& P, const TDPoint& prev, const TDPoint& next, double d,
                    const TDPointList& reference, TOffsetDirection direction) {
  TCorner corner;
  const TDPoint u = prev - P;
  const TDPoint v = next - P;
  const double c = u.AngleCos(v);
  // sqrt((1 - c)/2) is the sine of half the corner angle: the point lands at d from both
  // edges. Nearly closed corners would be sent far away, so they move by d only.
  const double r = c < CosineLimit ? d / std::sqrt((1 - c) / 2 + GeomEps) : d;
  corner.Move = r;
  if (u.Length() / 2 < r || v.Length() / 2 < r) corner.Loop = true;

  double a;
  if (direction == TOffsetDirection::Grow) {
    a = (AngleOf(u) + AngleOf(v)) / 2;
  } else {
    const double au = AngleOf(u);
    double av = AngleOf(v);
    AlignAngle(au, av);
    a = (au + av) / 2;
  }
  TDPoint N = P + r * Direction(a);
  const TDPoint w = N - P;
  // Only degenerate corners (a missing neighbour) leave N off both bisectors.
  if (std::abs(w.AngleCos(u) - w.AngleCos(v)) > BisectorCheckLimit) {
    a = a + Pi / 2;
    N = P + r * Direction(a);
  }
  const TDPoint Q = P + ProbeStep * Direction(a);
  const bool inside = Q.IsInPoly(reference, true);
  if (direction == TOffsetDirection::Grow) {
    if (inside) {
      N = P + r * Direction(a + Pi);
      a = a + Pi;
      corner.Flipped = true;
    }
  } else if (!inside) {
    a = a + Pi;
    N = P + r * Direction(a);
    corner.Flipped = true;
    corner.Rounded = r > RoundingFactor * d;
  }
  corner.N = N;
  corner.Angle = a;
  return corner;
}

// ---- Grow -------------------------------------------------------------------------------
void Grow(TDPointList& Points, double d) {
  const int count = Points.Count();
  if (count < 2) return;
  TNeighbourSearch search;
  bool loop = false;
  std::vector<TDPoint> moved(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    search.Find(Points, i);
    const TCorner corner =
        CornerPoint(Points[i], search.Prev(), search.Next(), d, Points, TOffsetDirection::Grow);
    moved[static_cast<std::size_t>(i)] = corner.N;
    loop = loop || corner.Loop;
  }
  for (int i = 0; i < count; ++i) Points[i] = moved[static_cast<std::size_t>(i)];
  if (!loop) return;
  std::vector<TDPoint>& ring = Points.Items();
  if (ring.front().Distance(ring.back()) > GeomEps) ring.push_back(ring.front());
  RemoveLoops(ring);
  ring.pop_back();
}

// ---- Shrink -----------------------------------------------------------------------------
std::vector<TOffsetEntry> ShrinkCorners(const TDPointList& input, double d, bool& loop) {
  std::vector<TOffsetEntry> entries;
  TNeighbourSearch search;
  loop = false;
  for (int i = 0; i < input.Count(); ++i) {
    search.Find(input, i);
    const TDPoint P = input[i];
    const TCorner corner =
        CornerPoint(P, search.Prev(), search.Next(), d, input, TOffsetDirection::Shrink);
    loop = loop || corner.Loop;
    if (!corner.Rounded) {
      entries.push_back(TOffsetEntry{corner.N, i});
      continue;
    }
    // An arc at distance d around the vertex, from the inward normal of the incoming edge
    // over the bisector to the inward normal of the outgoing edge.
    const double a = corner.Angle;
    auto inwardNormal = [a](const TDPoint& edge) {
      double e = AngleOf(edge);
      AlignAngle(a, e);
      return std::abs(e + Pi / 2 - a) <= std::abs(e - Pi / 2 - a) ? e + Pi / 2 : e - Pi / 2;
    };
    const double a1 = inwardNormal(search.Prev() - P);
    const double a2 = inwardNormal(search.Next() - P);
    const double arc[RoundedCornerPoints] = {a1, (a1 + a) / 2, a, (a2 + a) / 2, a2};
    for (double t : arc) entries.push_back(TOffsetEntry{P + d * Direction(t), i});
  }
  return entries;
}

void RemoveLoops(std::vector<TDPoint>& ring) { RemoveLoopsOf(ring); }
void RemoveLoops(std::vector<TOffsetEntry>& ring) { RemoveLoopsOf(ring); }

TCleanupResult CleanUp(std::vector<TOffsetEntry>& entries, const TDPointList& input, double d,
                       const TCleanupOptions& options) {
  TCleanupResult result;
  const int n = input.Count();
  const long long m = static_cast<long long>(entries.size());
  const long long limit =
      options.PassLimit >= 0 ? options.PassLimit : PassLimitPerEntry * m + PassLimitBase;

  std::vector<TTrackedEntry> list;
  list.reserve(entries.size());
  std::uint64_t print = 0;
  for (std::size_t k = 0; k < entries.size(); ++k) {
    list.push_back(TTrackedEntry{entries[k].Point, entries[k].Source, static_cast<int>(k)});
    print += EntryPrint(list.back());
  }
  TRepeatDetector repeats(options.CollidingFingerprints);
  auto size = [&list] { return static_cast<int>(list.size()); };
  auto at = [&list](int k) -> TTrackedEntry& { return list[static_cast<std::size_t>(k)]; };
  auto erase = [&](int k) {
    print -= EntryPrint(at(k));
    list.erase(list.begin() + k);
  };
  auto move = [&](int k, const TDPoint& p) {
    repeats.Moved(k, at(k).Point);
    print -= EntryPrint(at(k));
    at(k).Point = p;
    print += EntryPrint(at(k));
  };
  auto before = [&](int k) { return k > 0 ? k - 1 : size() - 1; };
  auto after = [&](int k) { return k < size() - 1 ? k + 1 : 0; };

  for (long long pass = 0;; ++pass) {
    result.Passes = pass;
    if (size() < 3) {
      result.Stop = TCleanupStop::TooFewEntries;
      break;
    }
    if (pass >= limit) {
      result.Stop = TCleanupStop::PassLimit;
      break;
    }
    if (options.OnPass) options.OnPass(pass, Untracked(list));
    if (options.DetectRepeats && repeats.SeenBefore(list, print, pass, result.RepeatOf)) {
      result.Stop = TCleanupStop::Repeat;
      break;
    }

    // Find the first entry that lies too close to an input edge near its source vertex.
    int f = -1;
    TDPoint A, B;
    double dist = 0.0;
    for (int j = 0; j < size() && f < 0; ++j) {
      const int s = at(j).Source;
      for (int e = s - EdgeWindowBefore; e <= s + EdgeWindowAfter; ++e) {
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
        const double measured = at(j).Point.DistanceToLine(a, b, closest);
        if (d - OffsetSlack > measured) {
          f = j;
          A = a;
          B = b;
          dist = measured;
          break;
        }
      }
    }
    if (f < 0) {
      result.Stop = TCleanupStop::NothingFound;
      break;
    }

    // Merge the entry with neighbours that lie on top of it.
    while (size() >= 2 && at(before(f)).Point.Distance(at(f).Point) < ProbeStep) {
      if (f > 0) {
        erase(f);
        f = f - 1;
      } else {
        erase(size() - 1);
      }
    }
    while (size() >= 2 && at(after(f)).Point.Distance(at(f).Point) < ProbeStep) {
      const bool wasLast = f == size() - 1;
      erase(f);
      if (wasLast) f = 0;
    }
    if (size() < 2) {
      // No neighbour is left to pull back towards: end with the points left.
      result.Stop = TCleanupStop::MergedAway;
      break;
    }

    // Pull back towards the neighbour whose direction changes the distance to the edge.
    const int g = before(f);
    const int h = after(f);
    const TDPoint F = at(f).Point;
    const TDPoint G = at(g).Point;
    const TDPoint H = at(h).Point;
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
      for (int step = 0; step < BisectionSteps; ++step) {
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
      move(f, M);
    }
  }
  entries = Untracked(list);
  return result;
}

std::vector<TOffsetEntry> ShrinkRing(const TDPointList& input, double d) {
  bool loop = false;
  std::vector<TOffsetEntry> entries = ShrinkCorners(input, d, loop);
  if (loop && !entries.empty()) {
    if (entries.front().Point.Distance(entries.back().Point) > GeomEps) {
      entries.push_back(entries.front());
    }
    RemoveLoops(entries);
    entries.pop_back();
  }
  return entries;
}

void Shrink(TDPointList& Points, double d) {
  std::vector<TOffsetEntry> entries = ShrinkRing(Points, d);
  CleanUp(entries, Points, d);
  std::vector<TDPoint> points;
  points.reserve(entries.size());
  for (const TOffsetEntry& e : entries) points.push_back(e.Point);
  points.shrink_to_fit();
  Points.Items() = std::move(points);
}

void Offset(TDPointList& Points, double Delta) {
  if (Delta < 0) {
    Shrink(Points, -Delta);
    return;
  }
  Grow(Points, Delta);
}

}  // namespace offset_reference
