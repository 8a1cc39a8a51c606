#include "plugin/nets.h"

#include <stdexcept>

namespace {

// Owned items go in list order, as the model was built, before the list itself.
template <typename T>
void ReleaseInOrder(std::vector<std::unique_ptr<T>>& items) {
  for (auto& item : items) item.reset();
  items.clear();
}

}  // namespace

TLineSegment::~TLineSegment() { FTrace = nullptr; }

TNetTrace::~TNetTrace() {
  ReleaseInOrder(FSegments);
  FNet = nullptr;
}

TLineSegment* TNetTrace::AppendSegment(std::unique_ptr<TLineSegment> ASegment) {
  if (!ASegment) throw std::invalid_argument("TNetTrace::AppendSegment: no segment");
  ASegment->SetTrace(this);
  if (ASegment->Selected()) ++FSelectedSegmentsCount;
  FSegments.push_back(std::move(ASegment));
  return FSegments.back().get();
}

TNet::~TNet() { ReleaseInOrder(FTraces); }

TNetTrace* TNet::AppendTrace(std::unique_ptr<TNetTrace> ATrace) {
  if (!ATrace) throw std::invalid_argument("TNet::AppendTrace: no trace");
  ATrace->SetNet(this);
  if (ATrace->Selected()) ++FSelectedTracesCount;
  FSegmentsCount += static_cast<int>(ATrace->Segments().size());
  FSelectedSegmentsCount += ATrace->SelectedSegmentsCount();
  FTraces.push_back(std::move(ATrace));
  return FTraces.back().get();
}

TNetList::~TNetList() { ReleaseInOrder(FItems); }

TNet* TNetList::AppendNet(std::unique_ptr<TNet> ANet) {
  if (!ANet) throw std::invalid_argument("TNetList::AppendNet: no net");
  FTotalSelectedSegments += ANet->SelectedSegmentsCount();
  FTotalSelectedTraces += ANet->SelectedTracesCount();
  FItems.push_back(std::move(ANet));
  return FItems.back().get();
}

TNet* TNetList::GetNet(int Index) const {
  if (Index < 0 || Index >= Count()) return nullptr;
  return FItems[static_cast<std::size_t>(Index)].get();
}

TNet* TNetList::GetNamedNet(std::string_view NetName) const {
  for (const auto& net : FItems)
    if (net->Name() == NetName) return net.get();
  return nullptr;
}

TNet* TNetList::GetIdItem(int NId) const {
  for (const auto& net : FItems)
    if (net->Id() == NId) return net.get();
  return nullptr;
}
