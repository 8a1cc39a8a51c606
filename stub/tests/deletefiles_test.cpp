#include "stub/support/deletefiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

namespace {

// A file tree in memory with the rules of the real one: a read-only file is not deleted, a
// folder goes only when empty, a link's target is another tree.
class FakeFiles final : public FileDeletion {
 public:
  std::map<std::string, std::uint32_t> Entries;  // full path -> attributes
  std::vector<std::string> Log;

  void AddFile(const std::string& path, std::uint32_t attributes = AttrArchive) {
    Entries[path] = attributes;
  }
  void AddFolder(const std::string& path, std::uint32_t attributes = 0) {
    Entries[path] = AttrDirectory | attributes;
  }
  bool Has(const std::string& path) const { return Entries.count(path) != 0; }

  static std::string Parent(const std::string& p) {
    const auto at = p.find_last_of('\\');
    return at == std::string::npos ? std::string() : p.substr(0, at);
  }
  static bool Matches(const std::string& pattern, const std::string& name) {
    if (pattern == "*" || pattern == "*.*") return true;
    if (pattern.size() > 1 && pattern[0] == '*') {
      const std::string tail = pattern.substr(1);
      return name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
    }
    if (pattern.size() > 1 && pattern.back() == '*') {
      const std::string head = pattern.substr(0, pattern.size() - 1);
      return name.compare(0, head.size(), head) == 0;
    }
    return pattern == name;
  }

