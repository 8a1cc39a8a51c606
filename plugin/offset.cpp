#include "plugin/offset.h"

#include "plugin/offset_reference.h"

// For now the offset is the step-by-step version itself.
void OffsetPolygon(TDPointList& Points, double Delta) { offset_reference::Offset(Points, Delta); }

void ShrinkPolygon(TDPointList& Points, double Distance) {
  offset_reference::Shrink(Points, Distance);
}

bool SegmentsIntersect(const TDPoint& A1, const TDPoint& A2, const TDPoint& B1, const TDPoint& B2,
                       TDPoint& X) {
  return offset_reference::SegmentsIntersect(A1, A2, B1, B2, X);
}

void AlignAngle(double Ref, double& A) { offset_reference::AlignAngle(Ref, A); }
