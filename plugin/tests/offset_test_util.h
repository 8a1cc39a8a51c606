#pragma once
// Shared helpers of the polygon offset tests: polygons written as literals, read back to four
// decimals, compared bit for bit, and random polygons of several kinds.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "plugin/offset.h"
#include "plugin/offset_reference.h"

namespace offset_test {

namespace ref = offset_reference;
constexpr double Pi = std::numbers::pi;

// Polygons per random run (about a tenth of a second on either target).
constexpr int RandomPolygonCount = 400;

class Offset : public ::testing::Test {
 protected:
  void SetUp() override { ResetTolerances(); }
  void TearDown() override { ResetTolerances(); }
};

struct XY {
  double x, y;
};

inline TDPointList Poly(std::initializer_list<XY> points) {
  TDPointList list;
  for (const XY& p : points) list.Add(TDPoint{p.x, p.y});
  return list;
}

inline TDPointList ListOf(const std::vector<TDPoint>& points) {
  TDPointList out;
  for (const TDPoint& p : points) out.Add(p);
  return out;
}

inline TDPointList Reversed(const TDPointList& list) {
  TDPointList out;
  for (int i = list.Count() - 1; i >= 0; --i) out.Add(list[i]);
  return out;
}

// The rounded 4-decimal values, as a person would read them off a print-out.
inline std::string Rounded(const TDPointList& list) {
  std::string out;
  char buf[64];
  for (const TDPoint& p : list) {
    // +0.0 turns a rounded negative zero into "0.0000".
    std::snprintf(buf, sizeof buf, "(%.4f,%.4f) ", std::round(p.x * 1e4) / 1e4 + 0.0,
                  std::round(p.y * 1e4) / 1e4 + 0.0);
    out += buf;
  }
  return out;
}
inline std::string Rounded(std::initializer_list<XY> points) { return Rounded(Poly(points)); }

inline bool SameBits(const TDPoint& a, const TDPoint& b) {
  return std::bit_cast<std::uint64_t>(a.x) == std::bit_cast<std::uint64_t>(b.x) &&
         std::bit_cast<std::uint64_t>(a.y) == std::bit_cast<std::uint64_t>(b.y);
}

inline std::string Snapshot(const std::vector<ref::TOffsetEntry>& entries) {
  std::string s;
  for (const ref::TOffsetEntry& e : entries) {
    char buf[sizeof(double) * 2 + sizeof(int)];
    std::memcpy(buf, &e.Point.x, sizeof(double));
    std::memcpy(buf + sizeof(double), &e.Point.y, sizeof(double));
    std::memcpy(buf + 2 * sizeof(double), &e.Source, sizeof(int));
    s.append(buf, sizeof buf);
  }
  return s;
}

inline std::vector<ref::TOffsetEntry> Entries(std::initializer_list<XY> points,
                                              std::vector<int> sources) {
  std::vector<ref::TOffsetEntry> out;
  std::size_t k = 0;
  for (const XY& p : points) out.push_back(ref::TOffsetEntry{TDPoint{p.x, p.y}, sources[k++]});
  return out;
}

inline TDPointList WithoutRepeats(const TDPointList& list) {
  TDPointList out;
  for (const TDPoint& p : list) {
    if (out.Count() == 0 || p.Distance(out.Last()) > GeomEps) out.Add(p);
  }
  return out;
}

inline const TDPointList& CyclingOutline() {
  static const TDPointList outline = Poly({{0, 0}, {7, 0}, {7, 4}, {1, 4}, {1, 5}, {0, 5}});
  return outline;
}

// A random star whose shrink by WanderingStarDistance wanders without ever repeating bit for
// bit, so that only the clean-up's pass guard ends it.
inline constexpr double WanderingStarDistance = 3.5856490625534208;
inline const TDPointList& WanderingStar() {
  static const TDPointList star = Poly(
      {{5.0434814182941832, 0.29877865007578147},   {7.7786376813778864, 1.019381855831812},
       {1.479801689750649, 0.27043201661911326},    {8.247801914977444, 1.6959836807096269},
       {1.497412232630013, 1.7171024663735159},     {0.74157782502156955, 0.97296391318011477},
       {0.63337966511528931, 0.94167011806799372},  {0.26544253543497565, 0.8944714069990094},
       {-2.8071945975149855, 4.3722505154785569},   {-7.1812991733719747, 4.5453863533170882},
       {-3.1657269442314169, 1.9991813265419323},   {-6.6935863995789413, 2.6139013073643711},
       {-7.1533875609444655, -0.51158927781321917}, {-7.5252750518449458, -1.1787320582501772},
       {-1.097082268997928, -1.0446736916342374},   {-0.45857434413797804, -4.8318895241295206},
       {0.2802853807035689, -1.6332779627179015},   {0.51373807686956074, -0.61174443088187924},
       {0.76619930985689211, -0.10510271313022909}, {3.261047934087931, -0.18863174260632973}});
  return star;
}

class TRandom {
 public:
  explicit TRandom(std::uint32_t seed) : FEngine(seed) {}
  double Uniform(double lo, double hi) { return lo + (hi - lo) * (FEngine() / 4294967296.0); }
  int Int(int lo, int hi) {
    return lo + static_cast<int>(FEngine() % static_cast<std::uint32_t>(hi - lo + 1));
  }
  bool Chance(double p) { return Uniform(0, 1) < p; }

