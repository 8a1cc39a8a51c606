#pragma once
// Polygon offset: grows a closed outline with mitred corners, or shrinks it with rounded
// reflex corners, and cuts away the loops that long corner moves create.
#include "plugin/common.h"

// Delta >= 0 grows the outline in place; Delta < 0 shrinks it by -Delta.
void OffsetPolygon(TDPointList& Points, double Delta);
// Replaces the list by its inward offset by Distance (> 0).
void ShrinkPolygon(TDPointList& Points, double Distance);

// Crossing of the segments A1-A2 and B1-B2 (touching at an end counts). Parallel lines,
// overlapping ones included, give false with X at (+inf, +inf).
bool SegmentsIntersect(const TDPoint& A1, const TDPoint& A2, const TDPoint& B1, const TDPoint& B2,
                       TDPoint& X);
// Moves A by whole turns so that it differs from Ref by at most pi.
void AlignAngle(double Ref, double& A);

// The steps of the offset (neighbour search, corner points, grow, loop removal and the
// shrink's clean-up) are in plugin/offset_reference.h.
