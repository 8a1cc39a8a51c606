#include "stub/support/ejectcd.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "stub/tests/system_log_capture.h"

namespace {

class FakeCd final : public CdDevices {
 public:
  std::set<char> CdDrives{'E'};
  bool ReadWriteOpens = true, ReadOpens = true, EjectWorks = true;
  std::vector<std::string> Events;

  bool IsCdRomDrive(char letter) override {
    Events.push_back(std::string("type ") + letter);
    return CdDrives.count(letter) != 0;
  }
  std::intptr_t OpenDevice(const std::string& device, bool readWrite) override {
    Events.push_back((readWrite ? "open rw " : "open r ") + device);
    return (readWrite ? ReadWriteOpens : ReadOpens) ? (readWrite ? 88 : 44) : InvalidDevice;
  }
  bool EjectMedia(std::intptr_t handle) override {
    Events.push_back("eject " + std::to_string(handle));
    return EjectWorks;
  }
  void CloseDevice(std::intptr_t handle) override {
    Events.push_back("close " + std::to_string(handle));
  }
};

TEST(EjectCD, OpensEjectsAndCloses) {
  struct Case {
    const char* path;
    bool rw, r, eject, result;
    std::vector<std::string> events;
    std::vector<std::string> log;
  } cases[] = {
      {"e:\\setup.exe", true, true, true, true,
       {"type E", "open rw \\\\.\\E:", "eject 88", "close 88"},
       {"EjectCD-2: \\\\.\\E: 88", "EjectCD-3: \\\\.\\E: 88"}},
      {"E:", false, true, true, true,
       {"type E", "open rw \\\\.\\E:", "open r \\\\.\\E:", "eject 44", "close 44"},
       {"EjectCD-2: \\\\.\\E: -1", "EjectCD-3: \\\\.\\E: 44"}},
      {"E:\\", true, true, false, false,
       {"type E", "open rw \\\\.\\E:", "eject 88", "close 88"},
       {"EjectCD-2: \\\\.\\E: 88", "EjectCD-3: \\\\.\\E: 88"}},
      // Neither open works: no request on a dead handle.
      {"E:\\", false, false, true, false,
       {"type E", "open rw \\\\.\\E:", "open r \\\\.\\E:"},
       {"EjectCD-2: \\\\.\\E: -1", "EjectCD-3: \\\\.\\E: -1"}},
      // Refused before any device is touched.
      {"C:\\", true, true, true, false, {"type C"}, {}},
      {"1:\\", true, true, true, false, {}, {}},
      {"\\\\server\\cd", true, true, true, false, {}, {}},
      {"", true, true, true, false, {}, {}},
  };
  for (const Case& c : cases) {
    FakeCd cd;
    cd.ReadWriteOpens = c.rw;
    cd.ReadOpens = c.r;
    cd.EjectWorks = c.eject;
    DebugLogCapture log;
    EXPECT_EQ(EjectCD(cd, c.path), c.result) << c.path;
    EXPECT_EQ(cd.Events, c.events) << c.path;
    EXPECT_EQ(log.Lines(), c.log) << c.path;
  }
}

TEST(EjectCD, AFailingDeviceYieldsFalseAndIsClosed) {
  class Throwing final : public CdDevices {
   public:
    bool Closed = false;
    bool IsCdRomDrive(char) override { return true; }
    std::intptr_t OpenDevice(const std::string&, bool) override { return 5; }
    bool EjectMedia(std::intptr_t) override { throw std::runtime_error("device error"); }
    void CloseDevice(std::intptr_t) override { Closed = true; }
  } cd;
  DebugLogCapture log;
  EXPECT_FALSE(EjectCD(cd, "F:"));
  EXPECT_TRUE(cd.Closed);
}

}  // namespace