  std::vector<TFoundEntry> Find(const std::string& mask) override {
    const std::string folder = Parent(mask), pattern = mask.substr(folder.size() + 1);
    std::vector<TFoundEntry> found;
    if (pattern == "*") {
      found.push_back({".", AttrDirectory});
      found.push_back({"..", AttrDirectory});
    }
    for (const auto& [path, attr] : Entries) {
      if (Parent(path) != folder) continue;
      const std::string name = path.substr(folder.size() + 1);
      if (Matches(pattern, name)) found.push_back({name, attr});
    }
    return found;
  }
  bool SetNormalAttributes(const std::string& path) override {
    const auto it = Entries.find(path);
    if (it == Entries.end()) return false;
    it->second = (it->second & (AttrDirectory | AttrReparsePoint)) | AttrNormal;
    return true;
  }
  bool RemoveFile(const std::string& path) override {
    const auto it = Entries.find(path);
    if (it == Entries.end() || (it->second & (AttrDirectory | AttrReadOnly))) return false;
    Entries.erase(it);
    Log.push_back("del " + path);
    return true;
  }
  bool RemoveFolder(const std::string& path) override {
    const auto it = Entries.find(path);
    if (it == Entries.end() || !(it->second & AttrDirectory)) return false;
    for (const auto& [p, a] : Entries) {
      if (Parent(p) == path) return false;
    }
    Entries.erase(it);
    Log.push_back("rd " + path);
    return true;
  }
  bool FolderExists(const std::string& path) override {
    const auto it = Entries.find(path);
    return it != Entries.end() && (it->second & AttrDirectory);
  }
};

TEST(DeleteFiles, EveryMatchingFileWhateverItsAttributes) {
  struct Case {
    const char* mask;
    bool clear, result;
    std::set<std::string> left;
  } cases[] = {
      {"C:\\D\\x.log.*", false, true,
       {"C:\\D", "C:\\D\\x.log", "C:\\D\\ro.txt", "C:\\D\\x.log.ro", "C:\\D\\x.log.dir", "C:\\D\\h.txt"}},
      {"C:\\D\\x.log.*", true, true,
       {"C:\\D", "C:\\D\\x.log", "C:\\D\\ro.txt", "C:\\D\\x.log.dir", "C:\\D\\h.txt"}},
      {"C:\\D\\*.txt", true, true,
       {"C:\\D", "C:\\D\\x.log", "C:\\D\\x.log.1", "C:\\D\\x.log.22", "C:\\D\\x.log.ro",
        "C:\\D\\x.log.dir"}},
      {"C:\\D\\*.none", true, false,
       {"C:\\D", "C:\\D\\x.log", "C:\\D\\x.log.1", "C:\\D\\x.log.22", "C:\\D\\x.log.ro",
        "C:\\D\\x.log.dir", "C:\\D\\ro.txt", "C:\\D\\h.txt"}},
      {"", true, false,
       {"C:\\D", "C:\\D\\x.log", "C:\\D\\x.log.1", "C:\\D\\x.log.22", "C:\\D\\x.log.ro",
        "C:\\D\\x.log.dir", "C:\\D\\ro.txt", "C:\\D\\h.txt"}},
  };
  for (const Case& c : cases) {
    FakeFiles fs;
    fs.AddFolder("C:\\D");
    fs.AddFile("C:\\D\\x.log");
    fs.AddFile("C:\\D\\x.log.1", AttrHidden | AttrSystem);
    fs.AddFile("C:\\D\\x.log.22", AttrNormal);
    fs.AddFile("C:\\D\\x.log.ro", AttrReadOnly);
    fs.AddFolder("C:\\D\\x.log.dir");
    fs.AddFile("C:\\D\\ro.txt", AttrReadOnly | AttrHidden);
    fs.AddFile("C:\\D\\h.txt", AttrHidden);
    EXPECT_EQ(DeleteFiles(fs, c.mask, c.clear), c.result) << c.mask;
    std::set<std::string> left;
    for (const auto& [p, a] : fs.Entries) left.insert(p);
    EXPECT_EQ(left, c.left) << c.mask << (c.clear ? " clear" : "");
  }
}

TEST(DeleteFolder, WholeTreeWithPausesBetweenSubfolders) {
  FakeFiles fs;
  fs.AddFolder("C:\\Setup", AttrReadOnly);
  fs.AddFile("C:\\Setup\\a.txt", AttrReadOnly);
  fs.AddFile("C:\\Setup\\b.bin", AttrHidden);
  fs.AddFolder("C:\\Setup\\one");
  fs.AddFile("C:\\Setup\\one\\c.txt");
  fs.AddFolder("C:\\Setup\\one\\deep", AttrHidden);
  fs.AddFile("C:\\Setup\\one\\deep\\d.txt", AttrSystem);
  fs.AddFolder("C:\\Setup\\two");
  fs.AddFolder("C:\\Keep");
  fs.AddFile("C:\\Keep\\k.txt");
  int pauses = 0;
  EXPECT_TRUE(DeleteFolder(fs, "C:\\Setup\\", [&] { ++pauses; }));
  EXPECT_EQ(std::set<std::string>({"C:\\Keep", "C:\\Keep\\k.txt"}),
            [&] {
              std::set<std::string> s;
              for (const auto& [p, a] : fs.Entries) s.insert(p);
              return s;
            }());
  EXPECT_EQ(pauses, 3);  // after one, one\deep and two
  EXPECT_EQ(fs.Log.back(), "rd C:\\Setup");
  // Files of a folder go before its subfolders.
  const auto pos = [&](const std::string& e) {
    return std::find(fs.Log.begin(), fs.Log.end(), e) - fs.Log.begin();
  };
  EXPECT_LT(pos("del C:\\Setup\\a.txt"), pos("del C:\\Setup\\one\\c.txt"));
  EXPECT_LT(pos("rd C:\\Setup\\one\\deep"), pos("rd C:\\Setup\\one"));
}

TEST(DeleteFolder, LinkIsRemovedButItsTargetKept) {
  FakeFiles fs;
  fs.AddFolder("C:\\Setup");
  fs.AddFolder("C:\\Setup\\link", AttrReparsePoint);
  // What the link shows is the target's content; the fake lists it under the link's path.
  fs.AddFile("C:\\Setup\\link\\precious.doc");
  fs.AddFile("C:\\Setup\\x.txt");
  DeleteFolder(fs, "C:\\Setup", nullptr);
  EXPECT_TRUE(fs.Has("C:\\Setup\\link\\precious.doc"));
  EXPECT_FALSE(fs.Has("C:\\Setup\\x.txt"));
}

TEST(DeleteFolder, RefusesRootsAndMissingFolders) {
  const char* refused[] = {"", "\\", "C:", "C:\\", "c:/", "\\\\server\\share", "\\\\server\\share\\",
                           "\\\\server", "C:\\Missing"};
  for (const char* folder : refused) {
    FakeFiles fs;
    fs.AddFolder("C:");
    fs.AddFolder("C:\\");
    fs.AddFolder("\\");
    fs.AddFolder("");
    fs.AddFolder("\\\\server\\share");
    fs.AddFolder("\\\\server");
    fs.AddFile("C:\\boot.ini");
    fs.AddFile("\\\\server\\share\\data.db");
    const auto before = fs.Entries;
    EXPECT_FALSE(DeleteFolder(fs, folder, nullptr)) << folder;
    EXPECT_EQ(fs.Entries, before) << folder;
  }
}

TEST(DeleteFolder, FalseWhenSomethingStays) {
  // A file that cannot be deleted (in use, say) keeps the folder: the answer is false.
  class Stubborn final : public FileDeletion {
   public:
    FakeFiles Inner;
    std::vector<TFoundEntry> Find(const std::string& m) override { return Inner.Find(m); }
    bool SetNormalAttributes(const std::string& p) override { return Inner.SetNormalAttributes(p); }
    bool RemoveFile(const std::string& p) override {
      return p.find("busy") == std::string::npos && Inner.RemoveFile(p);
    }
    bool RemoveFolder(const std::string& p) override { return Inner.RemoveFolder(p); }
    bool FolderExists(const std::string& p) override { return Inner.FolderExists(p); }
  } fs;
  fs.Inner.AddFolder("C:\\Setup");
  fs.Inner.AddFile("C:\\Setup\\busy.exe");
  fs.Inner.AddFile("C:\\Setup\\free.txt");
  EXPECT_FALSE(DeleteFolder(fs, "C:\\Setup", nullptr));
  EXPECT_TRUE(fs.Inner.Has("C:\\Setup\\busy.exe"));
  EXPECT_FALSE(fs.Inner.Has("C:\\Setup\\free.txt"));
}

}  // namespace
