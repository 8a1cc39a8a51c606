#pragma once
// Inside/outside probes against one polygon, answered as TDPoint::IsInPoly(poly, true)
// answers them, without reading every edge per probe.
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "plugin/common.h"

namespace offset_probe {

class TProbeIndex {
 public:
  // The polygon must outlive the index and stay unchanged.
  explicit TProbeIndex(const TDPointList& poly);
  // Exactly Q.IsInPoly(poly, true).
  bool IsInside(const TDPoint& Q) const;

 private:
  struct TItem {
    double Key;   // least x of the edge within the node's band, less a margin
    double XMax;  // greatest x, plus the margin
    int Edge;
    int Sign;  // +1 upward, -1 downward
  };
  struct TNode {
    std::vector<TItem> Items;    // by Key
    std::vector<int> SignsFrom;  // sum of Sign over Items[i..]
    double Width = 0;            // largest XMax - Key
  };
  int Contribution(int edge, const TDPoint& Q) const;
  void Insert(int node, int lo, int hi, int first, int last, int edge);
  std::int64_t CellKey(double x, double y) const;

  const TDPointList& FPoly;
  bool FDirect = true;      // small or unusual polygons: the plain test
  std::vector<double> FYs;  // distinct vertex y values, ascending
  int FLeaves = 0;
  std::vector<TNode> FNodes;
  double FMargin = 0;
  double FCell = 1;
  std::unordered_multimap<std::int64_t, int> FVertices;
};

}  // namespace offset_probe
