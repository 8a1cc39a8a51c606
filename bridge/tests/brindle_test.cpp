// Drives Brindle.dll as a host does: it loads the DLL by name, registers callback objects
// laid out as the host's own compiler lays them out (a table of member-function pointers at
// offset 0, data at fixed offsets), calls the exports in the documented order, and lets the
// stand-in router.dll fire the engine's events at the relay object.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "bridge/tests/router_standin.h"

namespace {

// ---- The host's callback objects -------------------------------------------------------
using HostOperation = std::uint32_t(__thiscall*)(void* self);
struct RecordTable {
  HostOperation OnData;
  HostOperation OnDataDone;
  HostOperation OnSignal;
};
// The log and display objects have OnData only: the bridge must not look further.
struct DataOnlyTable {
  HostOperation OnData;
};

struct LogObject {
  const DataOnlyTable* table;
  std::int32_t code;
  const char* message;
  std::uint8_t tail[8];
};
struct DisplayObject {
  const DataOnlyTable* table;
  std::uint8_t flag;
  std::uint8_t afterFlag[3];
  std::uint8_t tail[8];
};
struct ViaObject {
  const RecordTable* table;
  std::int32_t f4, f8;
  std::uint8_t f12;
  std::uint8_t after12[3];
  std::int32_t f16, f20;
  std::uint8_t tail[8];
};
struct PathObject {
  const RecordTable* table;
  std::int32_t f4, f8;
  std::uint8_t f12;
  std::uint8_t after12[3];
  std::int32_t f16, f20, f24, f28, f32;
  std::uint8_t tail[8];
};
struct MarkObject {
  const RecordTable* table;
  std::int32_t f4, f8, f12, f16, f20;
  std::uint8_t tail[8];
};
// The host packs its double at offset 28, off its natural alignment.
#pragma pack(push, 4)
struct StatusObject {
  const RecordTable* table;
  std::int32_t f4, f8, f12, f16, f20, f24;
  double f28;
  std::uint8_t tail[8];
};
#pragma pack(pop)

static_assert(offsetof(LogObject, code) == 4 && offsetof(LogObject, message) == 8);
static_assert(offsetof(DisplayObject, flag) == 4 && offsetof(DisplayObject, tail) == 8);
static_assert(offsetof(ViaObject, f4) == 4 && offsetof(ViaObject, f8) == 8 &&
              offsetof(ViaObject, f12) == 12 && offsetof(ViaObject, f16) == 16 &&
              offsetof(ViaObject, f20) == 20 && offsetof(ViaObject, tail) == 24);
static_assert(offsetof(PathObject, f4) == 4 && offsetof(PathObject, f8) == 8 &&
              offsetof(PathObject, f12) == 12 && offsetof(PathObject, f16) == 16 &&
              offsetof(PathObject, f20) == 20 && offsetof(PathObject, f24) == 24 &&
              offsetof(PathObject, f28) == 28 && offsetof(PathObject, f32) == 32 &&
              offsetof(PathObject, tail) == 36);
static_assert(offsetof(MarkObject, f4) == 4 && offsetof(MarkObject, f8) == 8 &&
              offsetof(MarkObject, f12) == 12 && offsetof(MarkObject, f16) == 16 &&
              offsetof(MarkObject, f20) == 20 && offsetof(MarkObject, tail) == 24);
static_assert(offsetof(StatusObject, f4) == 4 && offsetof(StatusObject, f24) == 24 &&
              offsetof(StatusObject, f28) == 28 && offsetof(StatusObject, tail) == 36);

// What a callback object saw: which operation, on which thread, and all its bytes then.
enum class Op { Data, DataDone, Signal };
struct HostCall {
  const void* object;
  Op op;
  DWORD thread;
  std::vector<std::uint8_t> image;
};

std::mutex journalLock;
std::vector<HostCall> journal;
std::uint32_t logResult = 0;  // what the log object's OnData returns
// What the record objects' operations return: the bridge must not pass it on.
constexpr std::uint32_t NoiseResult = 0xFFFFFFFF;

std::vector<std::uint8_t> Image(const void* object, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(object);
  return {bytes, bytes + size};
}

void Note(void* self, Op op, std::size_t size) {
  std::lock_guard<std::mutex> hold(journalLock);
  journal.push_back({self, op, GetCurrentThreadId(), Image(self, size)});
}

std::vector<HostCall> TakeJournal() {
  std::lock_guard<std::mutex> hold(journalLock);
  return std::exchange(journal, {});
}

template <class T>
std::uint32_t __thiscall RecordOnData(void* self) {
  Note(self, Op::Data, sizeof(T));
  return NoiseResult;
}
template <class T>
std::uint32_t __thiscall RecordOnDataDone(void* self) {
  Note(self, Op::DataDone, sizeof(T));
  return NoiseResult;
}
template <class T>
std::uint32_t __thiscall RecordOnSignal(void* self) {
  Note(self, Op::Signal, sizeof(T));
  return NoiseResult;
}
std::uint32_t __thiscall LogOnData(void* self) {
  Note(self, Op::Data, sizeof(LogObject));
  return logResult;
}
std::uint32_t __thiscall DisplayOnData(void* self) {
  Note(self, Op::Data, sizeof(DisplayObject));
  return NoiseResult;
}

constexpr DataOnlyTable logTable{LogOnData};
constexpr DataOnlyTable displayTable{DisplayOnData};
constexpr RecordTable viaTable{RecordOnData<ViaObject>, RecordOnDataDone<ViaObject>,
                               RecordOnSignal<ViaObject>};
constexpr RecordTable pathTable{RecordOnData<PathObject>, RecordOnDataDone<PathObject>,
                                RecordOnSignal<PathObject>};
constexpr RecordTable markTable{RecordOnData<MarkObject>, RecordOnDataDone<MarkObject>,
                                RecordOnSignal<MarkObject>};
constexpr RecordTable statusTable{RecordOnData<StatusObject>, RecordOnDataDone<StatusObject>,
                                  RecordOnSignal<StatusObject>};

// Bytes the bridge has no business writing.
constexpr std::uint8_t Untouched = 0xA5;

template <class T, class Table>
void Prepare(T& object, const Table* table) {
  std::memset(static_cast<void*>(&object), Untouched, sizeof object);
  std::memcpy(static_cast<void*>(&object), &table, sizeof table);
}

std::int32_t Int32At(const std::uint8_t* bytes, std::size_t offset) {
  std::int32_t value;
  std::memcpy(&value, bytes + offset, sizeof value);
  return value;
}

std::uint32_t Word(const void* pointer) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

// ---- The DLL's exports, found by their undecorated names ---------------------------------
using RegisterExport = std::int32_t (*)(void* object);
using ArgumentExport = std::int32_t (*)(const void* argument);
using PlainExport = std::int32_t (*)();

template <class F>
F Find(HMODULE module, const char* name) {
  FARPROC address = GetProcAddress(module, name);
  F function;
  static_assert(sizeof function == sizeof address);
  std::memcpy(&function, &address, sizeof function);
  return function;
}

std::vector<StandinCall> EngineCalls() {
  std::vector<StandinCall> calls(standin_call_count());
  for (std::size_t i = 0; i < calls.size(); ++i)
    standin_get_call(static_cast<std::int32_t>(i), &calls[i]);
  return calls;
}

std::vector<StandinOutcome> Fire(const std::vector<StandinEvent>& events, bool ownThread) {
  std::vector<StandinOutcome> outcomes(events.size());
  const auto count = static_cast<std::int32_t>(events.size());
  if (ownThread) {
    EXPECT_EQ(standin_fire_on_own_thread(events.data(), count, outcomes.data()), 1);
  } else {
    standin_fire(events.data(), count, outcomes.data());
  }
  return outcomes;
}

StandinOutcome FireOne(StandinEvent event) { return Fire({event}, false)[0]; }

// A bool result lives in AL; the rest of EAX is undefined.
void ExpectFalseAndBalanced(const StandinOutcome& outcome) {
  EXPECT_EQ(outcome.fired, 1);
  EXPECT_EQ(outcome.eax & 0xFF, 0u);
  EXPECT_EQ(outcome.stackDelta, 0) << "the operation did not remove exactly its arguments";
}

class BrindleTest : public ::testing::Test {
 public:
  void SetUp() override {
    standin_reset();
    TakeJournal();
    logResult = 0;
    // A fresh load per test: the DLL's module state starts empty every time.
    module = LoadLibraryA("Brindle.dll");
    ASSERT_NE(module, nullptr) << "Brindle.dll not found beside the test, error "
                               << GetLastError();
    Init_log = Find<RegisterExport>(module, "Init_log");
    Init_via = Find<RegisterExport>(module, "Init_via");
    Init_path = Find<RegisterExport>(module, "Init_path");
    Init_mark = Find<RegisterExport>(module, "Init_mark");
    Init_display = Find<RegisterExport>(module, "Init_display");
    Init_status = Find<RegisterExport>(module, "Init_status");
    Init_Route = Find<PlainExport>(module, "Init_Route");
    Init_Host = Find<PlainExport>(module, "Init_Host");
    Load_File = Find<ArgumentExport>(module, "Load_File");
    Do_File = Find<ArgumentExport>(module, "Do_File");
    Send_Comm = Find<ArgumentExport>(module, "Send_Comm");
    Abort_Route = Find<PlainExport>(module, "Abort_Route");
    Destroy = Find<PlainExport>(module, "Destroy");
    SetTempPath = Find<ArgumentExport>(module, "SetTempPath");
    for (void* found : {(void*)Init_log, (void*)Init_via, (void*)Init_path, (void*)Init_mark,
                        (void*)Init_display, (void*)Init_status, (void*)Init_Route,
                        (void*)Init_Host, (void*)Load_File, (void*)Do_File, (void*)Send_Comm,
                        (void*)Abort_Route, (void*)Destroy, (void*)SetTempPath})
      ASSERT_NE(found, nullptr);
    Prepare(log, &logTable);
    Prepare(display, &displayTable);
    Prepare(via, &viaTable);
    Prepare(path, &pathTable);
    Prepare(mark, &markTable);
    Prepare(status, &statusTable);
  }

