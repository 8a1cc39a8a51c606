#pragma once
// The offset's loop removal with the same results as the step-by-step version, found from a
// grid of the ring's segments instead of comparing each segment with all earlier ones.
#include <vector>

#include "plugin/offset_reference.h"

namespace offset_loops {

// Cuts the self-intersection loops out of the closed ring R[0..last] with R[0] = R[last],
// point for point as offset_reference::RemoveLoops does.
void RemoveLoops(std::vector<TDPoint>& ring);
void RemoveLoops(std::vector<offset_reference::TOffsetEntry>& ring);

// The same, through the grid at any ring size (RemoveLoops leaves short rings to the plain
// search); for tests that compare the two on small rings.
void RemoveLoopsIndexed(std::vector<TDPoint>& ring);
void RemoveLoopsIndexed(std::vector<offset_reference::TOffsetEntry>& ring);

}  // namespace offset_loops
