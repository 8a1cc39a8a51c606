#pragma once
// Polygon offset: grows a closed outline with mitred corners, or shrinks it with rounded
// reflex corners, and cuts away the loops that long corner moves create.
#include "plugin/common.h"

// Delta >= 0 grows the outline in place; Delta < 0 shrinks it by -Delta.
void OffsetPolygon(TDPointList& Points, double Delta);
// Replaces the list by its inward offset by Distance (> 0).
void ShrinkPolygon(TDPointList& Points, double Distance);
