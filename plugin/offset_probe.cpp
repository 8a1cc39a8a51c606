#include "plugin/offset_probe.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

// The winding number of IsInPoly is an integer sum over the edges whose y range [lo, hi)
// holds the probe's y; the order of the terms does not matter. The edges are kept in a tree
// over the intervals between the distinct vertex y values, each edge in the few nodes that
// cover its range, so a probe meets exactly the edges that can count. Within a node an edge
// clearly right of the probe counts its direction and one clearly left counts nothing (the
// margin is far above what rounding can do to the sign of the cross product, for outlines
// without nearly level edges); only the edges near the probe are tested term by term.

namespace offset_probe {

namespace {

constexpr int DirectBelow = 64;

double MarginFor(double magnitude) { return (magnitude + 1) * 0x1p-40; }

}  // namespace

TProbeIndex::TProbeIndex(const TDPointList& poly) : FPoly(poly) {
  const std::vector<TDPoint>& pts = poly.Items();
  const int count = static_cast<int>(pts.size());
  if (count < DirectBelow) return;
  double maxAbs = 0;
  for (const TDPoint& p : pts) {
    if (!(std::abs(p.x) <= 1e100 && std::abs(p.y) <= 1e100)) return;
    maxAbs = std::max({maxAbs, std::abs(p.x), std::abs(p.y)});
  }
  if (!(GeomEps >= 0 && GeomEps <= 1e100)) return;
  // An edge that rises by next to nothing has cross products below the smallest normal
  // double: their rounding is no longer relative, and no margin tells their sign.
  for (int i = 0; i < count; ++i) {
    const double dy = pts[static_cast<std::size_t>(i + 1 < count ? i + 1 : 0)].y -
                      pts[static_cast<std::size_t>(i)].y;
    if (dy != 0 && std::abs(dy) < 1e-280) return;
  }
  FMargin = 4 * MarginFor(maxAbs);

  // The distinct y values, for each vertex the position of its y among them, and the
  // vertices by y and then x (for the on-vertex test).
  {
    std::vector<std::pair<double, int>> byY;
    byY.reserve(pts.size());
    for (int i = 0; i < count; ++i) byY.emplace_back(pts[static_cast<std::size_t>(i)].y, i);
    // Merge sorting: the y values along an outline come in long rising and falling runs,
    // which defeat the pivots of a quicksort.
    std::stable_sort(byY.begin(), byY.end());
    FYs.reserve(pts.size());
    FRank.resize(pts.size());
    FByY.reserve(pts.size());
    FGroups.reserve(pts.size() + 1);
    for (const auto& [y, i] : byY) {
      if (FYs.empty() || FYs.back() != y) {
        FYs.push_back(y);
        FGroups.push_back(static_cast<int>(FByY.size()));
      }
      FRank[static_cast<std::size_t>(i)] = static_cast<int>(FYs.size()) - 1;
      FByY.push_back(i);
    }
    FGroups.push_back(static_cast<int>(FByY.size()));
    for (std::size_t m = 0; m + 1 < FGroups.size(); ++m) {
      if (FGroups[m + 1] - FGroups[m] > 1) {
        std::sort(FByY.begin() + FGroups[m], FByY.begin() + FGroups[m + 1], [&pts](int u, int v) {
          return pts[static_cast<std::size_t>(u)].x < pts[static_cast<std::size_t>(v)].x;
        });
      }
    }
  }
  FLeaves = static_cast<int>(FYs.size()) - 1;
  if (FLeaves >= 1) {
    // Leaf k is node FBase + k and node v's parent is v / 2: an edge's nodes are found from
    // its two leaves upwards, and a probe reads the nodes above its leaf, without the
    // unpredictable branches of a descent from the root.
    FBase = 1;
    while (FBase < FLeaves) FBase *= 2;
    const std::size_t nodes = 2 * static_cast<std::size_t>(FBase);
    // Two passes over the edges: count the items of each node, then write each item in its
    // place (no build list to copy and group).
    FFirst.assign(nodes + 1, 0);
    std::vector<int> fill;
    for (int pass = 0; pass < 2; ++pass) {
      for (int i = 0; i < count; ++i) {
        const int j = i + 1 < count ? i + 1 : 0;
        if (pts[static_cast<std::size_t>(i)].y == pts[static_cast<std::size_t>(j)].y) {
          continue;  // a level edge never counts
        }
        const int ra = FRank[static_cast<std::size_t>(i)];
        const int rb = FRank[static_cast<std::size_t>(j)];
        const TDPoint& a = pts[static_cast<std::size_t>(i)];
        const TDPoint& b = pts[static_cast<std::size_t>(j)];
        const double slope = pass == 0 ? 0.0 : (b.x - a.x) / (b.y - a.y);
        Cover(std::min(ra, rb), std::max(ra, rb) - 1, [&](int node, int lo, int hi) {
          // lo..hi lie within the real leaves: a range of them never meets the padding.
          if (pass == 0) {
            ++FFirst[static_cast<std::size_t>(node) + 1];
          } else {
            FItems[static_cast<std::size_t>(fill[static_cast<std::size_t>(node)]++)] =
                MakeItem(a, slope, i, lo, hi);
          }
        });
      }
      if (pass == 0) {
        for (std::size_t k = 0; k < nodes; ++k) FFirst[k + 1] += FFirst[k];
        fill.assign(FFirst.begin(), FFirst.end() - 1);
        FItems.resize(static_cast<std::size_t>(FFirst[nodes]));
      }
    }
    for (std::size_t k = 0; k < nodes; ++k) {
      const auto first = FItems.begin() + FFirst[k], end = FItems.begin() + FFirst[k + 1];
      if (end - first > 1) {
        std::sort(first, end, [](const TItem& p, const TItem& q) { return p.Key < q.Key; });
      }
    }
    FSignsFrom.assign(FItems.size() + 1, 0);
    FWidth.assign(nodes, 0.0);
    for (std::size_t k = 0; k < nodes; ++k) {
      int sum = 0;
      double width = 0.0;
      for (std::size_t i = static_cast<std::size_t>(FFirst[k + 1]);
           i > static_cast<std::size_t>(FFirst[k]); --i) {
        const TItem& item = FItems[i - 1];
        const std::size_t e = static_cast<std::size_t>(item.Edge);
        const std::size_t next = e + 1 < pts.size() ? e + 1 : 0;
        sum += pts[e].y < pts[next].y ? 1 : -1;
        FSignsFrom[i - 1] = sum;
        width = std::max(width, static_cast<double>(item.Width));
      }
      FWidth[k] = width;
    }
  }
  FDirect = false;
}

TProbeIndex::TItem TProbeIndex::MakeItem(const TDPoint& a, double slope, int edge, int lo,
                                         int hi) const {
  // The edge's x range over the node's band [FYs[lo], FYs[hi + 1]], widened by the margin
  // (far above the rounding of these few operations); the width is rounded up (a wider
  // item is only tested term by term more often).
  double x0 = a.x + (FYs[static_cast<std::size_t>(lo)] - a.y) * slope;
  double x1 = a.x + (FYs[static_cast<std::size_t>(hi + 1)] - a.y) * slope;
  if (!(std::abs(slope) <= 1e200)) {
    // A nearly level edge: the slope alone overflows, its fraction of the height does not.
    const std::vector<TDPoint>& pts = FPoly.Items();
    const TDPoint& b = pts[static_cast<std::size_t>(edge) + 1 < pts.size() ? edge + 1 : 0];
    auto xAt = [&](double y) { return a.x + (y - a.y) / (b.y - a.y) * (b.x - a.x); };
    x0 = xAt(FYs[static_cast<std::size_t>(lo)]);
    x1 = xAt(FYs[static_cast<std::size_t>(hi + 1)]);
  }
  const double key = std::min(x0, x1) - FMargin;
  const double exact = std::max(x0, x1) + FMargin - key;
  // The float nearest to a value a little larger: at least the value itself.
  const float width = exact <= 1e38 ? static_cast<float>(exact * (1 + 0x1p-20) + 1e-30)
                                    : std::numeric_limits<float>::infinity();
  return TItem{key, width, edge};
}

int TProbeIndex::Contribution(int edge, const TDPoint& Q) const {
  const std::vector<TDPoint>& pts = FPoly.Items();
  const std::size_t count = pts.size();
  const std::size_t i = static_cast<std::size_t>(edge);
  const TDPoint& a = pts[i];
  const TDPoint& b = pts[i + 1 < count ? i + 1 : 0];
  const double c = (b.x - a.x) * (Q.y - a.y) - (b.y - a.y) * (Q.x - a.x);
  if (a.y <= Q.y) {
    if (b.y > Q.y && c > 0) return 1;
  } else {
    if (b.y <= Q.y && c < 0) return -1;
  }
  return 0;
}

bool TProbeIndex::IsInside(const TDPoint& Q) const { return IsInside(Q, -1); }

bool TProbeIndex::IsInside(const TDPoint& Q, int nearVertex) const {
  if (FDirect || !(std::abs(Q.x) <= 1e100 && std::abs(Q.y) <= 1e100)) {
    return Q.IsInPoly(FPoly, true);
  }
  // Inside by the winding number, or else on a vertex: the same as IsInPoly's vertex test
  // first, and most inside probes need no vertex lookup.
  const int k = Interval(Q.y, nearVertex);
  return Winding(Q, k) != 0 || OnVertex(Q, k);
}

int TProbeIndex::Interval(double y, int nearVertex) const {
  const int size = static_cast<int>(FYs.size());
  if (nearVertex >= 0 && nearVertex < static_cast<int>(FRank.size())) {
    // Usually the interval of the nearby vertex or the next one: a few steps from there.
    int k = FRank[static_cast<std::size_t>(nearVertex)];
    for (int step = 0; step < 8; ++step) {
      if (k >= 0 && FYs[static_cast<std::size_t>(k)] > y) {
        --k;
      } else if (k + 1 < size && FYs[static_cast<std::size_t>(k) + 1] <= y) {
        ++k;
      } else {
        return k;
      }
    }
  }
  return static_cast<int>(std::upper_bound(FYs.begin(), FYs.end(), y) - FYs.begin()) - 1;
}

// On a vertex (within GeomEps on each axis): the vertices whose y lies within reach of
// Q's, each run of one y searched by x.
bool TProbeIndex::OnVertex(const TDPoint& Q, int k) const {
  const std::vector<TDPoint>& pts = FPoly.Items();
  const double reach = 2 * GeomEps + MarginFor(std::abs(Q.x) + std::abs(Q.y));
  const int size = static_cast<int>(FYs.size());
  int m = k;
  while (m >= 0 && FYs[static_cast<std::size_t>(m)] >= Q.y - reach) --m;
  for (++m; m < size && FYs[static_cast<std::size_t>(m)] <= Q.y + reach; ++m) {
    const auto first = FByY.begin() + FGroups[static_cast<std::size_t>(m)];
    const auto end = FByY.begin() + FGroups[static_cast<std::size_t>(m) + 1];
    for (auto it = std::lower_bound(
             first, end, Q.x - reach,
             [&pts](int v, double x) { return pts[static_cast<std::size_t>(v)].x < x; });
         it != end && pts[static_cast<std::size_t>(*it)].x <= Q.x + reach; ++it) {
      if (pts[static_cast<std::size_t>(*it)] == Q) return true;
    }
  }
  return false;
}

int TProbeIndex::Winding(const TDPoint& Q, int k) const {
  // Q.y lies in [FYs[k], FYs[k + 1]); outside all of these intervals no edge counts.
  if (FLeaves < 1) return 0;
  if (k < 0 || k >= FLeaves) return 0;
  const double mq = MarginFor(std::abs(Q.x) + std::abs(Q.y));
  int w = 0;
  for (int node = FBase + k; node >= 1; node /= 2) {
    const std::size_t first = static_cast<std::size_t>(FFirst[static_cast<std::size_t>(node)]);
    const std::size_t end = static_cast<std::size_t>(FFirst[static_cast<std::size_t>(node) + 1]);
    if (first < end) {
      const double right = Q.x + mq, left = Q.x - mq;
      const double width = FWidth[static_cast<std::size_t>(node)];
      const auto firstRight =
          std::upper_bound(FItems.begin() + static_cast<std::ptrdiff_t>(first),
                           FItems.begin() + static_cast<std::ptrdiff_t>(end), right,
                           [](double v, const TItem& item) { return v < item.Key; });
      std::size_t i = static_cast<std::size_t>(firstRight - FItems.begin());
      if (i < end) w += FSignsFrom[i];
      while (i > first) {
        const TItem& item = FItems[--i];
        // This one and all before it lie clearly left.
        if (item.Key < left - width * (1 + 0x1p-40) - FMargin) break;
        // Clearly left too (the sum's rounding is far inside the margin of mq).
        if (item.Key + static_cast<double>(item.Width) < left - mq) continue;
        w += Contribution(item.Edge, Q);
      }
    }
  }
  return w;
}

}  // namespace offset_probe