 private:
  std::mt19937 FEngine;
};

inline TDPointList Star(TRandom& rnd, int n, double rmin, double rmax, TDPoint centre = {0, 0}) {
  std::vector<double> angles;
  for (int k = 0; k < n; ++k) angles.push_back(rnd.Uniform(0, 2 * Pi));
  std::sort(angles.begin(), angles.end());
  TDPointList out;
  for (double a : angles) {
    const double r = rnd.Uniform(rmin, rmax);
    out.Add(TDPoint{centre.x + r * std::cos(a), centre.y + r * std::sin(a)});
  }
  return out;
}

// Long thin spikes between a core, some of zero width (out and back along one line).
inline TDPointList Spiky(TRandom& rnd) {
  const int n = rnd.Int(6, 30);
  TDPointList out;
  for (int k = 0; k < n; ++k) {
    const double a = 2 * Pi * k / n + rnd.Uniform(0, 0.5 / n);
    const bool spike = rnd.Chance(0.4);
    const double r = spike ? rnd.Uniform(6, 10) : rnd.Uniform(0.05, 1.5);
    out.Add(TDPoint{r * std::cos(a), r * std::sin(a)});
    if (spike && rnd.Chance(0.3)) {
      const double back = rnd.Uniform(0.05, 1.0);  // back along the same ray
      out.Add(TDPoint{back * std::cos(a), back * std::sin(a)});
    }
  }
  return out;
}

// Two lobes that touch at the origin: the ring passes through (0, 0) twice.
inline TDPointList Pinched(TRandom& rnd) {
  TDPointList out;
  for (int lobe = 0; lobe < 2; ++lobe) {
    out.Add(TDPoint{0, 0});
    const int n = rnd.Int(2, 8);
    const double side = lobe == 0 ? 1.0 : -1.0;
    for (int k = 1; k <= n; ++k) {
      const double a = -Pi / 2 + Pi * k / (n + 1);  // right half-plane, mirrored for lobe 1
      const double r = rnd.Uniform(2, 8);
      out.Add(TDPoint{side * r * std::cos(a), side * r * std::sin(a)});
    }
  }
  return out;
}

// Anything at all: random points, crossing themselves.
inline TDPointList Tangle(TRandom& rnd) {
  TDPointList out;
  const int n = rnd.Int(3, 16);
  for (int k = 0; k < n; ++k) out.Add(TDPoint{rnd.Uniform(-10, 10), rnd.Uniform(-10, 10)});
  return out;
}

inline TDPointList RandomPolygon(TRandom& rnd, int kind) {
  TDPointList p;
  switch (kind % 4) {
    case 0:
      p = Star(rnd, rnd.Int(3, 24), 0.5, 10);
      break;
    case 1:
      p = Spiky(rnd);
      break;
    case 2:
      p = Pinched(rnd);
      break;
    default:
      p = Tangle(rnd);
      break;
  }
  if (rnd.Chance(0.2)) {  // a duplicated vertex
    const int k = rnd.Int(0, p.Count() - 1);
    p.Insert(k, p[k]);
  }
  if (rnd.Chance(0.2)) p.Add(p[0]);  // the closing vertex repeated
  if (rnd.Chance(0.5)) p = Reversed(p);
  return p;
}

inline bool AllFinite(const TDPointList& p) {
  return std::all_of(p.begin(), p.end(),
                     [](const TDPoint& q) { return std::isfinite(q.x) && std::isfinite(q.y); });
}

}  // namespace offset_test
