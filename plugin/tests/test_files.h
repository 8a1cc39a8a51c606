#pragma once
// Small file helpers for the board tests: a fresh folder per test, whole-file reads and writes.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::filesystem::path U8Path(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(U8Path(path), std::ios::binary);
  out << bytes;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(U8Path(path), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A new empty folder under the system's temporary folder, removed with its contents.
struct TempFolder {
  std::string path;
  TempFolder() {
    static std::atomic<int> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    auto p = std::filesystem::temp_directory_path() /
             ("morvane-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(p);
    auto u8 = p.u8string();
    path.assign(u8.begin(), u8.end());
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(U8Path(path), ec);
  }
  std::string File(const std::string& name) const { return path + "/" + name; }
  // Names of the entries in the folder, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(U8Path(path))) {
      auto u8 = e.path().filename().u8string();
      names.emplace_back(u8.begin(), u8.end());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};
