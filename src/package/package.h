// The package of sized records that a screensaver carries after its executable image, and the
// packages nested inside it ("LPC.res", "LPFiles.res").
//
// Layout: a 13-byte record marker, a 32-bit record count N, then N records, each a 32-bit size
// followed by that many bytes. All integers are little-endian and signed. The marker bytes are
// the characters of kPackageMarkerText each plus 1; only that shifted form is ever written, and
// this program holds only the plain text, so a scan of the executable cannot match itself.
#pragma once

#include <cstdint>
#include <functional>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_range.h"

namespace lpc {

inline constexpr char kPackageMarkerText[] = "{LPRESROURCE}";
inline constexpr int kPackageMarkerLength = 13;
// Reads and copies go through one buffer of this size.
inline constexpr int kPackageChunk = 1001;

// The 13 marker bytes as they stand in a package (computed at run time).
std::string PackageMarkerBytes();

// Finds the first record marker of the file. On success offset is the position just after it
// and value the 32-bit integer stored there (the record count). False when the file holds no
// marker or cannot be opened. A marker with fewer than 4 bytes after it is a truncated package:
// FormatError naming the file.
bool FindPackageMarker(const std::string& path, int64_t& offset, int32_t& value);

// One record of a package as it lies in the file.
struct PackageRecord {
  int64_t Offset = 0;  // of the record's first byte (after its size field)
  int64_t Size = 0;
};

// What ExtractPackageRecords did.
struct PackageExtractResult {
  int32_t RecordCount = 0;  // N as stored
  int Extracted = 0;        // records written (the smaller of N and the number of outputs)
  std::vector<PackageRecord> Records;  // where each record handled lies in the file
  bool CountMatches(size_t outputs) const {
    return RecordCount >= 0 && static_cast<size_t>(RecordCount) == outputs;
  }
};

// Copies the records after the file's first marker into the output files, record i into
// outputs[i], streaming through one kPackageChunk buffer. When N and the number of outputs
// differ, the records both have are written and the result says so; outputs without a record
// are removed, so a copy left by an earlier start cannot pass for this package's.
// Errors (each naming the file): no marker (FormatError "no package found"), a negative or
// truncated record (FormatError), an output that cannot be created (IOError).
// Each output is opened by create (PrivateWorkFolder::CreateOutput, so the run can remove it), or
// without it created as a fresh file that no link planted under its name can redirect.
using OutputCreator = std::function<std::ofstream(const std::string& path)>;
PackageExtractResult ExtractPackageRecords(const std::string& path,
                                           const std::vector<std::string>& outputs,
                                           const OutputCreator& create = {});
// The same for the package whose marker is the first in the byte range [begin, end) of path
// (end < 0: the end of the file), such as a package nested in a record of another: its records
// must lie inside the range. An empty output path skips its record: it is located, not written.
PackageExtractResult ExtractPackageRange(const std::string& path, int64_t begin, int64_t end,
                                         const std::vector<std::string>& outputs,
                                         const OutputCreator& create = {});

// The records of the package whose marker is the first in [begin, end) of range (end < 0: its
// end), as ExtractPackageRange finds them, without writing anything: the first `wanted` of them
// (all when wanted < 0) are located and checked, each inside [begin, end). Errors name the range.
PackageExtractResult LocatePackageRecords(const ByteRange& range, int64_t begin, int64_t end,
                                          int64_t wanted);

struct PackageIndex {
  int64_t MarkerOffset = 0;  // of the marker's first byte
  int32_t Count = 0;
  std::vector<PackageRecord> Records;
};

// The index of the package whose marker is the first one found in the byte range
// [begin, end) of the file (end < 0: the end of the file). Every record must lie inside the
// range. Errors name `name` (the file, or "file: record" for nested packages): no marker,
// a negative count or size, a record that runs past the range.
PackageIndex ReadPackageIndex(const std::string& path, int64_t begin = 0, int64_t end = -1,
                              const std::string& name = {});
// The same over a byte range (offsets relative to it); errors name the range.
PackageIndex ReadPackageIndex(const ByteRange& range, int64_t begin = 0, int64_t end = -1);

// Writes range into a new file out_path, made through create (without it, as a fresh file no
// planted link redirects). IOError naming out_path when it cannot be written.
void WriteRangeToFile(const ByteRange& range, const std::string& out_path,
                      const OutputCreator& create = {});

// Reads size bytes at offset; at most max_bytes (FormatError beyond that, before allocating).
std::string ReadFileRange(const std::string& path, int64_t offset, int64_t size,
                          int64_t max_bytes = int64_t{1} << 26);
// Copies size bytes at offset into a new file out_path, chunk by chunk. progress (when set) is
// told the bytes of every chunk written.
void CopyFileRange(const std::string& path, int64_t offset, int64_t size,
                   const std::string& out_path,
                   const std::function<void(uint64_t)>& progress = {});

// Builds a package for writing. Records are bytes held in memory, files copied when written,
// or nested packages; sizes are known before anything is written, so even a package of
// hundreds of megabytes streams straight to its output.
class PackageBuilder {
 public:
  void AddBytes(std::string bytes);
  // The file's size is taken now; a file that changes before Write is an IOError then.
  void AddFile(const std::string& path);
  void AddPackage(PackageBuilder package);

  size_t RecordCount() const { return items_.size(); }
  // Total bytes Write produces.
  int64_t Size() const;

  // Appends the package to out (a binary stream). Errors: IOError naming out_name or the
  // source file; a record of 2 GiB or more cannot be stored (FormatError).
  void Write(std::ostream& out, const std::string& out_name,
             const std::function<void(uint64_t)>& progress = {}) const;
  // The whole package in memory (small packages only).
  std::string ToBytes() const;

 private:
  struct Item {
    std::string bytes;
    std::string path;
    int64_t file_size = 0;
    std::shared_ptr<PackageBuilder> nested;
    int64_t Size() const;
  };
  std::vector<Item> items_;
};

// Content file names from the text of "LPFilenames.res": the file-name part of each line (lines
// end in CR LF; a lone LF or a lone CR also ends one). A line whose file-name part could leave the folder it
// is unpacked into ("", "..", a drive) is refused: FormatError naming `name` and the line.
std::vector<std::string> ContentFileNames(std::string_view text, const std::string& name);
inline constexpr int64_t kMaxContentNamesBytes = int64_t{1} << 24;
// The same, read from the file (at most kMaxContentNamesBytes).
std::vector<std::string> ReadContentFileNames(const std::string& path);

}  // namespace lpc
