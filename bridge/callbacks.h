#pragma once
// The host's callback objects. The host's compiler lays them out: a pointer to a table of
// member functions at offset 0 (OnData, OnDataDone, OnSignal, called with the object in ECX
// and no arguments), the data fields at fixed byte offsets after it. The bridge only writes
// those fields and calls through the table, so it sees the objects as raw bytes.
#include <cstddef>
#include <cstdint>
#include <span>

struct CallbackObject;  // opaque: the host owns and defines it

enum class CallbackKind { Log, Via, Path, Mark, Display, Status };
inline constexpr std::size_t CallbackKindCount = 6;

// One field of an engine record: copied to the same offset + 4 in the callback object.
struct RecordField {
  std::uint8_t offset;
  std::uint8_t width;  // 1, 4 or 8 bytes
};
// Where the callback object's fields start: offset 0 holds its table pointer.
inline constexpr std::size_t CallbackFieldsStart = 4;

// Registration, read by the relay on the engine's thread; empty until registered.
void RememberCallback(CallbackKind kind, CallbackObject* object);
CallbackObject* RegisteredCallback(CallbackKind kind);

// Copies each field of the record, byte for byte, into the object (nothing else is touched:
// the bytes after an 8-bit field stay as the host left them).
void CopyRecord(CallbackObject* object, const void* record, std::span<const RecordField> fields);
void WriteField(CallbackObject* object, std::size_t offset, const void* value, std::size_t width);

// The object's operations, in table order. Only OnData's result means anything (the log's).
std::uint32_t CallOnData(CallbackObject* object);
void CallOnDataDone(CallbackObject* object);
void CallOnSignal(CallbackObject* object);

// Writes code and message at the log object's offsets 4 and 8 and calls its OnData;
// returns what OnData returned, 0 when no log object is registered.
std::uint32_t DeliverLog(std::int32_t code, const void* message);
