// The fourteen exports the host calls (C calling convention, undecorated names through
// Brindle.def). Each forwards to the engine or records a callback object.
#include <cstdint>
#include <new>

#include "bridge/callbacks.h"
#include "bridge/relay.h"
#include "bridge/router.h"

namespace {

// The engine keeps the relay object it was given; only Destroy frees it.
VEvuvuriVodiDazovoz* relay = nullptr;

// Static texts: the host may keep the message pointer after OnData returns.
constexpr char FileLoadedText[] = "File was loaded";
constexpr char FileLoadFailedText[] = "File load failed!!!";

std::int32_t Remember(CallbackKind kind, CallbackObject* object) {
  RememberCallback(kind, object);
  return 1;
}

}  // namespace

extern "C" {

std::int32_t Init_log(CallbackObject* object) { return Remember(CallbackKind::Log, object); }
std::int32_t Init_via(CallbackObject* object) { return Remember(CallbackKind::Via, object); }
std::int32_t Init_path(CallbackObject* object) { return Remember(CallbackKind::Path, object); }
std::int32_t Init_mark(CallbackObject* object) { return Remember(CallbackKind::Mark, object); }
std::int32_t Init_display(CallbackObject* object) {
  return Remember(CallbackKind::Display, object);
}
std::int32_t Init_status(CallbackObject* object) {
  return Remember(CallbackKind::Status, object);
}

std::int32_t Init_Route() {
  // One empty argument. The array also ends with a null entry, as a C argv does, so an
  // engine that walks argv to its end stops there. Writable and static: the engine may
  // keep or edit it.
  static char emptyArgument[1] = "";
  static char* argv[2] = {emptyArgument, nullptr};
  rivirod_init(1, argv);
  return 1;
}

std::int32_t Init_Host() {
  // The engine may still hold the relay from an earlier Init_Host, so that one is handed
  // over again rather than replaced: freeing it could pull it from under a running engine,
  // keeping it would leak one object per call. It has no state, so one serves all.
  if (!relay) relay = new (std::nothrow) VEvuvuriVodiDazovoz;
  if (!relay) return 0;
  return rivirod_sethost(relay, RouterHostVersion);
}

std::int32_t Load_File(const void* argument) {
  const bool loaded = rivirod_load(argument) != 0;
  DeliverLog(0, loaded ? FileLoadedText : FileLoadFailedText);
  return 1;
}

std::int32_t Do_File(const void* argument) {
  rivirod_dofile(argument);
  return 1;
}

std::int32_t Send_Comm(const void* argument) {
  rivirod_command(argument);
  return 1;
}

std::int32_t Abort_Route() {
  rivirod_abort();
  return 1;
}

std::int32_t Destroy() {
  delete relay;
  relay = nullptr;
  return 1;
}

std::int32_t SetTempPath(const void*) { return 1; }

}  // extern "C"
