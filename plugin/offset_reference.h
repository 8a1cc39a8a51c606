#pragma once
// The polygon offset written step by step, with no shortcut: the reference that faster
// versions of OffsetPolygon and ShrinkPolygon are checked against, bit for bit. Every
// step is reachable on its own so that tests can pin it down.
#include <cstdint>
#include <functional>
#include <vector>

#include "plugin/common.h"

namespace offset_reference {

// ---- Constants of the algorithm ---------------------------------------------------------
// Corners whose edge cosine reaches this are moved by the distance only (no 1/sin).
inline constexpr double CosineLimit = 0.999;
// Largest difference of the two edge cosines for a point that lies on a bisector.
inline constexpr double BisectorCheckLimit = 0.05;
// A reflex corner is rounded when its move exceeds this many times the distance;
// just above sqrt 2, so a right-angled reflex corner stays a single point.
inline constexpr double RoundingFactor = 1.42;
// Points that replace one rounded corner.
inline constexpr int RoundedCornerPoints = 5;
// Candidates tried in each direction when searching for a distinct neighbour.
inline constexpr int NeighbourSearchSteps = 101;
// Halvings when pulling an entry back to the clearance band.
inline constexpr int BisectionSteps = 13;
// Input edges that the clean-up checks an entry against: its source vertex - 2 to + 3.
inline constexpr int EdgeWindowBefore = 2;
inline constexpr int EdgeWindowAfter = 3;
// Last guard of the clean-up: at most PassLimitPerEntry * m + PassLimitBase passes.
inline constexpr long long PassLimitPerEntry = 1000;
inline constexpr long long PassLimitBase = 1000;

// ---- Primitives -------------------------------------------------------------------------
// Crossing of the segments A1-A2 and B1-B2. Parallel lines (overlapping ones included)
// give false with X at (+inf, +inf); otherwise X is the crossing of the two lines and the
// result says whether it lies on both segments (touching at an end counts).
bool SegmentsIntersect(const TDPoint& A1, const TDPoint& A2, const TDPoint& B1, const TDPoint& B2,
                       TDPoint& X);

// Moves A by whole turns so that it differs from Ref by at most pi.
void AlignAngle(double Ref, double& A);

// ---- Neighbour search -------------------------------------------------------------------
// Finds, for one vertex after the other, the nearest previous and next vertices that are
// further than GeomEps from it. The found values carry over from vertex to vertex: a
// direction without any candidate keeps what it had (both start at (0, 0)).
class TNeighbourSearch {
 public:
  void Find(const TDPointList& Points, int i);
  const TDPoint& Prev() const { return FPrev; }
  const TDPoint& Next() const { return FNext; }

 private:
  TDPoint FPrev{};
  TDPoint FNext{};
};

// ---- Corner point -----------------------------------------------------------------------
enum class TOffsetDirection { Grow, Shrink };

struct TCorner {
  TDPoint N;             // the moved vertex
  double Angle = 0.0;    // direction of the move, after any turn
  double Move = 0.0;     // length of the move (r)
  bool Loop = false;     // the move is longer than half an adjacent edge
  bool Flipped = false;  // the first direction pointed the wrong way and was turned by pi
  bool Rounded = false;  // shrink only: a reflex corner to be replaced by an arc
};

// Corner point of vertex P with neighbours prev and next, moved by d >= 0 towards the
// outside (grow) or the inside (shrink) of the reference polygon.
TCorner CornerPoint(const TDPoint& P, const TDPoint& prev, const TDPoint& next, double d,
                    const TDPointList& reference, TOffsetDirection direction);

// ---- Grow -------------------------------------------------------------------------------
// Grows the outline in place by d >= 0 (a list of fewer than 2 points is left as it is).
void Grow(TDPointList& Points, double d);

// ---- Shrink -----------------------------------------------------------------------------
// A point of the shrink's working ring and the input vertex it came from.
struct TOffsetEntry {
  TDPoint Point;
  int Source = 0;
};

// The corner entries of the shrink by d > 0: one per plain corner, RoundedCornerPoints per
// rounded one, in vertex order. loop is set when any corner moved too far.
std::vector<TOffsetEntry> ShrinkCorners(const TDPointList& input, double d, bool& loop);

// The shrink's working ring before the clean-up: the corner entries, with the loops cut
// away when a corner moved too far.
std::vector<TOffsetEntry> ShrinkRing(const TDPointList& input, double d);

// ---- Loop removal -----------------------------------------------------------------------
// Cuts the self-intersection loops out of a closed ring R[0..last] with R[0] = R[last];
// the ring stays closed. An entry that receives a crossing point keeps its source index.
void RemoveLoops(std::vector<TDPoint>& ring);
void RemoveLoops(std::vector<TOffsetEntry>& ring);

// ---- Clean-up of the shrink -------------------------------------------------------------
enum class TCleanupStop {
  TooFewEntries,  // a pass began with fewer than 3 entries
  NothingFound,   // no entry lies too close to its input edges: the normal end
  MergedAway,     // the merges of a pass left fewer than 2 entries
  Repeat,         // a pass began with exactly the list an earlier pass began with
  PassLimit,      // the last guard
};

struct TCleanupResult {
  TCleanupStop Stop = TCleanupStop::NothingFound;
  long long Passes = 0;     // passes run to their end (each moved or deleted an entry)
  long long RepeatOf = -1;  // with Repeat: the earlier pass whose start list came back
};

struct TCleanupOptions {
  bool DetectRepeats = true;
  // Passes allowed; negative means PassLimitPerEntry * m + PassLimitBase.
  long long PassLimit = -1;
  // For tests of the exact comparison: every list gets the same fingerprint, so each pass
  // start is compared in full with every earlier one (slow).
  bool CollidingFingerprints = false;
  // Called at the start of every pass (numbered from 0) with the list as it is then.
  std::function<void(long long pass, const std::vector<TOffsetEntry>& entries)> OnPass;
};

// Pulls back the entries that came closer than d - OffsetSlack to an input edge near
// their source vertex, one per pass, until no such entry is left. A pass whose start
// list repeats that of an earlier pass ends it with that list (the passes would cycle).
TCleanupResult CleanUp(std::vector<TOffsetEntry>& entries, const TDPointList& input, double d,
                       const TCleanupOptions& options = {});

// Replaces the list by its inward offset by d > 0.
void Shrink(TDPointList& Points, double d);

// Grows by Delta >= 0 (a negative zero included), shrinks by -Delta when Delta < 0.
void Offset(TDPointList& Points, double Delta);

}  // namespace offset_reference
