#include "package/package.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "base/byte_range.h"
#include "base/errors.h"
#include "base/fileio.h"
#include "base/paths.h"
#include "base/text_encoding.h"
#include "platform/folders.h"
#include "package/binary_io.h"

namespace fs = std::filesystem;

namespace lpc {

namespace {

// Scans [begin, end) of range for the first marker, a block at a time; the last bytes of each
// block are kept, so a marker that spans two reads is found. Returns the offset just after the
// marker, or -1. The marker has one "{" only, at its start, so the first occurrence of its bytes
// is the first place a byte-by-byte match would complete.
int64_t ScanForMarker(const ByteRange& range, int64_t begin, int64_t end) {
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
  const size_t span = static_cast<size_t>(std::max<int64_t>(end - begin, 0));
  std::vector<char> buffer(std::min(kBlock, span) + kCarry);
  const size_t block = buffer.size() - kCarry;
  size_t kept = 0;      // bytes carried over at the start of buffer
  int64_t pos = begin;  // offset of the byte after the last one read
  while (pos < end) {
    const int64_t got = std::min<int64_t>(static_cast<int64_t>(block), end - pos);
    range.Read(pos, buffer.data() + kept, got);
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

// Copies exactly size bytes at offset of range to out, chunk by chunk.
void CopyRange(const ByteRange& range, int64_t offset, int64_t size, std::ostream& out,
               const std::function<void(uint64_t)>& progress, int chunk) {
  // No bigger than the record: small records are the common case.
  std::vector<char> buffer(static_cast<size_t>(std::clamp<int64_t>(size, 1, chunk)));
  for (int64_t copied = 0; copied < size;) {
    const int64_t n = std::min<int64_t>(chunk, size - copied);
    range.Read(offset + copied, buffer.data(), n);
    out.write(buffer.data(), n);
    copied += n;
    if (progress) progress(static_cast<uint64_t>(n));
  }
}

int64_t ClampEnd(const ByteRange& range, int64_t end) {
  return end < 0 || end > range.size() ? range.size() : end;
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
  ByteRange range;
  try {
    range = ByteRange::OfFile(path);
  } catch (const FileNotFoundError&) {
    return false;
  }
  const int64_t after = ScanForMarker(range, 0, range.size());
  if (after < 0) return false;
  if (range.size() - after < 4) {
    throw FormatError(path, "package truncated: the record count after the marker is missing");
  }
  char raw[4];
  range.Read(after, raw, 4);
  offset = after;
  value = GetInt32(raw);
  return true;
}

PackageExtractResult LocatePackageRecords(const ByteRange& range, int64_t begin, int64_t end,
                                          int64_t wanted) {
  const std::string& label = range.name();
  end = ClampEnd(range, end);
  begin = std::clamp<int64_t>(begin, 0, end);
  const int64_t offset = ScanForMarker(range, begin, end);
  if (offset < 0) throw FormatError(label, "no package found (the file has no record marker)");
  char raw[4];
  int64_t pos = offset;
  if (end - pos < 4) {
    throw FormatError(label, "package truncated: the record count after the marker is missing");
  }
  range.Read(pos, raw, 4);
  pos += 4;
  const int32_t count = GetInt32(raw);

  PackageExtractResult result;
  result.RecordCount = count;
  if (wanted < 0) wanted = count;
  wanted = count <= 0 ? 0 : std::min<int64_t>(count, wanted);
  for (int i = 0; i < wanted; ++i) {
    if (end - pos < 4) {
      throw FormatError(label,
                        "package truncated: the size of " + RecordLabel(i, count) + " is missing");
    }
    range.Read(pos, raw, 4);
    pos += 4;
    const int32_t size = GetInt32(raw);
    if (size < 0) {
      throw FormatError(label,
                        Format("%s has a negative size (%d)", RecordLabel(i, count).c_str(), size));
    }
    if (size > end - pos) {
      throw FormatError(
          label, Format("package truncated: %s declares %d bytes but only %lld remain",
                        RecordLabel(i, count).c_str(), size, static_cast<long long>(end - pos)));
    }
    result.Records.push_back({pos, size});
    pos += size;
    ++result.Extracted;
  }
  return result;
}

PackageExtractResult ExtractPackageRecords(const std::string& path,
                                           const std::vector<std::string>& outputs,
                                           const OutputCreator& create) {
  return ExtractPackageRange(path, 0, -1, outputs, create);
}

PackageExtractResult ExtractPackageRange(const std::string& path, int64_t begin, int64_t end,
                                         const std::vector<std::string>& outputs,
                                         const OutputCreator& create) {
  const ByteRange range = ByteRange::OfFile(path);
  const PackageExtractResult result =
      LocatePackageRecords(range, begin, end, static_cast<int64_t>(outputs.size()));
  for (size_t i = 0; i < outputs.size(); ++i) {
    const std::string& output = outputs[i];
    if (output.empty()) continue;
    if (i >= result.Records.size()) {
      // A copy left by an earlier start cannot pass for this package's.
      std::error_code ignored;
      fs::remove(FsPath(output), ignored);
      continue;
    }
    const PackageRecord& r = result.Records[i];
    WriteRangeToFile(range.Sub(r.Offset, r.Size, range.name()), output, create);
  }
  return result;
}

void WriteRangeToFile(const ByteRange& range, const std::string& out_path,
                      const OutputCreator& create) {
  std::ofstream out;
  if (create) {
    out = create(out_path);
  } else if (platform::CreateFreshFile(out_path)) {
    out.open(FsPath(out_path), std::ios::binary | std::ios::trunc);
  }
  if (!out.is_open()) throw IOError(out_path + ": cannot create the file");
  CopyRange(range, 0, range.size(), out, {}, 1 << 20);
  out.close();
  if (!out) throw IOError(out_path + ": write failed");
}

PackageIndex ReadPackageIndex(const ByteRange& range, int64_t begin, int64_t end) {
  const std::string& label = range.name();
  end = ClampEnd(range, end);
  begin = std::clamp<int64_t>(begin, 0, end);
  const int64_t after = ScanForMarker(range, begin, end);
  if (after < 0) throw FormatError(label, "no package found (no record marker)");

  PackageIndex index;
  index.MarkerOffset = after - kPackageMarkerLength;
  int64_t pos = after;
  char raw[4];
  auto read_int = [&](const std::string& what) {
    if (end - pos < 4) throw FormatError(label, "package truncated: " + what + " is missing");
    range.Read(pos, raw, 4);
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

PackageIndex ReadPackageIndex(const std::string& path, int64_t begin, int64_t end,
                              const std::string& name) {
  ByteRange range = ByteRange::OfFile(path);
  if (!name.empty()) range = range.Sub(0, range.size(), name);
  return ReadPackageIndex(range, begin, end);
}

std::string ReadFileRange(const std::string& path, int64_t offset, int64_t size,
                          int64_t max_bytes) {
  if (size < 0 || offset < 0) throw FormatError(path, "negative offset or size");
  if (size > max_bytes) {
    throw FormatError(path, Format("record of %lld bytes is larger than the %lld allowed",
                                   static_cast<long long>(size), static_cast<long long>(max_bytes)));
  }
  return ByteRange::OfFile(path).ReadString(offset, size, max_bytes);
}

void CopyFileRange(const std::string& path, int64_t offset, int64_t size,
                   const std::string& out_path, const std::function<void(uint64_t)>& progress) {
  const ByteRange range = ByteRange::OfFile(path);
  if (offset < 0 || size < 0 || offset > range.size() || size > range.size() - offset) {
    throw ReadError(path + ": " + kReadBeyondEnd);
  }
  std::ofstream out(FsPath(out_path), std::ios::binary | std::ios::trunc);
  if (!out) throw IOError(out_path + ": cannot create the file");
  CopyRange(range, offset, size, out, progress, 1 << 16);
  out.close();
  if (!out) throw IOError(out_path + ": write failed");
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
      const ByteRange in = ByteRange::OfFile(item.path);
      if (in.size() != item.file_size) {
        throw IOError(item.path + ": the file changed while it was being packed");
      }
      try {
        CopyRange(in, 0, item.file_size, out, progress, 1 << 16);
      } catch (const ReadError&) {
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
  return ContentFileNames(ByteRange::OfFile(path).ReadAll(kMaxContentNamesBytes), path);
}

}  // namespace lpc