  void TearDown() override {
    // The engine stand-in outlives the DLL: make it forget the relay before it goes.
    if (module && Destroy) Destroy();
    if (module) FreeLibrary(module);
    standin_reset();
  }

  // The documented order: every callback object, then the engine, then the relay.
  void StartEngine() {
    EXPECT_EQ(Init_log(&log), 1);
    EXPECT_EQ(Init_via(&via), 1);
    EXPECT_EQ(Init_path(&path), 1);
    EXPECT_EQ(Init_mark(&mark), 1);
    EXPECT_EQ(Init_display(&display), 1);
    EXPECT_EQ(Init_status(&status), 1);
    EXPECT_EQ(Init_Route(), 1);
    EXPECT_EQ(Init_Host(), 1);
    ASSERT_NE(standin_host(), nullptr);
    standin_clear_calls();
  }

  HMODULE module = nullptr;
  RegisterExport Init_log{}, Init_via{}, Init_path{}, Init_mark{}, Init_display{}, Init_status{};
  PlainExport Init_Route{}, Init_Host{}, Abort_Route{}, Destroy{};
  ArgumentExport Load_File{}, Do_File{}, Send_Comm{}, SetTempPath{};

  LogObject log;
  DisplayObject display;
  ViaObject via;
  PathObject path;
  MarkObject mark;
  StatusObject status;
};

// ---- Exports -------------------------------------------------------------------------------

TEST_F(BrindleTest, OneArgumentExportsPassTheirArgumentUnchangedAndReturnOne) {
  StartEngine();
  static const char fileName[] = "C:\\boards\\demo.dsn";
  const struct {
    const char* name;
    ArgumentExport BrindleTest::*function;
    StandinFunction engineFunction;
  } exports[] = {
      {"Load_File", &BrindleTest::Load_File, StandinLoad},
      {"Do_File", &BrindleTest::Do_File, StandinDoFile},
      {"Send_Comm", &BrindleTest::Send_Comm, StandinCommand},
  };
  // The bridge never looks at the argument: a text, a null, or any 32-bit value passes.
  const void* arguments[] = {fileName, nullptr, reinterpret_cast<const void*>(0x87654321)};
  for (const auto& each : exports) {
    for (const void* argument : arguments) {
      SCOPED_TRACE(std::string(each.name) + " with " + std::to_string(Word(argument)));
      standin_clear_calls();
      EXPECT_EQ((this->*each.function)(argument), 1);
      const auto calls = EngineCalls();
      ASSERT_EQ(calls.size(), 1u);
      EXPECT_EQ(calls[0].function, each.engineFunction);
      EXPECT_EQ(calls[0].argument, argument);
    }
  }
}

TEST_F(BrindleTest, AbortRouteCallsTheEngineOnce) {
  StartEngine();
  EXPECT_EQ(Abort_Route(), 1);
  const auto calls = EngineCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].function, StandinAbort);
}

