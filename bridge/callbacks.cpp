#include "bridge/callbacks.h"

#include <atomic>
#include <cstring>

namespace {

// The host registers on its thread, the engine calls back on its own: atomics make a
// registration visible there without a lock (the bridge takes none).
std::atomic<CallbackObject*> registered[CallbackKindCount];

using Operation = std::uint32_t(__thiscall*)(CallbackObject* self);

enum : std::size_t { OnDataSlot = 0, OnDataDoneSlot = 1, OnSignalSlot = 2 };

Operation TableEntry(CallbackObject* object, std::size_t slot) {
  const Operation* table;
  std::memcpy(&table, object, sizeof table);
  return table[slot];
}

unsigned char* Bytes(CallbackObject* object) { return reinterpret_cast<unsigned char*>(object); }

}  // namespace

void RememberCallback(CallbackKind kind, CallbackObject* object) {
  registered[static_cast<std::size_t>(kind)].store(object, std::memory_order_release);
}

CallbackObject* RegisteredCallback(CallbackKind kind) {
  return registered[static_cast<std::size_t>(kind)].load(std::memory_order_acquire);
}

void WriteField(CallbackObject* object, std::size_t offset, const void* value, std::size_t width) {
  // A byte copy: a double never passes through the FPU, which would quiet a signalling NaN.
  std::memcpy(Bytes(object) + offset, value, width);
}

void CopyRecord(CallbackObject* object, const void* record, std::span<const RecordField> fields) {
  const auto* source = static_cast<const unsigned char*>(record);
  for (const RecordField& field : fields)
    WriteField(object, CallbackFieldsStart + field.offset, source + field.offset, field.width);
}

std::uint32_t CallOnData(CallbackObject* object) { return TableEntry(object, OnDataSlot)(object); }
void CallOnDataDone(CallbackObject* object) { TableEntry(object, OnDataDoneSlot)(object); }
void CallOnSignal(CallbackObject* object) { TableEntry(object, OnSignalSlot)(object); }

std::uint32_t DeliverLog(std::int32_t code, const void* message) {
  CallbackObject* log = RegisteredCallback(CallbackKind::Log);
  if (!log) return 0;
  WriteField(log, 4, &code, sizeof code);
  WriteField(log, 8, &message, sizeof message);
  return CallOnData(log);
}
