#include "package/package.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "base/errors.h"
#include "base/fileio.h"
#include "base/paths.h"
#include "base/text_encoding.h"
#include "platform/folders.h"
#include "package/binary_io.h"

namespace fs = std::filesystem;

namespace lpc {

namespace {

// Opens a file for binary reading; FileNotFoundError naming it when that fails.
std::ifstream OpenForReading(const std::string& path) {
  std::ifstream in(FsPath(path), std::ios::binary);
  if (!in) throw FileNotFoundError(path + ": " + kFileNotFound);
  return in;
}

int64_t StreamSize(std::ifstream& in) {
  in.clear();
  in.seekg(0, std::ios::end);
  const int64_t size = static_cast<int64_t>(in.tellg());
  in.seekg(0, std::ios::beg);
  return size < 0 ? 0 : size;
}

// Scans [begin, end) for the first marker, a block at a time; the last bytes of each block are
// kept, so a marker that spans two reads is found. Returns the offset just after the marker, or
// -1. The marker has one "{" only, at its start, so the first occurrence of its bytes is the
// first place a byte-by-byte match would complete.
int64_t ScanForMarker(std::istream& in, int64_t begin, int64_t end) {
  constexpr size_t kBlock = size_t{1} << 20;
  constexpr size_t kCarry = kPackageMarkerLength - 1;
  const std::string marker = PackageMarkerBytes();
  // The marker's first byte is rare in a program file: memchr finds each candidate at memory
  // speed and only those are compared in full.
  const auto search = [&marker](const char* first, const char* last) {
    const char lead = marker[0];
    const size_t n = marker.size();
    while (static_cast<size_t>(last - first) >= n) {
      const void* at = std::memchr(first, lead, static_cast<size_t>(last - first) - n + 1);
      if (!at) return last;
      const char* hit = static_cast<const char*>(at);
      if (std::memcmp(hit + 1, marker.data() + 1, n - 1) == 0) return hit;
      first = hit + 1;
    }
    return last;
  };
  const size_t span = end < 0 ? kBlock : static_cast<size_t>(std::max<int64_t>(end - begin, 0));
  std::vector<char> buffer(std::min(kBlock, span) + kCarry);
  const size_t block = buffer.size() - kCarry;
  in.clear();
  in.seekg(begin);
  size_t kept = 0;      // bytes carried over at the start of buffer
  int64_t pos = begin;  // file offset of the byte after the last one read
  while (end < 0 || pos < end) {
    int64_t want = static_cast<int64_t>(block);
    if (end >= 0) want = std::min<int64_t>(want, end - pos);
    in.read(buffer.data() + kept, want);
    const int64_t got = in.gcount();
    if (got <= 0) break;
    const size_t total = kept + static_cast<size_t>(got);
    const char* first = buffer.data();
    const char* last = first + total;
    const char* hit = search(first, last);
    pos += got;
    if (hit != last) return pos - static_cast<int64_t>(last - hit) + kPackageMarkerLength;
    kept = std::min(total, kCarry);
    std::memmove(buffer.data(), last - kept, kept);
  }
  return -1;
}

std::string RecordLabel(int index, int32_t count) {
  return Format("record %d of %d", index + 1, count);
}

// Copies exactly size bytes from in (already positioned) to out. False when the input ends
// early; out keeps what was read.
bool CopyBytes(std::istream& in, std::ostream& out, int64_t size,
               const std::function<void(uint64_t)>& progress, int chunk = kPackageChunk) {
  // No bigger than the record: small records are the common case.
  std::vector<char> buffer(static_cast<size_t>(std::clamp<int64_t>(size, 1, chunk)));
  int64_t copied = 0;
  while (copied < size) {
    const int64_t want = std::min<int64_t>(chunk, size - copied);
    in.read(buffer.data(), want);
    const int64_t got = in.gcount();
    if (got <= 0) return false;
    out.write(buffer.data(), got);
    copied += got;
    if (progress) progress(static_cast<uint64_t>(got));
  }
  return true;
}

}  // namespace

std::string PackageMarkerBytes() {
  // volatile keeps the compiler from folding the shifted marker into this program's image,
  // where a scan of the executable would find it before the real package.
  static volatile int shift = 1;
  std::string bytes;
  for (int k = 0; k < kPackageMarkerLength; ++k) {
    bytes.push_back(static_cast<char>((static_cast<uint8_t>(kPackageMarkerText[k]) + shift) & 0xFF));
  }
  return bytes;
}

bool FindPackageMarker(const std::string& path, int64_t& offset, int32_t& value) {
  std::ifstream in(FsPath(path), std::ios::binary);
  if (!in) return false;
  const int64_t after = ScanForMarker(in, 0, -1);
  if (after < 0) return false;
  in.clear();
  in.seekg(after);
  char raw[4];
  in.read(raw, 4);
  if (in.gcount() != 4) {
    throw FormatError(path, "package truncated: the record count after the marker is missing");
  }
  offset = after;
  value = GetInt32(raw);
  return true;
}

PackageExtractResult ExtractPackageRecords(const std::string& path,
                                           const std::vector<std::string>& outputs,
                                           const OutputCreator& create) {
  return ExtractPackageRange(path, 0, -1, outputs, create);
}

PackageExtractResult ExtractPackageRange(const std::string& path, int64_t begin, int64_t end,
                                         const std::vector<std::string>& outputs,
                                         const OutputCreator& create) {
  std::ifstream in(FsPath(path), std::ios::binary);
  if (!in) throw FileNotFoundError(path + ": " + kFileNotFound);
  const int64_t file_size = StreamSize(in);
  if (end < 0 || end > file_size) end = file_size;
  begin = std::clamp<int64_t>(begin, 0, end);
  const int64_t offset = ScanForMarker(in, begin, end);
  if (offset < 0) {
    std::error_code ec;
    if (!fs::is_regular_file(FsPath(path), ec))
      throw FileNotFoundError(path + ": " + kFileNotFound);
    throw FormatError(path, "no package found (the file has no record marker)");
  }
  char raw[4];
  in.clear();
  in.seekg(offset);
  int64_t pos = offset;
  if (end - pos < 4 || !in.read(raw, 4)) {
    throw FormatError(path, "package truncated: the record count after the marker is missing");
  }
  pos += 4;
  const int32_t count = GetInt32(raw);

  PackageExtractResult result;
  result.RecordCount = count;
  const int64_t wanted = count <= 0 ? 0 : std::min<int64_t>(count, static_cast<int64_t>(outputs.size()));
  for (int i = 0; i < wanted; ++i) {
    if (end - pos < 4 || !in.read(raw, 4)) {
      throw FormatError(path, "package truncated: the size of " + RecordLabel(i, count) +
                                  " is missing");
    }
    pos += 4;
    const int32_t size = GetInt32(raw);
    if (size < 0) {
      throw FormatError(path, Format("%s has a negative size (%d)", RecordLabel(i, count).c_str(), size));
    }
    if (size > end - pos) {
      throw FormatError(path, Format("package truncated: %s declares %d bytes but only %lld remain",
                                     RecordLabel(i, count).c_str(), size,
                                     static_cast<long long>(end - pos)));
    }
    result.Records.push_back({pos, size});
    const std::string& output = outputs[static_cast<size_t>(i)];
    if (output.empty()) {
      in.seekg(pos + size);
    } else {
      std::ofstream out;
      if (create) {
        out = create(output);
      } else if (platform::CreateFreshFile(output)) {
        out.open(FsPath(output), std::ios::binary | std::ios::trunc);
      }
      if (!out.is_open()) throw IOError(output + ": cannot create the file");
      const bool complete = CopyBytes(in, out, size, {}, 1 << 20);
      out.close();
      if (!out) throw IOError(output + ": write failed");
      if (!complete) {
        throw FormatError(path, "package truncated inside " + RecordLabel(i, count));
      }
    }
    pos += size;
    ++result.Extracted;
  }
  for (size_t i = static_cast<size_t>(result.Extracted); i < outputs.size(); ++i) {
    if (outputs[i].empty()) continue;
    std::error_code ignored;
    fs::remove(FsPath(outputs[i]), ignored);
  }
  return result;
}

PackageIndex ReadPackageIndex(const std::string& path, int64_t begin, int64_t end,
                              const std::string& name) {
  const std::string label = name.empty() ? path : name;
  std::ifstream in = OpenForReading(path);
  const int64_t file_size = StreamSize(in);
  if (end < 0 || end > file_size) end = file_size;
  begin = std::clamp<int64_t>(begin, 0, end);
  const int64_t after = ScanForMarker(in, begin, end);
  if (after < 0) throw FormatError(label, "no package found (no record marker)");

  PackageIndex index;
  index.MarkerOffset = after - kPackageMarkerLength;
  int64_t pos = after;
  char raw[4];
  auto read_int = [&](const std::string& what) {
    if (end - pos < 4) throw FormatError(label, "package truncated: " + what + " is missing");
    in.clear();
    in.seekg(pos);
    in.read(raw, 4);
    if (in.gcount() != 4) throw FormatError(label, "package truncated: " + what + " is missing");
    pos += 4;
    return GetInt32(raw);
  };
  index.Count = read_int("the record count");
  if (index.Count < 0) throw FormatError(label, Format("negative record count (%d)", index.Count));
  // Every record needs at least its size field: bounds the index before it is allocated.
  if (index.Count > (end - pos) / 4) {
    throw FormatError(label, Format("package truncated: %d records declared but only %lld bytes follow",
                                    index.Count, static_cast<long long>(end - pos)));
  }
  index.Records.reserve(static_cast<size_t>(index.Count));
  for (int i = 0; i < index.Count; ++i) {
    const int32_t size = read_int("the size of " + RecordLabel(i, index.Count));
    if (size < 0) {
      throw FormatError(label, Format("%s has a negative size (%d)", RecordLabel(i, index.Count).c_str(), size));
    }
    if (size > end - pos) {
      throw FormatError(label, Format("package truncated: %s declares %d bytes but only %lld remain",
                                      RecordLabel(i, index.Count).c_str(), size,
                                      static_cast<long long>(end - pos)));
    }
    index.Records.push_back({pos, size});
    pos += size;
  }
  return index;
}

std::string ReadFileRange(const std::string& path, int64_t offset, int64_t size,
                          int64_t max_bytes) {
  if (size < 0 || offset < 0) throw FormatError(path, "negative offset or size");
  if (size > max_bytes) {
    throw FormatError(path, Format("record of %lld bytes is larger than the %lld allowed",
                                   static_cast<long long>(size), static_cast<long long>(max_bytes)));
  }
  std::ifstream in = OpenForReading(path);
  if (offset + size > StreamSize(in)) throw ReadError(path + ": " + kReadBeyondEnd);
  in.seekg(offset);
  std::string bytes(static_cast<size_t>(size), '\0');
  in.read(bytes.data(), size);
  if (in.gcount() != size) throw ReadError(path + ": " + kReadBeyondEnd);
  return bytes;
}

void CopyFileRange(const std::string& path, int64_t offset, int64_t size,
                   const std::string& out_path, const std::function<void(uint64_t)>& progress) {
  std::ifstream in = OpenForReading(path);
  if (offset < 0 || size < 0 || offset + size > StreamSize(in)) {
    throw ReadError(path + ": " + kReadBeyondEnd);
  }
  in.seekg(offset);
  std::ofstream out(FsPath(out_path), std::ios::binary | std::ios::trunc);
  if (!out) throw IOError(out_path + ": cannot create the file");
  const bool complete = CopyBytes(in, out, size, progress, 1 << 16);
  out.close();
  if (!out) throw IOError(out_path + ": write failed");
  if (!complete) throw ReadError(path + ": " + kReadBeyondEnd);
}

// ---- writing ----

int64_t PackageBuilder::Item::Size() const {
  if (nested) return nested->Size();
  if (!path.empty()) return file_size;
  return static_cast<int64_t>(bytes.size());
}

void PackageBuilder::AddBytes(std::string bytes) {
  Item item;
  item.bytes = std::move(bytes);
  items_.push_back(std::move(item));
}

void PackageBuilder::AddFile(const std::string& path) {
  Item item;
  item.path = path;
  std::error_code ec;
  const auto size = fs::file_size(FsPath(path), ec);
  if (ec || !fs::is_regular_file(FsPath(path), ec)) {
    throw FileNotFoundError(path + ": " + kFileNotFound);
  }
  item.file_size = static_cast<int64_t>(size);
  items_.push_back(std::move(item));
}

void PackageBuilder::AddPackage(PackageBuilder package) {
  Item item;
  item.nested = std::make_shared<PackageBuilder>(std::move(package));
  items_.push_back(std::move(item));
}

int64_t PackageBuilder::Size() const {
  int64_t total = kPackageMarkerLength + 4;
  for (const Item& item : items_) total += 4 + item.Size();
  return total;
}

void PackageBuilder::Write(std::ostream& out, const std::string& out_name,
                           const std::function<void(uint64_t)>& progress) const {
  constexpr int64_t kMaxRecord = std::numeric_limits<int32_t>::max();
  if (items_.size() > static_cast<size_t>(kMaxRecord)) throw FormatError(out_name, "too many records");
  const std::string marker = PackageMarkerBytes();
  out.write(marker.data(), kPackageMarkerLength);
  PutInt32(out, static_cast<int32_t>(items_.size()));
  for (const Item& item : items_) {
    const int64_t size = item.Size();
    if (size > kMaxRecord) {
      const std::string what = item.path.empty() ? std::string("a record") : item.path;
      throw FormatError(out_name, what + " is too large for a package record (2 GiB or more)");
    }
    PutInt32(out, static_cast<int32_t>(size));
    if (item.nested) {
      item.nested->Write(out, out_name, progress);
    } else if (!item.path.empty()) {
      std::ifstream in = OpenForReading(item.path);
      if (StreamSize(in) != item.file_size || !CopyBytes(in, out, item.file_size, progress, 1 << 16)) {
        throw IOError(item.path + ": the file changed while it was being packed");
      }
    } else {
      out.write(item.bytes.data(), static_cast<std::streamsize>(item.bytes.size()));
      if (progress) progress(item.bytes.size());
    }
    if (!out) throw IOError(out_name + ": write failed");
  }
}

std::string PackageBuilder::ToBytes() const {
  std::ostringstream out(std::ios::binary);
  Write(out, "package");
  return std::move(out).str();
}

// ---- content file names ----

std::vector<std::string> ContentFileNames(std::string_view text, const std::string& name) {
  std::vector<std::string> names;
  size_t start = 0;
  int line_number = 0;
  while (start < text.size()) {
    size_t stop = text.find_first_of("\r\n", start);
    if (stop == std::string_view::npos) stop = text.size();
    const std::string_view line = text.substr(start, stop - start);
    ++line_number;
    std::string file = ExtractFileName(line);
    if (!IsSafeFileName(file)) {
      throw FormatError(name, Format("line %d (%s) names no file that can be unpacked safely",
                                     line_number, QuoteExcerpt(line).c_str()));
    }
    names.push_back(std::move(file));
    // CR LF is one line end.
    start = stop + (text.substr(stop, 2) == "\r\n" ? 2 : 1);
  }
  return names;
}

std::vector<std::string> ReadContentFileNames(const std::string& path) {
  std::ifstream in = OpenForReading(path);
  const int64_t size = StreamSize(in);
  in.close();
  return ContentFileNames(ReadFileRange(path, 0, size, int64_t{1} << 24), path);
}

}  // namespace lpc
