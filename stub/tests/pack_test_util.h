#pragma once
// A scratch folder for the pack tool's tests, removed afterwards.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "stub/pack/pack_files.h"
#include "stub/support/strings.h"

class TScratch {
 public:
  TScratch() {
    std::random_device rd;
    FRoot = std::filesystem::temp_directory_path() /
            ("tallowin_pack_" + std::to_string(rd()) + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 100000));
    std::filesystem::create_directories(FRoot);
  }
  ~TScratch() {
    std::error_code ec;
    std::filesystem::remove_all(FRoot, ec);
  }
  std::string Path(const std::string& name) const { return JoinPath(FRoot.string(), name); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::string p = Path(name);
    std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return p;
  }
  std::string Read(const std::string& path) const {
    std::string bytes;
    ReadWholeFile(path, bytes);
    return bytes;
  }

 private:
  std::filesystem::path FRoot;
};
