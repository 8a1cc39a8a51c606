#include "plugin/nets.h"

#include <new>
#include <stdexcept>

namespace {

// Owned items go in list order, as the model was built, before the list itself.
template <typename T, typename D>
void ReleaseInOrder(std::vector<std::unique_ptr<T, D>>& items) {
  for (auto& item : items) item.reset();
  items.clear();
}

}  // namespace

TLineSegment::~TLineSegment() { FTrace = nullptr; }

void TSegmentRelease::operator()(TLineSegment* segment) const noexcept {
  if (segment->FInBlock) {
    segment->TLineSegment::~TLineSegment();  // made as a TLineSegment exactly
  } else {
    delete segment;
  }
}

TNetTrace::~TNetTrace() {
  ReleaseInOrder(FSegments);
  ::operator delete(FBlock);
  FNet = nullptr;
}

TLineSegment* TNetTrace::AppendSegment(std::unique_ptr<TLineSegment> ASegment) {
  if (!ASegment) throw std::invalid_argument("TNetTrace::AppendSegment: no segment");
  ASegment->SetTrace(this);
  if (ASegment->Selected()) ++FSelectedSegmentsCount;
  FSegments.emplace_back(ASegment.release());
  return FSegments.back().get();
}

void TNetTrace::ReserveSegments(int count) {
  if (count <= 0) return;
  FSegments.reserve(FSegments.size() + static_cast<std::size_t>(count));
  // A block already in use stays: its segments are listed.
  if (FBlock) return;
  FBlock = static_cast<TLineSegment*>(::operator new(sizeof(TLineSegment) * static_cast<std::size_t>(count)));
  FBlockSize = count;
}

TLineSegment* TNetTrace::AppendNewSegment(bool selected) {
  TLineSegment* segment;
  if (FBlockUsed < FBlockSize) {
    segment = new (FBlock + FBlockUsed) TLineSegment();
    segment->FInBlock = true;
    ++FBlockUsed;
  } else {
    segment = new TLineSegment();
  }
  TLineSegmentList::value_type owned(segment);  // released again should the list not grow
  FSegments.push_back(std::move(owned));
  segment->FTrace = this;
  segment->FSelected = selected;
  if (selected) ++FSelectedSegmentsCount;
  return segment;
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