TEST_F(BrindleTest, InitRouteStartsTheEngineWithOneEmptyArgument) {
  for (int round = 0; round < 2; ++round) {
    standin_clear_calls();
    EXPECT_EQ(Init_Route(), 1);
    const auto calls = EngineCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].function, StandinInit);
    EXPECT_EQ(calls[0].number, 1);
    EXPECT_NE(calls[0].argument, nullptr);
    EXPECT_EQ(calls[0].firstArgumentLength, 0);
    EXPECT_STREQ(calls[0].firstArgument, "");
    EXPECT_EQ(calls[0].argvEnd, nullptr);
  }
}

TEST_F(BrindleTest, InitHostHandsTheRelayWith403AndReturnsTheEnginesResult) {
  EXPECT_EQ(Init_via(&via), 1);
  for (std::int32_t engineResult : {0, 1, -1, 0x12345678, INT_MIN}) {
    SCOPED_TRACE(engineResult);
    standin_clear_calls();
    standin_set_results(1, engineResult);
    EXPECT_EQ(Init_Host(), engineResult);
    const auto calls = EngineCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].function, StandinSetHost);
    EXPECT_EQ(calls[0].number, 403);
    ASSERT_NE(calls[0].argument, nullptr);
    EXPECT_EQ(calls[0].argument, standin_host());
    // What the engine got is a working relay.
    ExpectFalseAndBalanced(FireOne({SlotOnViaSignal, {}}));
    const auto seen = TakeJournal();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].object, &via);
    EXPECT_EQ(seen[0].op, Op::Signal);
  }
}

