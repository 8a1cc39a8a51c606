#include "stub/package/package_records.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <zlib.h>

#include "stub/package/gfileinfo.h"
#include "stub/support/strings.h"
#include "stub/support/sub.h"

bool IsPlainFileName(std::string_view name) {
  if (name.empty()) return false;
  if (name.find_first_not_of(". ") == std::string_view::npos) return false;
  for (const char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 32 || std::string_view("\\/:<>\"|?*").find(ch) != std::string_view::npos) return false;
  }
  std::string base(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  const std::string upper = UpperCase(base);
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (upper == device) return false;
  }
  if (upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
      upper[3] >= '0' && upper[3] <= '9') {
    return false;
  }
  return true;
}

std::string_view RecordStatusText(TRecordStatus status) {
  switch (status) {
    case TRecordStatus::Ok: return "ok";
    case TRecordStatus::NoPackage: return "no package";
    case TRecordStatus::Truncated: return "length beyond the package";
    case TRecordStatus::DamagedStream: return "damaged zlib stream";
    case TRecordStatus::BadName: return "record name is not a plain file name";
    case TRecordStatus::ReadFailed: return "read failed";
    case TRecordStatus::Stopped: return "stopped";
  }
  return "?";
}

namespace {

// Splits a record's content into header and data and hands the data on.
class ContentSplitter {
 public:
  ContentSplitter(RecordSink& sink, TRecordInfo& info, TRecordWalk& walk)
      : FSink(sink), FInfo(info), FWalk(walk) {}

  // False when the walk must stop (status set in walk).
  bool Feed(const char* p, std::size_t n) {
    if (FPhase == Phase::Header) {
      const void* nul = std::memchr(p, '\0', n);
      const std::size_t take = nul ? static_cast<const char*>(nul) - p : n;
      if (FInfo.Header.size() + take > MaxRecordHeader) {
        return Fail(TRecordStatus::BadName, "record header longer than 65,536 bytes");
      }
      FInfo.Header.append(p, take);
      if (!nul) return true;
      p += take + 1;
      n -= take + 1;
      if (!StartRecord()) return false;
    }
    if (FPhase == Phase::Deliver && n > 0 && !FSink.Data(p, n)) {
      FSink.EndRecord(false);
      FPhase = Phase::Discard;
      return Fail(TRecordStatus::Stopped, {});
    }
    return true;
  }

  // The content ended normally.
  void Finish() {
    if (FPhase == Phase::Deliver) FSink.EndRecord(true);
    FPhase = Phase::Discard;
  }

  // The walk stopped inside the record.
  bool Fail(TRecordStatus status, std::string message) {
    if (FPhase == Phase::Deliver) FSink.EndRecord(false);
    FPhase = Phase::Discard;
    FWalk.Status = status;
    FWalk.Message = std::move(message);
    FWalk.FailedIndex = FInfo.Index;
    FWalk.FailedOffset = FInfo.Offset;
    FWalk.FailedName = FInfo.Name.empty() ? FInfo.Header : FInfo.Name;
    return false;
  }

  bool Skipped() const { return FSkipped; }

 private:
  enum class Phase { Header, Deliver, Discard };

  bool StartRecord() {
    FPhase = Phase::Discard;
    if (FInfo.Header.empty()) return true;  // no header: nothing is written
    if (FInfo.Header.find('*') != std::string::npos) FInfo.EngineHeader = FInfo.Header;
    FInfo.Name = SUB::Item(FInfo.Header, 0);
    FInfo.Stamp = SUB::ItemInt(FInfo.Header, 1, 0);
    const std::size_t star = FInfo.Name.find('*');
    if (star != std::string::npos) {
      FInfo.EngineHeader = FInfo.Name;
      FInfo.Name = Trim(std::string_view(FInfo.Name).substr(0, star));
    }
    if (!IsPlainFileName(FInfo.Name)) {
      return Fail(TRecordStatus::BadName, "\"" + FInfo.Name + "\"");
    }
    if (!FInfo.EngineHeader.empty()) FWalk.EngineHeader = FInfo.EngineHeader;
    if (FSink.BeginRecord(FInfo) == RecordSink::TAction::Deliver) {
      FPhase = Phase::Deliver;
    } else {
      FSkipped = true;
    }
    return true;
  }

