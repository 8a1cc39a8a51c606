#include "bridge/relay.h"

#include "bridge/callbacks.h"

namespace {

// Byte layouts of the engine's records. The three bytes after each 8-bit field are padding
// on the engine's side and are neither read nor written.
constexpr RecordField ViaFields[] = {{0, 4}, {4, 4}, {8, 1}, {12, 4}, {16, 4}};
constexpr RecordField PathFields[] = {{0, 4},  {4, 4},  {8, 1},  {12, 4},
                                      {16, 4}, {20, 4}, {24, 4}, {28, 4}};
constexpr RecordField MarkFields[] = {{0, 4}, {4, 4}, {8, 4}, {12, 4}, {16, 4}};
constexpr RecordField StatusFields[] = {{0, 4},  {4, 4},  {8, 4}, {12, 4},
                                        {16, 4}, {20, 4}, {24, 8}};

// Every field is in place before the object hears of the record.
void RelayRecord(CallbackKind kind, const void* record, std::span<const RecordField> fields) {
  CallbackObject* object = RegisteredCallback(kind);
  if (!object) return;
  CopyRecord(object, record, fields);
  CallOnData(object);
  CallOnDataDone(object);
}

void RelaySignal(CallbackKind kind) {
  if (CallbackObject* object = RegisteredCallback(kind)) CallOnSignal(object);
}

}  // namespace

bool VEvuvuriVodiDazovoz::OnVia(const ViaRecord* record) {
  RelayRecord(CallbackKind::Via, record, ViaFields);
  return false;
}

bool VEvuvuriVodiDazovoz::OnPath(const PathRecord* record) {
  RelayRecord(CallbackKind::Path, record, PathFields);
  return false;
}

bool VEvuvuriVodiDazovoz::OnMark(const MarkRecord* record) {
  RelayRecord(CallbackKind::Mark, record, MarkFields);
  return false;
}

bool VEvuvuriVodiDazovoz::OnViaSignal() {
  RelaySignal(CallbackKind::Via);
  return false;
}

bool VEvuvuriVodiDazovoz::OnPathSignal() {
  RelaySignal(CallbackKind::Path);
  return false;
}

bool VEvuvuriVodiDazovoz::OnMarkSignal() {
  RelaySignal(CallbackKind::Mark);
  return false;
}

bool VEvuvuriVodiDazovoz::OnStatus(const StatusRecord* record) {
  RelayRecord(CallbackKind::Status, record, StatusFields);
  return false;
}

bool VEvuvuriVodiDazovoz::OnDisplay(std::uint8_t flag) {
  if (CallbackObject* display = RegisteredCallback(CallbackKind::Display)) {
    WriteField(display, 4, &flag, sizeof flag);
    CallOnData(display);
  }
  return false;
}

std::uint32_t VEvuvuriVodiDazovoz::OnLog(std::int32_t code, const void* message) {
  return DeliverLog(code, message);
}
