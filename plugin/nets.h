#pragma once
// The net model: the board's nets, their traces and the straight or arc segments of each
// trace, with the host's selection and counters of what is selected.
//
// Ownership runs downwards (list -> nets -> traces -> segments -> point lists); a segment's
// trace and a trace's net are plain back-references. Counters are added up when a child is
// appended and never updated afterwards, so a child must be complete before it is appended.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/common.h"

class TNetTrace;
class TNet;

// One straight piece (2 points) or one arc (start, a point on the arc, end) of a trace.
class TLineSegment {
 public:
  TLineSegment() = default;
  virtual ~TLineSegment();
  TLineSegment(const TLineSegment&) = delete;
  TLineSegment& operator=(const TLineSegment&) = delete;

  TNetTrace* Trace() const { return FTrace; }
  void SetTrace(TNetTrace* value) { FTrace = value; }
  double Width() const { return FWidth; }
  void SetWidth(double value) { FWidth = value; }
  // Width of the mask opening predicted for a negative swell; written by the
  // incompatibility test.
  double PredSize() const { return FPredSize; }
  void SetPredSize(double value) { FPredSize = value; }
  bool Arc() const { return FArc; }
  void SetArc(bool value) { FArc = value; }
  TSolderMaskLayer Layer() const { return FLayer; }
  void SetLayer(TSolderMaskLayer value) { FLayer = value; }
  bool Selected() const { return FSelected; }
  void SetSelected(bool value) { FSelected = value; }
  // False once the user agreed to leave the segment's mask closed.
  bool Correct() const { return FCorrect; }
  void SetCorrect(bool value) { FCorrect = value; }
  const TDPointList& Points() const { return FPointList; }

  void AppendPoint(const TDPoint& APoint) { FPointList.Add(APoint); }
  // Room for the points to come (two for a line, three for an arc), in one allocation.
  void ReservePoints(int count) { FPointList.SetCapacity(count); }

 private:
  friend class TNetTrace;
  friend struct TSegmentRelease;
  TNetTrace* FTrace = nullptr;
  TDPointList FPointList;
  double FWidth = 0.0;
  double FPredSize = 0.0;
  TSolderMaskLayer FLayer = TSolderMaskLayer::smlNone;
  bool FArc = false;
  bool FSelected = false;
  bool FCorrect = true;
  bool FInBlock = false;  // lives in its trace's block of segments, not on its own
};

// Releases a segment: one made in its trace's block is only destroyed, the block goes with
// the trace; any other is deleted.
struct TSegmentRelease {
  void operator()(TLineSegment* segment) const noexcept;
};

using TLineSegmentList = std::vector<std::unique_ptr<TLineSegment, TSegmentRelease>>;

// One trace of a net: its segments in trace order.
class TNetTrace {
 public:
  TNetTrace() = default;
  virtual ~TNetTrace();
  TNetTrace(const TNetTrace&) = delete;
  TNetTrace& operator=(const TNetTrace&) = delete;

  TNet* Net() const { return FNet; }
  void SetNet(TNet* value) { FNet = value; }
  // The trace itself is selected, independently of its segments' flags.
  bool Selected() const { return FSelected; }
  void SetSelected(bool value) { FSelected = value; }
  const TLineSegmentList& Segments() const { return FSegments; }
  int SelectedSegmentsCount() const { return FSelectedSegmentsCount; }

  // Takes ownership, points the segment back at this trace and counts it when selected.
  // Throws std::invalid_argument for a null segment. Returns the appended segment.
  TLineSegment* AppendSegment(std::unique_ptr<TLineSegment> ASegment);
  // Room for count segments made by AppendNewSegment: one block for all of them, and the
  // list's room in advance.
  void ReserveSegments(int count);
  // Appends a new default segment with the given selection, made in the reserved block
  // while it has room. The counters only look at the selection, so the rest of the segment
  // may be filled in afterwards.
  TLineSegment* AppendNewSegment(bool selected);

 private:
  TNet* FNet = nullptr;
  TLineSegmentList FSegments;
  bool FSelected = false;
  int FSelectedSegmentsCount = 0;
  int FBlockUsed = 0, FBlockSize = 0;
  TLineSegment* FBlock = nullptr;  // raw room for FBlockSize segments, FBlockUsed made
};

using TNetTraceList = std::vector<std::unique_ptr<TNetTrace>>;

class TNet {
 public:
  // NetId is the document's Id, -1 when the net had none.
  TNet(int NetId, std::string AName) : FId(NetId), FName(std::move(AName)) {}
  virtual ~TNet();
  TNet(const TNet&) = delete;
  TNet& operator=(const TNet&) = delete;

  int Id() const { return FId; }
  const std::string& Name() const { return FName; }
  const TNetTraceList& Traces() const { return FTraces; }
  int SelectedTracesCount() const { return FSelectedTracesCount; }
  int SegmentsCount() const { return FSegmentsCount; }
  int SelectedSegmentsCount() const { return FSelectedSegmentsCount; }

  // Takes ownership, points the trace back at this net and adds its counts.
  // Throws std::invalid_argument for a null trace. Returns the appended trace.
  TNetTrace* AppendTrace(std::unique_ptr<TNetTrace> ATrace);

 private:
  int FId;
  std::string FName;
  TNetTraceList FTraces;
  int FSelectedTracesCount = 0;
  int FSegmentsCount = 0;
  int FSelectedSegmentsCount = 0;
};

using TNetItems = std::vector<std::unique_ptr<TNet>>;

class TNetList {
 public:
  TNetList() = default;
  virtual ~TNetList();
  TNetList(const TNetList&) = delete;
  TNetList& operator=(const TNetList&) = delete;

  const TNetItems& Items() const { return FItems; }
  int Count() const { return static_cast<int>(FItems.size()); }
  int TotalSelectedSegments() const { return FTotalSelectedSegments; }
  int TotalSelectedTraces() const { return FTotalSelectedTraces; }

  // Takes ownership and adds the net's selection counts to the totals.
  // Throws std::invalid_argument for a null net. Returns the appended net.
  TNet* AppendNet(std::unique_ptr<TNet> ANet);
  // The net at Index, or null when Index is outside 0 .. Count-1.
  TNet* GetNet(int Index) const;
  // The first net whose Name equals NetName exactly (letter case counts), or null.
  TNet* GetNamedNet(std::string_view NetName) const;
  // The first net whose Id equals NId, or null.
  TNet* GetIdItem(int NId) const;

 private:
  TNetItems FItems;
  int FTotalSelectedSegments = 0;
  int FTotalSelectedTraces = 0;
};
