#pragma once
// Inside/outside probes against one polygon, answered as TDPoint::IsInPoly(poly, true)
// answers them, without reading every edge per probe.
#include <cstdint>
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
    int Node;
  };
  int Contribution(int edge, const TDPoint& Q) const;
  void Insert(int node, int lo, int hi, int first, int last, int edge);
  std::int64_t CellKey(double x, double y) const;
  std::size_t Slot(std::int64_t key) const;  // home position of a cell key in the table

  const TDPointList& FPoly;
  bool FDirect = true;      // small or unusual polygons: the plain test
  std::vector<double> FYs;  // distinct vertex y values, ascending
  int FLeaves = 0;
  // The items of node k are FItems[FFirst[k] .. FFirst[k + 1]), by Key; FSignsFrom[i] sums
  // Sign from item i to the end of its node; FWidth[k] is the largest XMax - Key in node k.
  std::vector<TItem> FItems;
  std::vector<int> FFirst;
  std::vector<int> FSignsFrom;
  std::vector<double> FWidth;
  double FMargin = 0;
  double FCell = 1;
  // Vertices by cell: an open-addressed table of cell keys, each heading a chain of
  // vertices through FVertexNext.
  std::vector<std::int64_t> FVertexKeys;
  std::vector<int> FVertexHeads;  // -1: free
  std::vector<int> FVertexNext;
};

}  // namespace offset_probe
