#include "package/package.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/errors.h"
#include "package/binary_io.h"
#include "package/record_bytes.h"
#include "package/temp_dir.h"

namespace lpc {
namespace {

using ::testing::HasSubstr;
using testing_support::Int;
using testing_support::TempDir;

// A package built by hand, independent of PackageBuilder.
std::string RawPackage(const std::vector<std::string>& records) {
  std::string s = PackageMarkerBytes() + Int(static_cast<int32_t>(records.size()));
  for (const auto& r : records) s += Int(static_cast<int32_t>(r.size())) + r;
  return s;
}

std::string Slurp(const std::string& path) { return ReadFileBytes(path); }

TEST(PackageMarker, IsTheTextShiftedByOne) {
  const std::string m = PackageMarkerBytes();
  ASSERT_EQ(m.size(), 13u);
  // Spelled out byte by byte: the shifted marker must not appear whole in this binary.
  const char expected[] = {'|', 'M', 'Q', 'S', 'F', 'T', 'S', 'P', 'V', 'S', 'D', 'F'};
  EXPECT_EQ(m.substr(0, 12), std::string(expected, 12));
  EXPECT_EQ(m[12], '}' + 1);
}

TEST(PackageMarker, ThisProgramsOwnImageHoldsNoMarker) {
  // The test binary links the reader and the writer, as the runtime does.
  int64_t offset = 0;
  int32_t value = 0;
  EXPECT_FALSE(FindPackageMarker("/proc/self/exe", offset, value));
}

TEST(PackageMarker, PlainTextIsNotAMarker) {
  TempDir dir;
  const auto p = dir.Write("plain.bin", std::string("xx{LPRESROURCE}") + Int(4));
  int64_t offset = 0;
  int32_t value = 0;
  EXPECT_FALSE(FindPackageMarker(p, offset, value));
}

// Where the marker stands, and what precedes it.
struct MarkerCase {
  const char* name;
  size_t padding;   // bytes before the marker
  char pad_byte;
};

TEST(PackageMarker, FoundWhereverItStands) {
  const MarkerCase cases[] = {
      {"at the start", 0, 'x'},
      {"after the marker's own first byte", 5, '|'},  // "||" breaks, then restarts
      {"split across the first two reads", 995, 'a'},
      {"ending exactly at a read boundary", 1001 - 13, 'b'},
      {"starting exactly at a read boundary", 1001, 'c'},
      {"split across later reads", 3 * 1001 - 6, 'd'},
      {"split across the scan's blocks", (1 << 20) - 6, 'e'},
      {"ending exactly at a scan block's end", (1 << 20) - 13, 'f'},
      {"starting a scan block", 1 << 20, 'g'},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes(c.padding, c.pad_byte);
    bytes += PackageMarkerBytes() + Int(77);
    const auto p = dir.Write("m.bin", bytes);
    int64_t offset = 0;
    int32_t value = 0;
    ASSERT_TRUE(FindPackageMarker(p, offset, value));
    EXPECT_EQ(offset, static_cast<int64_t>(c.padding + 13));
    EXPECT_EQ(value, 77);
  }
}

TEST(PackageMarker, PartialMarkerFollowedByTheRealOne) {
  TempDir dir;
  const std::string m = PackageMarkerBytes();
  // Twelve bytes of the marker, then the whole marker: the byte that breaks the first try
  // is the real marker's first byte.
  const auto p = dir.Write("m.bin", m.substr(0, 12) + m + Int(-3));
  int64_t offset = 0;
  int32_t value = 0;
  ASSERT_TRUE(FindPackageMarker(p, offset, value));
  EXPECT_EQ(offset, 25);
  EXPECT_EQ(value, -3);
}

TEST(PackageMarker, MissingCountIsATruncatedPackage) {
  TempDir dir;
  const auto p = dir.Write("m.bin", "abc" + PackageMarkerBytes() + "\x01\x02");
  int64_t offset = 0;
  int32_t value = 0;
  try {
    FindPackageMarker(p, offset, value);
    FAIL() << "no error";
  } catch (const FormatError& e) {
    EXPECT_EQ(e.file(), p);
    EXPECT_THAT(e.fault(), HasSubstr("truncated"));
  }
}

TEST(ExtractPackage, CopiesEveryRecordIncludingEmptyAndLargeOnes) {
  TempDir dir;
  std::string big(5000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  const std::vector<std::string> records = {"first", "", big, "last"};
  const auto p = dir.Write("saver.scr", std::string(2500, 'Z') + RawPackage(records) + "trailer");
  const std::vector<std::string> outs = {dir / "a", dir / "b", dir / "c", dir / "d"};
  const auto r = ExtractPackageRecords(p, outs);
  EXPECT_EQ(r.RecordCount, 4);
  EXPECT_EQ(r.Extracted, 4);
  EXPECT_TRUE(r.CountMatches(outs.size()));
  for (size_t i = 0; i < outs.size(); ++i) {
    ASSERT_TRUE(FileExists(outs[i])) << i;
    EXPECT_EQ(Slurp(outs[i]), records[i]) << i;
  }
}

TEST(ExtractPackage, ZeroRecordsWritesNothing) {
  TempDir dir;
  const auto p = dir.Write("saver.scr", "exe" + RawPackage({}));
  const auto r = ExtractPackageRecords(p, {});
  EXPECT_EQ(r.RecordCount, 0);
  EXPECT_EQ(r.Extracted, 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()) || !FileExists(dir / "a"));
}

TEST(ExtractPackage, ReplacesAnOlderFile) {
  TempDir dir;
  const auto out = dir.Write("a", "an older and longer content");
  const auto p = dir.Write("saver.scr", RawPackage({"new"}));
  ExtractPackageRecords(p, {out});
  EXPECT_EQ(Slurp(out), "new");
}

TEST(ExtractPackage, CountDifferingFromNamesExtractsWhatBothHave) {
  TempDir dir;
  const auto p = dir.Write("saver.scr", RawPackage({"one", "two", "three"}));
  {
    const auto r = ExtractPackageRecords(p, {dir / "x1", dir / "x2"});
    EXPECT_EQ(r.RecordCount, 3);
    EXPECT_EQ(r.Extracted, 2);
    EXPECT_FALSE(r.CountMatches(2));
    EXPECT_EQ(Slurp(dir / "x1"), "one");
    EXPECT_EQ(Slurp(dir / "x2"), "two");
  }
  {
    // A stale file under a name the package has no record for is removed.
    dir.Write("y4", "stale");
    const auto r = ExtractPackageRecords(p, {dir / "y1", dir / "y2", dir / "y3", dir / "y4"});
    EXPECT_EQ(r.Extracted, 3);
    EXPECT_FALSE(r.CountMatches(4));
    EXPECT_EQ(Slurp(dir / "y3"), "three");
    EXPECT_FALSE(FileExists(dir / "y4"));
  }
}

TEST(ExtractPackage, NegativeCountExtractsNothing) {
  TempDir dir;
  const auto p = dir.Write("saver.scr", PackageMarkerBytes() + Int(-1) + Int(3) + "abc");
  const auto r = ExtractPackageRecords(p, {dir / "a"});
  EXPECT_EQ(r.RecordCount, -1);
  EXPECT_EQ(r.Extracted, 0);
  EXPECT_FALSE(FileExists(dir / "a"));
}

// Damaged packages: each is an error that names the file, never a partial success.
struct BadPackage {
  const char* name;
  std::string bytes;
  const char* fault;
};

TEST(ExtractPackage, DamagedPackagesAreErrorsNamingTheFile) {
  const std::string m = PackageMarkerBytes();
  const BadPackage cases[] = {
      {"no marker", std::string(3000, 'q'), "no package"},
      {"record runs past the end", m + Int(2) + Int(3) + "abc" + Int(10) + "short", "truncated"},
      {"size field cut", m + Int(2) + Int(1) + "a" + "\x05\x00", "truncated"},
      {"negative size", m + Int(1) + Int(-5) + "abcdef", "negative"},
      {"count beyond records", m + Int(3) + Int(1) + "a", "truncated"},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto p = dir.Write("bad.scr", c.bytes);
    try {
      ExtractPackageRecords(p, {dir / "o1", dir / "o2", dir / "o3"});
      FAIL() << "no error";
    } catch (const FormatError& e) {
      EXPECT_EQ(e.file(), p);
      EXPECT_THAT(e.fault(), HasSubstr(c.fault));
    }
  }
}

TEST(ExtractPackage, MissingFileIsFileNotFound) {
  TempDir dir;
  EXPECT_THROW(ExtractPackageRecords(dir / "absent.scr", {dir / "o"}), FileNotFoundError);
}

TEST(PackageBuilder, NestedPackagesRoundTripThroughTheReader) {
  TempDir dir;
  const auto content = dir.Write("photo.jpg", std::string(70000, 'J'));
  PackageBuilder inner;
  inner.AddFile(content);
  inner.AddBytes("");
  inner.AddBytes("second");
  PackageBuilder outer;
  outer.AddBytes("project");
  outer.AddPackage(std::move(inner));
  outer.AddBytes("ui");

  const std::string exe = "MZ runtime bytes";
  std::ofstream out(dir / "saver.scr", std::ios::binary);
  out << exe;
  uint64_t reported = 0;
  outer.Write(out, "saver.scr", [&](uint64_t n) { reported += n; });
  out.close();
  EXPECT_EQ(FileSize(dir / "saver.scr"), static_cast<int64_t>(exe.size()) + outer.Size());
  EXPECT_EQ(reported, 7u + 70000u + 6u + 2u);

  const auto r = ExtractPackageRecords(dir / "saver.scr", {dir / "p", dir / "f", dir / "u"});
  EXPECT_EQ(r.Extracted, 3);
  EXPECT_EQ(Slurp(dir / "p"), "project");
  EXPECT_EQ(Slurp(dir / "u"), "ui");
  const auto r2 = ExtractPackageRecords(dir / "f", {dir / "c1", dir / "c2", dir / "c3"});
  EXPECT_EQ(r2.Extracted, 3);
  EXPECT_EQ(Slurp(dir / "c1"), Slurp(content));
  EXPECT_EQ(Slurp(dir / "c2"), "");
  EXPECT_EQ(Slurp(dir / "c3"), "second");

  const PackageIndex index = ReadPackageIndex(dir / "saver.scr");
  EXPECT_EQ(index.MarkerOffset, static_cast<int64_t>(exe.size()));
  ASSERT_EQ(index.Count, 3);
  EXPECT_EQ(ReadFileRange(dir / "saver.scr", index.Records[0].Offset, index.Records[0].Size), "project");
  const PackageIndex nested = ReadPackageIndex(dir / "saver.scr", index.Records[1].Offset,
                                               index.Records[1].Offset + index.Records[1].Size);
  ASSERT_EQ(nested.Count, 3);
  EXPECT_EQ(nested.Records[0].Size, 70000);
  EXPECT_EQ(nested.Records[1].Size, 0);
}

TEST(PackageBuilder, InMemoryBytesMatchAHandBuiltPackage) {
  PackageBuilder b;
  b.AddBytes("a");
  b.AddBytes("bc");
  EXPECT_EQ(b.ToBytes(), RawPackage({"a", "bc"}));
  EXPECT_EQ(b.Size(), static_cast<int64_t>(RawPackage({"a", "bc"}).size()));
}

TEST(PackageBuilder, MissingFileIsRefusedWhenAdded) {
  TempDir dir;
  PackageBuilder b;
  EXPECT_THROW(b.AddFile(dir / "none.jpg"), FileNotFoundError);
}

TEST(PackageIndex, RecordsMustStayInsideTheRange) {
  TempDir dir;
  const std::string pkg = RawPackage({"abcdef"});
  const auto p = dir.Write("x.bin", pkg + "tail");
  EXPECT_NO_THROW(ReadPackageIndex(p, 0, static_cast<int64_t>(pkg.size())));
  EXPECT_THROW(ReadPackageIndex(p, 0, static_cast<int64_t>(pkg.size()) - 1), FormatError);
  // A count that could not fit in the bytes left is refused before the index is allocated.
  const auto huge = dir.Write("h.bin", PackageMarkerBytes() + Int(0x7FFFFFFF) + Int(0));
  EXPECT_THROW(ReadPackageIndex(huge), FormatError);
}

TEST(ContentFileNames, TakesTheFileNamePartOfEachLine) {
  const auto names = ContentFileNames(
      "C:\\Work\\Sea\\LPImage0.lpp\r\nD:\\music\\Song.mid\r\nplain.jpg\n/unix/too.gif\r\n",
      "LPFilenames.res");
  EXPECT_EQ(names, (std::vector<std::string>{"LPImage0.lpp", "Song.mid", "plain.jpg", "too.gif"}));
  EXPECT_TRUE(ContentFileNames("", "x").empty());
  // CR, LF and CR LF each end a line.
  EXPECT_EQ(ContentFileNames("C:\\a.jpg\rC:\\b.jpg\nc.jpg\r\nd.jpg\r", "x"),
            (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg", "d.jpg"}));
  EXPECT_EQ(ContentFileNames("last-without-newline.jpg", "x").size(), 1u);
}

TEST(ContentFileNames, RefusesNamesThatLeaveTheFolder) {
  const char* bad[] = {"\r\n", "C:\\pics\\..\r\n", "a.jpg\r\n\r\nb.jpg\r\n", "D:\r\n",
                       "C:\\x\\...\r\n"};
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    try {
      ContentFileNames(text, "LPFilenames.res");
      FAIL() << "accepted";
    } catch (const FormatError& e) {
      EXPECT_EQ(e.file(), "LPFilenames.res");
      EXPECT_THAT(e.fault(), HasSubstr("line"));
    }
  }
}

}  // namespace
}  // namespace lpc
