#pragma once
// Generated outlines of any vertex count for timing and comparing the polygon offset, in
// millimetres. Features keep their size as the count grows (a larger count is a larger
// pour), so a cost that grows faster than the count shows a search that is not local.
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "plugin/common.h"

namespace offset_shapes {

enum class TShape { Convex, Star, Comb, Notched };
inline constexpr TShape AllShapes[] = {TShape::Convex, TShape::Star, TShape::Comb, TShape::Notched};

inline const char* ShapeName(TShape s) {
  switch (s) {
    case TShape::Convex:
      return "convex";
    case TShape::Star:
      return "star";
    case TShape::Comb:
      return "comb";
    case TShape::Notched:
      return "notched";
  }
  return "?";
}

// Regular polygon with edges of about 0.5: the corner moves exceed half an edge, so the
// loop removal runs over the whole ring without finding a crossing.
inline TDPointList Convex(int n) {
  const double pi = std::numbers::pi;
  const double radius = n * 0.5 / (2 * pi);
  TDPointList out;
  for (int k = 0; k < n; ++k) {
    const double a = 2 * pi * k / n;
    out.Add(TDPoint{radius * std::cos(a), radius * std::sin(a)});
  }
  return out;
}

// Spikes 5 long on a circle, about 1 wide at their base, tips and valleys alternating.
inline TDPointList Star(int n) {
  const double pi = std::numbers::pi;
  const double inner = n * 0.5 / (2 * pi) + 2;
  TDPointList out;
  for (int k = 0; k < n; ++k) {
    const double a = 2 * pi * k / n;
    const double r = k % 2 == 0 ? inner + 5 : inner;
    out.Add(TDPoint{r * std::cos(a), r * std::sin(a)});
  }
  return out;
}

// Teeth 1 wide and 5 high on a base 2 high, with slots 0.4 wide between them; four
// vertices per tooth.
inline TDPointList Comb(int n) {
  const int teeth = n / 4 > 1 ? n / 4 : 1;
  const double pitch = 1.4, width = 1.0, base = 2.0, top = 7.0;
  TDPointList out;
  out.Add(TDPoint{0, 0});
  out.Add(TDPoint{(teeth - 1) * pitch + width, 0});
  for (int i = teeth - 1; i >= 0; --i) {
    const double x0 = i * pitch;
    out.Add(TDPoint{x0 + width, top});
    out.Add(TDPoint{x0, top});
    if (i > 0) {
      out.Add(TDPoint{x0, base});
      out.Add(TDPoint{x0 - (pitch - width), base});
    }
  }
  return out;
}

// A strip 10 high whose top edge has V-notches 3 deep and 1 wide, 0.5 apart: the notch
// tips are sharp reflex corners, rounded on a shrink, and their arcs come close to the
// neighbouring notches.
inline TDPointList Notched(int n) {
  const int notches = (n - 2) / 3 > 1 ? (n - 2) / 3 : 1;
  const double pitch = 1.5, height = 10.0;
  TDPointList out;
  out.Add(TDPoint{0, 0});
  out.Add(TDPoint{notches * pitch + 0.5, 0});
  for (int i = notches - 1; i >= 0; --i) {
    const double x0 = i * pitch + 0.5;
    out.Add(TDPoint{x0 + 1.0, height});
    out.Add(TDPoint{x0 + 0.5, height - 3.0});
    out.Add(TDPoint{x0, height});
  }
  return out;
}

inline TDPointList Make(TShape shape, int n) {
  switch (shape) {
    case TShape::Convex:
      return Convex(n);
    case TShape::Star:
      return Star(n);
    case TShape::Comb:
      return Comb(n);
    case TShape::Notched:
      return Notched(n);
  }
  return {};
}

// Distances that give the loop removal and the clean-up real work on each shape: the grow
// closes the comb's slots, the shrink rounds the notch tips and pulls back the points that
// come too close to the neighbouring notches, and cuts the star's spikes short.
inline double GrowBy(TShape shape) {
  switch (shape) {
    case TShape::Convex:
      return 1.0;
    case TShape::Star:
      return 0.6;
    case TShape::Comb:
      return 0.3;
    case TShape::Notched:
      return 0.4;
  }
  return 1.0;
}
inline double ShrinkBy(TShape shape) {
  switch (shape) {
    case TShape::Convex:
      return 1.0;
    case TShape::Star:
      return 1.0;
    case TShape::Comb:
      return 0.3;
    case TShape::Notched:
      return 0.8;
  }
  return 1.0;
}

}  // namespace offset_shapes
