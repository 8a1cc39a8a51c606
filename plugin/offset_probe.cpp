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
// margin is far above what rounding can do to the sign of the cross product); only the
// edges near the probe are tested term by term.

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

  // Vertices by cells at least twice the equality window, for the on-vertex test.
  FCell = 4 * (2 * GeomEps + MarginFor(maxAbs)) + 1e-300;
  if (maxAbs / FCell > 0x1p50) return;
  std::size_t capacity = 16;
  while (capacity < 2 * pts.size()) capacity *= 2;
  FVertexKeys.assign(capacity, 0);
  FVertexHeads.assign(capacity, -1);
  FVertexNext.assign(pts.size(), -1);
  for (int i = 0; i < count; ++i) {
    const std::int64_t key =
        CellKey(pts[static_cast<std::size_t>(i)].x, pts[static_cast<std::size_t>(i)].y);
    std::size_t at = Slot(key);
    while (FVertexHeads[at] >= 0 && FVertexKeys[at] != key) at = (at + 1) & (capacity - 1);
    FVertexKeys[at] = key;
    FVertexNext[static_cast<std::size_t>(i)] = FVertexHeads[at];
    FVertexHeads[at] = i;
  }
  // Most probes lie in a cell without a vertex: a small bit table (it stays in cache where
  // the table does not) answers those.
  FVertexBits.assign(capacity / 2, 0);
  for (std::size_t at = 0; at < capacity; ++at) {
    if (FVertexHeads[at] >= 0) SetBits(FVertexKeys[at]);
  }

  // The distinct y values, and for each vertex the position of its y among them.
  {
    std::vector<std::pair<double, int>> byY;
    byY.reserve(pts.size());
    for (int i = 0; i < count; ++i) byY.emplace_back(pts[static_cast<std::size_t>(i)].y, i);
    // Merge sorting: the y values along an outline come in long rising and falling runs,
    // which defeat the pivots of a quicksort.
    std::stable_sort(byY.begin(), byY.end());
    FYs.reserve(pts.size());
    FRank.resize(pts.size());
    for (const auto& [y, i] : byY) {
      if (FYs.empty() || FYs.back() != y) FYs.push_back(y);
      FRank[static_cast<std::size_t>(i)] = static_cast<int>(FYs.size()) - 1;
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

std::int64_t TProbeIndex::CellKey(double x, double y) const {
  const auto ix = static_cast<std::int64_t>(std::floor(x / FCell));
  const auto iy = static_cast<std::int64_t>(std::floor(y / FCell));
  // Cells that share a key only cost an extra comparison.
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(ix) * 0x9e3779b97f4a7c15ULL ^
                                   static_cast<std::uint64_t>(iy));
}

std::size_t TProbeIndex::Slot(std::int64_t key) const {
  return static_cast<std::size_t>((static_cast<std::uint64_t>(key) * 0xff51afd7ed558ccdULL) >> 17) &
         (FVertexKeys.size() - 1);
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

// Two bits per occupied cell key: a probe whose two bits are not both set lies in a cell
// without a vertex.
std::size_t TProbeIndex::Bit(std::int64_t key, int which) const {
  const std::uint64_t mix = which == 0 ? 0xc4ceb9fe1a85ec53ULL : 0x9fb21c651e98df25ULL;
  return static_cast<std::size_t>((static_cast<std::uint64_t>(key) * mix) >> 20) &
         (8 * FVertexBits.size() - 1);
}

void TProbeIndex::SetBits(std::int64_t key) {
  for (int which = 0; which < 2; ++which) {
    const std::size_t bit = Bit(key, which);
    FVertexBits[bit / 8] = static_cast<unsigned char>(FVertexBits[bit / 8] | (1u << (bit % 8)));
  }
}

bool TProbeIndex::MayHold(std::int64_t key) const {
  for (int which = 0; which < 2; ++which) {
    const std::size_t bit = Bit(key, which);
    if (!(FVertexBits[bit / 8] & (1u << (bit % 8)))) return false;
  }
  return true;
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
  if (std::abs(Q.x) / FCell > 0x1p50 || std::abs(Q.y) / FCell > 0x1p50) {
    return Q.IsInPoly(FPoly, true);
  }
  // Inside by the winding number, or else on a vertex: the same as IsInPoly's vertex test
  // first, and most inside probes need no vertex lookup.
  return Winding(Q, nearVertex) != 0 || OnVertex(Q);
}

// On a vertex (within GeomEps on each axis).
bool TProbeIndex::OnVertex(const TDPoint& Q) const {
  const std::vector<TDPoint>& pts = FPoly.Items();
  const double mq = MarginFor(std::abs(Q.x) + std::abs(Q.y));
  const double reach = 2 * GeomEps + mq;
  const auto cx0 = static_cast<std::int64_t>(std::floor((Q.x - reach) / FCell));
  const auto cx1 = static_cast<std::int64_t>(std::floor((Q.x + reach) / FCell));
  const auto cy0 = static_cast<std::int64_t>(std::floor((Q.y - reach) / FCell));
  const auto cy1 = static_cast<std::int64_t>(std::floor((Q.y + reach) / FCell));
  for (std::int64_t ix = cx0; ix <= cx1; ++ix) {
    for (std::int64_t iy = cy0; iy <= cy1; ++iy) {
      const auto key = static_cast<std::int64_t>(
          static_cast<std::uint64_t>(ix) * 0x9e3779b97f4a7c15ULL ^ static_cast<std::uint64_t>(iy));
      if (!MayHold(key)) continue;
      const std::size_t mask = FVertexKeys.size() - 1;
      for (std::size_t at = Slot(key); FVertexHeads[at] >= 0; at = (at + 1) & mask) {
        if (FVertexKeys[at] != key) continue;
        for (int v = FVertexHeads[at]; v >= 0; v = FVertexNext[static_cast<std::size_t>(v)]) {
          if (pts[static_cast<std::size_t>(v)] == Q) return true;
        }
        break;
      }
    }
  }

  return false;
}

int TProbeIndex::Winding(const TDPoint& Q, int nearVertex) const {
  if (FLeaves < 1) return 0;
  // The interval [FYs[k], FYs[k + 1]) that holds Q.y; outside all of them no edge counts.
  int k = -2;
  if (nearVertex >= 0 && nearVertex < static_cast<int>(FRank.size())) {
    // Usually the interval of the nearby vertex or the next one: a few steps from there.
    const int size = static_cast<int>(FYs.size());
    k = FRank[static_cast<std::size_t>(nearVertex)];
    for (int step = 0; k != -2; ++step) {
      if (step == 8) {
        k = -2;
      } else if (k >= 0 && FYs[static_cast<std::size_t>(k)] > Q.y) {
        --k;
      } else if (k + 1 < size && FYs[static_cast<std::size_t>(k) + 1] <= Q.y) {
        ++k;
      } else {
        break;
      }
    }
  }
  if (k == -2) {
    k = static_cast<int>(std::upper_bound(FYs.begin(), FYs.end(), Q.y) - FYs.begin()) - 1;
  }
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