TEST_F(BrindleTest, InitHostAgainHandsTheSameRelayAgain) {
  EXPECT_EQ(Init_Host(), 1);
  EXPECT_EQ(Init_Host(), 1);
  const auto calls = EngineCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_NE(calls[0].argument, nullptr);
  EXPECT_EQ(calls[1].argument, calls[0].argument);
}

TEST_F(BrindleTest, LoadFileReportsTheEnginesVerdictWithCodeZeroAndAlwaysReturnsOne) {
  StartEngine();
  static const char fileName[] = "demo.dsn";
  const struct {
    std::int32_t engineResult;
    std::uint32_t logObjectResult;
    const char* message;
  } cases[] = {
      {1, 0, "File was loaded"},
      {-1, 1, "File was loaded"},
      {0x100, 0xDEADBEEF, "File was loaded"},
      {0, 0, "File load failed!!!"},
      {0, 0xDEADBEEF, "File load failed!!!"},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.engineResult);
    standin_clear_calls();
    standin_set_results(each.engineResult, 1);
    logResult = each.logObjectResult;
    log.code = 0x7777;
    log.message = nullptr;
    EXPECT_EQ(Load_File(fileName), 1);
    const auto calls = EngineCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].function, StandinLoad);
    EXPECT_EQ(calls[0].argument, fileName);
    const auto seen = TakeJournal();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].object, &log);
    EXPECT_EQ(seen[0].op, Op::Data);
    // Both fields were in place when OnData ran, and the text outlives the call.
    EXPECT_EQ(Int32At(seen[0].image.data(), 4), 0);
    const char* seenMessage;
    std::memcpy(&seenMessage, seen[0].image.data() + 8, sizeof seenMessage);
    ASSERT_NE(seenMessage, nullptr);
    EXPECT_STREQ(seenMessage, each.message);
    EXPECT_EQ(log.code, 0);
    EXPECT_EQ(log.message, seenMessage);
    for (std::uint8_t byte : log.tail) EXPECT_EQ(byte, Untouched);
  }
}