  RecordSink& FSink;
  TRecordInfo& FInfo;
  TRecordWalk& FWalk;
  Phase FPhase = Phase::Header;
  bool FSkipped = false;
};

struct InflateStream {
  z_stream Z{};
  bool Open = false;
  InflateStream() { Open = inflateInit(&Z) == Z_OK; }
  ~InflateStream() {
    if (Open) inflateEnd(&Z);
  }
  InflateStream(const InflateStream&) = delete;
  InflateStream& operator=(const InflateStream&) = delete;
};

bool ReadStored(ByteSource& file, std::uint64_t pos, std::uint32_t size, ContentSplitter& split,
                std::vector<char>& in) {
  std::uint64_t done = 0;
  while (done < size) {
    if (split.Skipped()) return true;
    const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(in.size(), size - done));
    if (!ReadExact(file, pos + done, in.data(), piece)) {
      return split.Fail(TRecordStatus::ReadFailed, {});
    }
    if (!split.Feed(in.data(), piece)) return false;
    done += piece;
  }
  split.Finish();
  return true;
}

bool ReadCompressed(ByteSource& file, std::uint64_t pos, std::uint32_t size, ContentSplitter& split,
                    std::vector<char>& in, std::vector<char>& out) {
  InflateStream stream;
  if (!stream.Open) return split.Fail(TRecordStatus::DamagedStream, "inflateInit failed");
  z_stream& z = stream.Z;
  std::uint64_t done = 0;
  int rc = Z_OK;
  while (rc != Z_STREAM_END) {
    if (split.Skipped()) return true;
    if (z.avail_in == 0) {
      if (done == size) return split.Fail(TRecordStatus::DamagedStream, "zlib stream ends early");
      const std::size_t piece =
          static_cast<std::size_t>(std::min<std::uint64_t>(in.size(), size - done));
      if (!ReadExact(file, pos + done, in.data(), piece)) {
        return split.Fail(TRecordStatus::ReadFailed, {});
      }
      done += piece;
      z.next_in = reinterpret_cast<Bytef*>(in.data());
      z.avail_in = static_cast<uInt>(piece);
    }
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    rc = inflate(&z, Z_NO_FLUSH);
    // What was inflated before a fault goes on first, so the sink sees where it broke.
    const std::size_t produced = out.size() - z.avail_out;
    if (produced > 0 && !split.Feed(out.data(), produced)) return false;
    if (rc == Z_NEED_DICT || rc == Z_DATA_ERROR || rc == Z_MEM_ERROR || rc == Z_STREAM_ERROR) {
      return split.Fail(TRecordStatus::DamagedStream,
                        z.msg ? z.msg : rc == Z_NEED_DICT ? "needs a dictionary" : "inflate failed");
    }
    // Z_BUF_ERROR only says no progress was possible; more input is fetched above.
  }
  split.Finish();
  return true;
}

}  // namespace

TRecordWalk ReadRecords(ByteSource& file, const TGFileInfo& info, RecordSink& sink) {
  TRecordWalk walk;
  if (!info.HasPackage()) {
    walk.Status = TRecordStatus::NoPackage;
    return walk;
  }
  const std::uint64_t end = std::min<std::uint64_t>(info.Bounds().End, file.Size());
  if (end < TrailerBytes) {
    walk.Status = TRecordStatus::Truncated;
    return walk;
  }
  const std::uint64_t dataEnd = end - TrailerBytes;
  const int blockCount = info.BlockCount();
  std::vector<char> in(RecordPieceSize), out(RecordPieceSize);

  std::uint64_t pos = info.PackageStart();
  int count = 0;
  while (pos < dataEnd) {
    std::uint32_t word = 0;
    if (dataEnd - pos < 4 || !ReadU32(file, pos, word)) {
      walk.Status = TRecordStatus::Truncated;
      walk.FailedOffset = pos;
      return walk;
    }
    const auto n = static_cast<std::int32_t>(word);
    const std::uint32_t size = n > 0 ? static_cast<std::uint32_t>(n) : 0u - static_cast<std::uint32_t>(n);
    const std::uint64_t contentAt = pos + 4;
    ++count;
    if (size > dataEnd - contentAt) {
      walk.Status = TRecordStatus::Truncated;
      walk.FailedIndex = count > blockCount ? count - blockCount - 1 : -1;
      walk.FailedOffset = pos;
      return walk;
    }
    if (count <= blockCount) {
      pos = contentAt + size;
      if (count == blockCount) walk.RecordsStart = pos;
      continue;
    }
    TRecordInfo record;
    record.Index = count - blockCount - 1;
    record.Offset = pos;
    record.StoredSize = size;
    record.Compressed = n > 0;
    ++walk.Records;
    ContentSplitter split(sink, record, walk);
    const bool go = record.Compressed ? ReadCompressed(file, contentAt, size, split, in, out)
                                      : ReadStored(file, contentAt, size, split, in);
    if (!go) return walk;
    pos = contentAt + size;
  }
  if (count < blockCount) walk.RecordsStart = pos;
  return walk;
}
