#pragma once
// Walks the records of a package: a signed 32-bit length n, then n bytes of zlib stream
// (n > 0) or -n stored bytes (n <= 0); the content is a header text, a NUL, then the file's
// bytes. The data of each record reaches a sink in pieces of at most RecordPieceSize
// (256 KiB), so a record of any inflated size needs no more memory than that.
//
// The walk stops at the first record that cannot be trusted: a length reaching beyond the
// package, a damaged zlib stream, or a name that is not a plain file name. Nothing is written
// here; a sink that writes files joins only names that passed IsPlainFileName to its folder.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "stub/package/byte_source.h"

class TGFileInfo;

inline constexpr std::size_t RecordPieceSize = 256 * 1024;
// A record header longer than this holds no usable file name.
inline constexpr std::size_t MaxRecordHeader = 64 * 1024;

// A name that names one file inside a folder: not empty, not "." or ".." (nor only dots and
// blanks, which the file system reduces to nothing), no "\", "/" or ":", no control
// character or any of < > " | ? *, and no reserved device name (CON, PRN, AUX, NUL, COM0-9,
// LPT0-9, CONIN$, CONOUT$, also with an extension or trailing blanks).
bool IsPlainFileName(std::string_view name);

struct TRecordInfo {
  int Index = 0;               // counted from 0 among the records (header blocks excluded)
  std::uint64_t Offset = 0;    // file offset of the length word
  std::uint32_t StoredSize = 0;
  bool Compressed = false;
  std::string Header;          // the text before the NUL
  std::string Name;            // the file name (before any "*", trimmed)
  std::string EngineHeader;    // the header or name with "*" for the engine record, else empty
  std::int64_t Stamp = 0;      // item 1 of the header; 0 when absent or unreadable
};

class RecordSink {
 public:
  enum class TAction { Deliver, Skip };
  // A record with a header (records with an empty header are passed over): Deliver to get
  // its data, Skip to pass over it unread.
  virtual TAction BeginRecord(const TRecordInfo& record) = 0;
  // A piece of the record's data; false stops the walk (a failed write, a cancel).
  virtual bool Data(const char* bytes, std::size_t size) = 0;
  // The end of a delivered record; complete is false when the walk stopped inside it.
  virtual void EndRecord(bool complete) = 0;

 protected:
  ~RecordSink() = default;
};

enum class TRecordStatus {
  Ok,
  NoPackage,      // no trailer or a wrong magic
  Truncated,      // a length word or content reaches beyond the package
  DamagedStream,  // the zlib stream does not inflate
  BadName,        // a record name that is not a plain file name (or a header far too long)
  ReadFailed,     // the file gave fewer bytes than it holds
  Stopped,        // the sink asked to stop
};

std::string_view RecordStatusText(TRecordStatus status);

struct TRecordWalk {
  TRecordStatus Status = TRecordStatus::Ok;
  int Records = 0;                  // records met, those with an empty header included
  std::uint64_t RecordsStart = 0;   // offset just after the header blocks
  std::string EngineHeader;         // of the last engine record met
  // Where and why the walk stopped: the record's index and name, zlib's message.
  int FailedIndex = -1;
  std::uint64_t FailedOffset = 0;
  std::string FailedName;
  std::string Message;
  bool ok() const { return Status == TRecordStatus::Ok; }
};

// Walks the records of the package info was read from (file must be that same file).
TRecordWalk ReadRecords(ByteSource& file, const TGFileInfo& info, RecordSink& sink);