TEST_F(BrindleTest, LoadFileWithoutALogObjectStillLoadsAndReturnsOne) {
  EXPECT_EQ(Init_Host(), 1);
  standin_clear_calls();
  for (std::int32_t engineResult : {0, 1}) {
    standin_set_results(engineResult, 1);
    EXPECT_EQ(Load_File("demo.dsn"), 1);
  }
  EXPECT_EQ(EngineCalls().size(), 2u);
  EXPECT_TRUE(TakeJournal().empty());
}

TEST_F(BrindleTest, DestroyBeforeInitHostOrTwiceFreesNothingAndReturnsOne) {
  EXPECT_EQ(Destroy(), 1);
  EXPECT_EQ(Destroy(), 1);
  EXPECT_TRUE(EngineCalls().empty());
  EXPECT_EQ(Init_Host(), 1);
  EXPECT_EQ(Destroy(), 1);
  EXPECT_EQ(Destroy(), 1);
  // A new relay after Destroy works like the first.
  EXPECT_EQ(Init_via(&via), 1);
  EXPECT_EQ(Init_Host(), 1);
  const auto calls = EngineCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_NE(calls[1].argument, nullptr);
  ExpectFalseAndBalanced(FireOne({SlotOnViaSignal, {}}));
  EXPECT_EQ(TakeJournal().size(), 1u);
}

TEST_F(BrindleTest, SetTempPathReturnsOneAndChangesNothing) {
  StartEngine();
  for (const void* argument : {(const void*)nullptr, (const void*)"C:\\Temp\\"}) {
    EXPECT_EQ(SetTempPath(argument), 1);
  }
  EXPECT_TRUE(EngineCalls().empty());
  EXPECT_TRUE(TakeJournal().empty());
  // Registrations and the relay are as they were.
  logResult = 5;
  const auto outcome = FireOne({SlotOnLog, {7, Word("still here")}});
  EXPECT_EQ(outcome.eax, 5u);
  const auto seen = TakeJournal();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].object, &log);
}

TEST_F(BrindleTest, ARegistrationReplacesTheEarlierOne) {
  ViaObject first;
  Prepare(first, &viaTable);
  EXPECT_EQ(Init_via(&first), 1);
  StartEngine();  // registers `via` over `first`
  ExpectFalseAndBalanced(FireOne({SlotOnViaSignal, {}}));
  const auto seen = TakeJournal();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].object, &via);
}

TEST_F(BrindleTest, TheDllCarriesItsVersionBlock) {
  char dllPath[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(module, dllPath, MAX_PATH), 0u);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(dllPath, &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(dllPath, 0, size, block.data()));
  char* text = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\OriginalFilename",
                             reinterpret_cast<void**>(&text), &length));
  EXPECT_STREQ(text, "Brindle.dll");
}

// ---- Relay ---------------------------------------------------------------------------------

// One copied field: object offset (from the host's struct), record offset, width.
struct Field {
  std::size_t objectOffset, recordOffset, width;
};

