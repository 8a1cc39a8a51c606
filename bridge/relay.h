#pragma once
// The relay object the engine calls back through. `VAvideziRazi` is the engine's host
// interface: the engine calls its nine operations through the table pointer, in this order,
// with the object in ECX and the arguments on the stack, which the callee removes (the
// platform's member-call convention, spelled out so no compiler default can change it).
// No virtual destructor: it would add entries to the table the engine indexes.
#include <cstdint>

// The engine's event records; the bridge copies their fields without looking inside.
struct ViaRecord;
struct PathRecord;
struct MarkRecord;
struct StatusRecord;

class VAvideziRazi {
 public:
  virtual bool __thiscall OnVia(const ViaRecord* record) = 0;
  virtual bool __thiscall OnPath(const PathRecord* record) = 0;
  virtual bool __thiscall OnMark(const MarkRecord* record) = 0;
  virtual bool __thiscall OnViaSignal() = 0;
  virtual bool __thiscall OnPathSignal() = 0;
  virtual bool __thiscall OnMarkSignal() = 0;
  virtual bool __thiscall OnStatus(const StatusRecord* record) = 0;
  virtual bool __thiscall OnDisplay(std::uint8_t flag) = 0;
  virtual std::uint32_t __thiscall OnLog(std::int32_t code, const void* message) = 0;

 protected:
  ~VAvideziRazi() = default;
};

// Copies each event into the callback object the host registered for it and calls that
// object; an event for an object that was never registered is dropped.
class VEvuvuriVodiDazovoz final : public VAvideziRazi {
 public:
  bool __thiscall OnVia(const ViaRecord* record) override;
  bool __thiscall OnPath(const PathRecord* record) override;
  bool __thiscall OnMark(const MarkRecord* record) override;
  bool __thiscall OnViaSignal() override;
  bool __thiscall OnPathSignal() override;
  bool __thiscall OnMarkSignal() override;
  bool __thiscall OnStatus(const StatusRecord* record) override;
  bool __thiscall OnDisplay(std::uint8_t flag) override;
  std::uint32_t __thiscall OnLog(std::int32_t code, const void* message) override;
};

static_assert(sizeof(VEvuvuriVodiDazovoz) == 4, "the relay object is its table pointer only");
