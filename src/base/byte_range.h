// The bytes a reader takes: a whole file, a range of one (a record read where it lies in the
// program file), or a buffer in memory. Every read is checked against the range before anything
// is read or allocated, so a reader can trust nothing its input says about sizes.
//
// Files held in place: the runtime reads its content where it lies in its own program file, but
// under the names the content would have in its work folder. A name held in place is found by
// ByteRange::OfFile, ReadFileBytes, FileExists and FileSize as if it were a file of its own, so
// every name the runtime hands on (the show's list, a thumbnail's title, an error message) stays
// what it always was. Only what needs a real file (a player that takes a path) gets one, through
// the work folder.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace lpc {

class ByteRange {
 public:
  // All of a file, or the range a name held in place stands for. FileNotFoundError
  // "<path>: File not found" when it is neither.
  static ByteRange OfFile(const std::string& path);
  // size bytes at offset of the file at path (which stays open for every range made from this
  // one). ReadError naming `name` when the range does not lie inside the file.
  static ByteRange OfFilePart(const std::string& path, int64_t offset, int64_t size,
                              std::string name);
  // A buffer the caller keeps alive for as long as the range is used.
  static ByteRange OfMemory(std::string_view bytes, std::string name);

  ByteRange() = default;

  // What errors name: the file, or "file (record)".
  const std::string& name() const { return name_; }
  int64_t size() const { return size_; }
  // The file the range lies in ("" for memory), and where.
  const std::string& file() const;
  int64_t offset() const { return offset_; }

  // Copies n bytes at offset (relative to the range). ReadError
  // "<name>: Read beyond end of file" when they are not all inside it.
  void Read(int64_t offset, void* out, int64_t n) const;
  // n bytes at offset; at most max_bytes (FormatError beyond that, before allocating).
  std::string ReadString(int64_t offset, int64_t n, int64_t max_bytes = int64_t{1} << 26) const;
  // The whole range; FormatError naming it when larger than max_bytes.
  std::string ReadAll(int64_t max_bytes) const;
  // Part of this range, read through the same file or buffer. ReadError when it leaves it.
  ByteRange Sub(int64_t offset, int64_t size, std::string name) const;

 private:
  struct OpenFile;
  std::string name_;
  std::shared_ptr<OpenFile> file_;
  std::string_view memory_;
  int64_t offset_ = 0;
  int64_t size_ = 0;
};

// Makes path (a name in a work folder) stand for range until released. A later hold of the
// same name replaces the earlier one, as a later file of that name would replace the first.
void HoldFileInPlace(const std::string& path, const ByteRange& range);
// The range path stands for, if it is held in place.
std::optional<ByteRange> FileInPlace(const std::string& path);
// Releases one name, or every name in folder (a path ending in a separator).
void ReleaseFileInPlace(const std::string& path);
void ReleaseFilesInPlace(const std::string& folder);

}  // namespace lpc