TEST_F(BrindleTest, RecordEventsCopyEveryFieldToItsOffsetThenCallOnDataAndOnDataDone) {
  StartEngine();
  const struct {
    const char* name;
    std::int32_t slot;
    void* object;
    std::size_t objectSize;
    std::size_t recordSize;
    std::vector<Field> fields;
  } cases[] = {
      {"OnVia", SlotOnVia, &via, sizeof via, 20,
       {{offsetof(ViaObject, f4), 0, 4},
        {offsetof(ViaObject, f8), 4, 4},
        {offsetof(ViaObject, f12), 8, 1},
        {offsetof(ViaObject, f16), 12, 4},
        {offsetof(ViaObject, f20), 16, 4}}},
      {"OnPath", SlotOnPath, &path, sizeof path, 32,
       {{offsetof(PathObject, f4), 0, 4},
        {offsetof(PathObject, f8), 4, 4},
        {offsetof(PathObject, f12), 8, 1},
        {offsetof(PathObject, f16), 12, 4},
        {offsetof(PathObject, f20), 16, 4},
        {offsetof(PathObject, f24), 20, 4},
        {offsetof(PathObject, f28), 24, 4},
        {offsetof(PathObject, f32), 28, 4}}},
      {"OnMark", SlotOnMark, &mark, sizeof mark, 20,
       {{offsetof(MarkObject, f4), 0, 4},
        {offsetof(MarkObject, f8), 4, 4},
        {offsetof(MarkObject, f12), 8, 4},
        {offsetof(MarkObject, f16), 12, 4},
        {offsetof(MarkObject, f20), 16, 4}}},
      {"OnStatus", SlotOnStatus, &status, sizeof status, 32,
       {{offsetof(StatusObject, f4), 0, 4},
        {offsetof(StatusObject, f8), 4, 4},
        {offsetof(StatusObject, f12), 8, 4},
        {offsetof(StatusObject, f16), 12, 4},
        {offsetof(StatusObject, f20), 16, 4},
        {offsetof(StatusObject, f24), 20, 4},
        {offsetof(StatusObject, f28), 24, 8}}},
  };
  // Every record byte distinct and non-zero, the padding after 8-bit fields included.
  alignas(8) std::uint8_t recordBytes[32];
  for (std::size_t i = 0; i < sizeof recordBytes; ++i)
    recordBytes[i] = static_cast<std::uint8_t>(0x11 + i * 7);
  for (const auto& each : cases) {
    SCOPED_TRACE(each.name);
    std::vector<std::uint8_t> expected = Image(each.object, each.objectSize);
    for (const Field& field : each.fields)
      std::memcpy(expected.data() + field.objectOffset, recordBytes + field.recordOffset,
                  field.width);

    ExpectFalseAndBalanced(FireOne({each.slot, {Word(recordBytes), 0}}));

    const auto seen = TakeJournal();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].object, each.object);
    EXPECT_EQ(seen[0].op, Op::Data);
    EXPECT_EQ(seen[0].image, expected) << "every field is written before OnData";
    EXPECT_EQ(seen[1].object, each.object);
    EXPECT_EQ(seen[1].op, Op::DataDone);
    EXPECT_EQ(Image(each.object, each.objectSize), expected);
  }
  // The three bytes after each 8-bit field stay as the host left them.
  for (std::uint8_t byte : via.after12) EXPECT_EQ(byte, Untouched);
  for (std::uint8_t byte : path.after12) EXPECT_EQ(byte, Untouched);
  // The same seen through the host's named fields.
  EXPECT_EQ(via.f4, Int32At(recordBytes, 0));
  EXPECT_EQ(via.f12, recordBytes[8]);
  EXPECT_EQ(via.f20, Int32At(recordBytes, 16));
  EXPECT_EQ(path.f12, recordBytes[8]);
  EXPECT_EQ(path.f32, Int32At(recordBytes, 28));
  EXPECT_EQ(mark.f20, Int32At(recordBytes, 16));
  EXPECT_EQ(status.f24, Int32At(recordBytes, 20));
}

