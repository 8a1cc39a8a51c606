#pragma once
// Inside/outside probes against one polygon, answered as TDPoint::IsInPoly(poly, true)
// answers them, without reading every edge per probe.
#include <vector>

#include "plugin/common.h"

namespace offset_probe {

class TProbeIndex {
 public:
  // The polygon must outlive the index and stay unchanged.
  explicit TProbeIndex(const TDPointList& poly);
  // Exactly Q.IsInPoly(poly, true).
  bool IsInside(const TDPoint& Q) const;
  // The same answer; a vertex of the polygon near Q (or -1) only speeds up the search.
  bool IsInside(const TDPoint& Q, int nearVertex) const;

 private:
  struct TItem {
    double Key;   // least x of the edge within the node's band, less a margin
    float Width;  // up to the greatest x plus the margin, at least
    int Edge;
  };
  int Contribution(int edge, const TDPoint& Q) const;
  TItem MakeItem(const TDPoint& a, double slope, int edge, int lo, int hi) const;
  // Calls f(node, lo, hi) for the few nodes whose leaves lo..hi together make first..last.
  template <class F>
  void Cover(int first, int last, F f) const {
    int l = first + FBase, r = last + FBase + 1;
    for (int level = 0; l < r; ++level, l /= 2, r /= 2) {
      if (l & 1) {
        const int lo = (l << level) - FBase;
        f(l++, lo, lo + (1 << level) - 1);
      }
      if (r & 1) {
        const int lo = (--r << level) - FBase;
        f(r, lo, lo + (1 << level) - 1);
      }
    }
  }
  // The k with FYs[k] <= y < FYs[k + 1] (-1 below all), searched from nearVertex's y.
  int Interval(double y, int nearVertex) const;
  bool OnVertex(const TDPoint& Q, int k) const;
  int Winding(const TDPoint& Q, int k) const;

  const TDPointList& FPoly;
  bool FDirect = true;      // small or unusual polygons: the plain test
  std::vector<double> FYs;  // distinct vertex y values, ascending
  std::vector<int> FRank;   // per vertex, the position of its y in FYs
  int FLeaves = 0;
  int FBase = 1;  // leaves rounded up to a power of two: leaf k is node FBase + k
  // The items of node k are FItems[FFirst[k] .. FFirst[k + 1]), by Key; FSignsFrom[i] sums
  // the directions (+1 upward, -1 downward) of the edges from item i to the end of its node;
  // FWidth[k] is the largest Width in node k.
  std::vector<TItem> FItems;
  std::vector<int> FFirst;
  std::vector<int> FSignsFrom;
  std::vector<double> FWidth;
  double FMargin = 0;
  // The vertices by y and then x; those of FYs[m] are FByY[FGroups[m] .. FGroups[m + 1]).
  std::vector<int> FByY;
  std::vector<int> FGroups;
};

}  // namespace offset_probe
