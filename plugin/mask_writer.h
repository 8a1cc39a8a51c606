#pragma once
// Mask opening generation: which segments and shapes of a region get an opening, which of
// them would lose it under a negative swell, and the Shape elements written for them.
#include "plugin/run_state.h"
#include "plugin/xml.h"

// Region index, the position in the window's region list.
enum : int { RegionSegments = 0, RegionTraces = 1, RegionNets = 2 };
inline constexpr int RegionCount = 3;
// "Selected Segments", "Selected Traces", "Selected Nets"; "" out of range.
const char* RegionText(int region);

// Two segment ends meet when both coordinates differ by at most this (document units).
inline constexpr double JoinTolerance = 1e-8;
bool PointsCoincide(const TDPoint& a, const TDPoint& b, double tolerance);
// Equal widths for joining: relative 1e-12, at least 1e-12 absolute.
bool WidthsEqual(double a, double b);

// Whether the region writes the segment of that trace and net (Correct marks included).
bool RegionWritesSegment(int Region, const TNet& net, const TNetTrace& trace, const TLineSegment& segment);

// Appends the segments of the region whose opening would vanish and sets their PredSize.
void FindIncompatibleSegments(RunState& state, int Region);
// Appends the shapes that do not survive the (negative) swell.
void FindIncompatibleShapes(RunState& state);

// The region writers add Shape elements under Source/Board/Shapes of the open document and
// return how many they added. Missing "Source" or "Board" raises EXmlError.
int MaskSelectedSegments(RunState& state);
int MaskSelectedTraces(RunState& state);
int MaskSelectedNets(RunState& state);
int MaskRegion(RunState& state, int Region);
// Fills a new Shape element from one segment; an arc clears ShapeElement and OpeningSegment,
// a straight segment becomes the opening segment. The element belongs to the run's document.
void WriteSegmentShape(RunState& state, TXmlNode& ShapeElement, const TLineSegment& Segment,
                       const TLineSegment*& OpeningSegment);
// Adds the pieces of every enabled shape; returns how many Shape elements it added.
int WriteSelectedShapes(RunState& state);
// Fills a new Shape element of the run's document from one shape.
void WriteShapeNode(RunState& state, TXmlNode ShapeElement, const TShapeBase& Shape);

// The "Layer" attribute of an opening: "Top Mask", "Bottom Mask" or "-1".
const char* MaskLayerText(TSolderMaskLayer layer);