TEST_F(BrindleTest, OnStatusCopiesItsDoubleBitForBit) {
  StartEngine();
  const std::uint64_t patterns[] = {
      0x7FF0000000000ABCull,  // signalling NaN with payload: the FPU would quiet it
      0xFFF8DEADBEEF0001ull,  // negative quiet NaN with payload
      0x8000000000000000ull,  // negative zero
      0x0000000000000001ull,  // smallest subnormal
      0x7FEFFFFFFFFFFFFFull,  // largest finite
  };
  for (std::uint64_t bits : patterns) {
    SCOPED_TRACE(std::to_string(bits));
    alignas(8) std::uint8_t record[32] = {};
    std::memcpy(record + 24, &bits, sizeof bits);
    ExpectFalseAndBalanced(FireOne({SlotOnStatus, {Word(record), 0}}));
    std::uint64_t copied;
    std::memcpy(&copied, reinterpret_cast<const std::uint8_t*>(&status) + 28, sizeof copied);
    EXPECT_EQ(copied, bits);
    const auto seen = TakeJournal();
    ASSERT_EQ(seen.size(), 2u);
    std::memcpy(&copied, seen[0].image.data() + 28, sizeof copied);
    EXPECT_EQ(copied, bits);
    for (std::uint8_t byte : status.tail) EXPECT_EQ(byte, Untouched);
  }
}

TEST_F(BrindleTest, SignalEventsCallOnSignalAndWriteNothing) {
  StartEngine();
  const struct {
    std::int32_t slot;
    const void* object;
    std::size_t size;
  } cases[] = {
      {SlotOnViaSignal, &via, sizeof via},
      {SlotOnPathSignal, &path, sizeof path},
      {SlotOnMarkSignal, &mark, sizeof mark},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.slot);
    const auto before = Image(each.object, each.size);
    ExpectFalseAndBalanced(FireOne({each.slot, {}}));
    const auto seen = TakeJournal();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].object, each.object);
    EXPECT_EQ(seen[0].op, Op::Signal);
    EXPECT_EQ(Image(each.object, each.size), before);
  }
}

TEST_F(BrindleTest, OnDisplayStoresTheFlagByteOnly) {
  StartEngine();
  for (std::uint32_t flag : {0x00u, 0x01u, 0x80u, 0xFFu}) {
    SCOPED_TRACE(flag);
    // The engine's compiler pushes a whole word; only its low byte is the flag.
    ExpectFalseAndBalanced(FireOne({SlotOnDisplay, {0xC3D2E100u | flag, 0}}));
    const auto seen = TakeJournal();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].object, &display);
    EXPECT_EQ(seen[0].op, Op::Data);
    EXPECT_EQ(seen[0].image[4], flag);
    EXPECT_EQ(display.flag, flag);
    for (std::uint8_t byte : display.afterFlag) EXPECT_EQ(byte, Untouched);
    for (std::uint8_t byte : display.tail) EXPECT_EQ(byte, Untouched);
  }
}

TEST_F(BrindleTest, OnLogStoresCodeAndMessageAndReturnsTheLogObjectsResult) {
  StartEngine();
  static const char message[] = "routing pass 3";
  for (std::uint32_t result : {0u, 1u, 0xDEADBEEFu}) {
    SCOPED_TRACE(result);
    logResult = result;
    const std::int32_t code = static_cast<std::int32_t>(0x80000001u + result);
    const auto outcome = FireOne({SlotOnLog, {static_cast<std::uint32_t>(code), Word(message)}});
    EXPECT_EQ(outcome.fired, 1);
    EXPECT_EQ(outcome.eax, result);
    EXPECT_EQ(outcome.stackDelta, 0);
    const auto seen = TakeJournal();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].object, &log);
    EXPECT_EQ(seen[0].op, Op::Data);
    EXPECT_EQ(Int32At(seen[0].image.data(), 4), code);
    EXPECT_EQ(static_cast<std::uint32_t>(Int32At(seen[0].image.data(), 8)), Word(message));
    for (std::uint8_t byte : log.tail) EXPECT_EQ(byte, Untouched);
  }
}

// The nine events, with records marked by `round` so each delivery can be told apart.
struct Round {
  alignas(8) std::uint8_t via[20], path[32], mark[20], status[32];
  std::vector<StandinEvent> Events(std::uint32_t round) {
    for (std::uint8_t* record : {via, path, mark, status}) std::memcpy(record, &round, 4);
    return {{SlotOnVia, {Word(via), 0}},       {SlotOnPath, {Word(path), 0}},
            {SlotOnMark, {Word(mark), 0}},     {SlotOnViaSignal, {}},
            {SlotOnPathSignal, {}},            {SlotOnMarkSignal, {}},
            {SlotOnStatus, {Word(status), 0}}, {SlotOnDisplay, {round & 0xFF, 0}},
            {SlotOnLog, {round, Word("log")}}};
  }
};

TEST_F(BrindleTest, EventsForObjectsNeverRegisteredAreIgnored) {
  EXPECT_EQ(Init_Host(), 1);
  logResult = 0xDEADBEEF;
  Round records;
  const auto outcomes = Fire(records.Events(1), false);
  for (std::size_t i = 0; i + 1 < outcomes.size(); ++i) ExpectFalseAndBalanced(outcomes[i]);
  EXPECT_EQ(outcomes.back().eax, 0u) << "OnLog without a log object";
  EXPECT_EQ(outcomes.back().stackDelta, 0);
  EXPECT_TRUE(TakeJournal().empty());

  // Only the via object registered: only it hears anything.
  EXPECT_EQ(Init_via(&via), 1);
  for (const auto& outcome : Fire(records.Events(2), false)) EXPECT_EQ(outcome.stackDelta, 0);
  const auto seen = TakeJournal();
  ASSERT_EQ(seen.size(), 3u);
  for (const auto& call : seen) EXPECT_EQ(call.object, &via);
  EXPECT_EQ(seen[0].op, Op::Data);
  EXPECT_EQ(seen[1].op, Op::DataDone);
  EXPECT_EQ(seen[2].op, Op::Signal);
}

TEST_F(BrindleTest, RepeatedEventsFromEitherThreadArriveInOrderWithABalancedStack) {
  StartEngine();
  logResult = 0xDEADBEEF;
  constexpr std::uint32_t Rounds = 50;
  // (object, operation) each round of the nine events produces, in order.
  const std::vector<std::pair<const void*, Op>> perRound = {
      {&via, Op::Data},     {&via, Op::DataDone},    {&path, Op::Data},  {&path, Op::DataDone},
      {&mark, Op::Data},    {&mark, Op::DataDone},   {&via, Op::Signal}, {&path, Op::Signal},
      {&mark, Op::Signal},  {&status, Op::Data},     {&status, Op::DataDone},
      {&display, Op::Data}, {&log, Op::Data}};
  for (bool ownThread : {false, true}) {
    SCOPED_TRACE(ownThread ? "engine's own thread" : "calling thread");
    std::vector<Round> records(Rounds);
    std::vector<StandinEvent> events;
    for (std::uint32_t round = 0; round < Rounds; ++round)
      for (const StandinEvent& event : records[round].Events(round + 1)) events.push_back(event);

    const auto outcomes = Fire(events, ownThread);

    const DWORD engineThread = outcomes[0].threadId;
    if (ownThread) {
      EXPECT_NE(engineThread, GetCurrentThreadId());
    } else {
      EXPECT_EQ(engineThread, GetCurrentThreadId());
    }
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(outcomes[i].threadId, engineThread);
      if (events[i].slot == SlotOnLog) {
        EXPECT_EQ(outcomes[i].fired, 1);
        EXPECT_EQ(outcomes[i].eax, 0xDEADBEEFu);
        EXPECT_EQ(outcomes[i].stackDelta, 0);
      } else {
        ExpectFalseAndBalanced(outcomes[i]);
      }
    }

    const auto seen = TakeJournal();
    ASSERT_EQ(seen.size(), Rounds * perRound.size());
    for (std::size_t i = 0; i < seen.size(); ++i) {
      SCOPED_TRACE(i);
      const auto round = static_cast<std::int32_t>(i / perRound.size() + 1);
      const auto& [object, op] = perRound[i % perRound.size()];
      EXPECT_EQ(seen[i].object, object);
      EXPECT_EQ(seen[i].op, op);
      EXPECT_EQ(seen[i].thread, engineThread);
      // Each delivery carries its own round's record.
      if (op == Op::Data && object == &display) {
        EXPECT_EQ(seen[i].image[4], round & 0xFF);
      } else if (op == Op::Data) {
        EXPECT_EQ(Int32At(seen[i].image.data(), 4), round);
      }
    }
  }
}

}  // namespace
