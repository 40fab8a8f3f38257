#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "configwindow/component_test_support.h"
#include "configwindow/form_builder.h"
#include "configwindow/thumbnail_strip.h"
#include "presentation/wallpaper.h"
#include "widgets/widget_fixture.h"

namespace lpc {
namespace {

using testing::Near;
using testing::TempDir;
using widgets::ToRGB;

std::vector<std::string> Names(int n, const std::string& ext = ".jpg") {
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) out.push_back("/nonexistent/p" + std::to_string(i) + ext);
  return out;
}

class StripTest : public testing::WidgetTest {
 protected:
  // A strip at the form's origin without a border, so cell and form coordinates agree.
  ThumbnailStrip& MakeStrip(int width = 419, int height = 250) {
    form_->SetClientSize(800, 600);
    auto& s = form_->Create<ThumbnailStrip>();
    s.BorderSingle = false;
    s.SetBounds(0, 0, width, height);
    s.OnSelectItem = [this](int32_t i) { selected_.push_back(i); };
    return s;
  }
  std::vector<int32_t> selected_;
};

TEST_F(StripTest, LayoutInOneRowAndWrappedToTheWidth) {
  form_->SetClientSize(800, 400);
  const struct {
    int images;
    bool multi_rows;
    bool show_title;
    int width;
    int cols, rows, row_height;
  } cases[] = {
      {10, false, false, 419, 10, 1, 80},
      {10, true, false, 419, 4, 3, 80},   // 419 div 100; the last row has two empty cells
      {10, true, true, 419, 4, 3, 110},   // titles add 30
      {0, false, false, 419, 1, 1, 80},   // raised from 0
      {0, true, false, 419, 4, 1, 80},
      {10, true, false, 99, 1, 10, 80},   // narrower than a cell: still one column
      {10, true, false, 619, 6, 2, 80},
      {12, true, false, 600, 6, 2, 80},   // two rows fit: no bar, six columns
      {30, true, false, 600, 5, 6, 80},   // rows overflow: five columns fit beside the bar
  };
  for (const auto& c : cases) {
    auto& s = MakeStrip(c.width);
    s.SetShowTitle(c.show_title);
    s.SetMultiRows(c.multi_rows);
    const auto files = Names(c.images);
    s.SetFileList(&files);
    EXPECT_EQ(s.ColCount(), c.cols) << c.images << " " << c.multi_rows << " " << c.width;
    EXPECT_EQ(s.RowCount(), c.rows) << c.images << " " << c.multi_rows << " " << c.width;
    EXPECT_EQ(s.DefaultRowHeight(), c.row_height);
    EXPECT_EQ(s.DefaultColWidth(), 100);
    EXPECT_EQ(s.ScrollBars(), c.multi_rows ? ScrollBarSet::ssVertical : ScrollBarSet::ssHorizontal);
    s.SetFileList(nullptr);
  }
}

TEST_F(StripTest, LayoutFollowsTheWidthAndOneRowScrollsSideways) {
  auto& s = MakeStrip(419, 100);
  const auto files = Names(10);
  s.SetFileList(&files);
  s.SetWidth(230);
  EXPECT_EQ(s.ColCount(), 2);
  EXPECT_EQ(s.RowCount(), 5);
  EXPECT_EQ(s.ClientRect().Width(),
            230 - widgets::ScrollBar::kSize);  // rows overflow: vertical bar
  s.SetMultiRows(false);
  EXPECT_EQ(s.ColCount(), 10);
  EXPECT_EQ(s.ClientRect().Height(), 100 - widgets::ScrollBar::kSize);  // horizontal bar instead
  EXPECT_EQ(s.ClientRect().Width(), 230);
}

TEST_F(StripTest, WrappedRowsNeverScrollSideways) {
  // 4 columns of 100 fit in 419 pixels beside the vertical bar.
  auto& s = MakeStrip(419, 150);
  const auto files = Names(10);
  s.SetFileList(&files);
  ASSERT_EQ(s.ColCount(), 4);
  s.SelectIndex(7);
  EXPECT_EQ(s.Col(), 3);
  EXPECT_EQ(s.LeftCol(), 0);
  EXPECT_EQ(s.TopRow(), 1);
  s.SetMultiRows(false);
  s.SelectIndex(9);
  EXPECT_GT(s.LeftCol(), 0);
}

TEST_F(StripTest, SelectionReportsImageIndexesTwiceWhenRowAndColumnChange) {
  const struct {
    int from;
    int to;
    std::vector<int32_t> reported;
  } cases[] = {
      {0, 6, {4, 6}},  // row first (old column 0), then the column
      {6, 5, {5}},     // same row: the column only
      {1, 9, {9}},     // column 1, row 2: the row move alone lands on 9
      {5, 5, {}},      // nothing moves
      {0, 11, {8, 9}}, // beyond the list: the row moves to 8, column 3 is an empty cell -> 9
  };
  auto& s = MakeStrip();
  const auto files = Names(10);
  s.SetFileList(&files);
  for (const auto& c : cases) {
    s.SelectIndex(c.from);
    selected_.clear();
    s.SelectIndex(c.to);
    EXPECT_EQ(selected_, c.reported) << c.from << " -> " << c.to;
  }
}

TEST_F(StripTest, ClickOnAnEmptyCellReportsTheLastImage) {
  auto& s = MakeStrip();
  const auto files = Names(10);
  s.SetFileList(&files);
  Click(350, 200);  // column 3, row 2: past image 9
  EXPECT_EQ(selected_, std::vector<int32_t>{9});
  EXPECT_EQ(s.Col(), 3);
  EXPECT_EQ(s.Row(), 2);
}

TEST_F(StripTest, CheckBoxTakesTheHandCursorAndFlipsOnlyThen) {
  auto& s = MakeStrip();
  s.SetShowCheckBox(true);
  const auto files = Names(10);
  s.SetFileList(&files);
  // The box of a cell at (L, T) spans L+13..L+24 and T+66..T+77 inclusive.
  const struct {
    int x, y;
    bool hand;
  } edges[] = {{113, 66, true}, {124, 77, true}, {112, 66, false}, {125, 70, false},
               {113, 65, false}, {113, 78, false}, {313, 146, true}};
  for (const auto& e : edges) {
    Move(e.x, e.y);
    EXPECT_EQ(platform_->cursor_shape() == platform::CursorShape::kHand, e.hand)
        << e.x << "," << e.y;
  }
  // The current cell (0) holds an image: a click on image 1's box flips it and selects it.
  Click(115, 70);
  EXPECT_TRUE(s.GetChecked(1));
  EXPECT_EQ(selected_, std::vector<int32_t>{1});
  // Make an empty cell current: no hand, so the click on image 0's box only selects.
  Click(350, 200);
  selected_.clear();
  Move(15, 70);
  EXPECT_EQ(platform_->cursor_shape(), platform::CursorShape::kArrow);
  Click(15, 70);
  EXPECT_FALSE(s.GetChecked(0));
  EXPECT_EQ(selected_, std::vector<int32_t>{0});
  // Image 0 is current now: its box flips on the next click.
  Click(15, 70);
  EXPECT_TRUE(s.GetChecked(0));
}

TEST_F(StripTest, CheckMarksStopAtTheTableSize) {
  auto& s = MakeStrip();
  const auto files = Names(1005);
  s.SetMultiRows(false);
  s.SetFileList(&files);
  EXPECT_EQ(s.ImageCount(), ThumbnailStrip::kMaxImages);
  EXPECT_EQ(s.ColCount(), 1001);
  EXPECT_EQ(s.Titles().size(), 1001u);
  s.SetChecked(1000, true);
  s.SetChecked(1001, false);
  s.SetChecked(-1, true);
  EXPECT_TRUE(s.GetChecked(1000));
  EXPECT_TRUE(s.GetChecked(1001));  // past the table: cannot be unticked
  EXPECT_FALSE(s.GetChecked(999));
  EXPECT_FALSE(s.GetChecked(-1));
  s.SelectIndex(1004);
  EXPECT_EQ(selected_.back(), 1000);
}

TEST_F(StripTest, ThumbnailsTitlesAndIndexesStayAligned) {
  TempDir dir;
  const std::vector<std::string> files = {
      dir.Write("a.jpg", EncodeJpeg(Bitmap(640, 480, 0xC02020), 95)),
      dir.Write("b.jpeg", EncodeJpeg(Bitmap(64, 48, 0x20C020), 95)),  // not a kind shown here
      dir / "missing.jpg",
      testing::WritePackedImage(dir, "c.lpp", "Harbour", 0x000000, 0x2020C0),
      dir.Write("d.bmp", EncodeBmp(Bitmap(30, 20, 0x123456))),
      dir.Write("e.png", EncodePng(Bitmap(30, 20, 0x123456))),
      dir.Write("broken.jpg", "not a picture"),
  };
  auto& s = MakeStrip();
  s.SetFileList(&files);
  EXPECT_EQ(s.Titles(), (std::vector<std::string>{"a.jpg", "", "", "Harbour", "d.bmp", "",
                                                  "broken.jpg"}));
  // Only the packed image's header is read up front.
  EXPECT_EQ(s.ThumbnailsBuilt(), 1);
  const std::vector<Bitmap>& t = s.Thumbnails();
  ASSERT_EQ(t.size(), files.size());
  const Color expected[] = {0xC02020, 0xFFFFFF, 0xFFFFFF, 0x2020C0, 0x123456, 0xFFFFFF, 0xFFFFFF};
  for (size_t i = 0; i < t.size(); ++i) {
    EXPECT_EQ(t[i].width(), 80);
    EXPECT_EQ(t[i].height(), 60);
    EXPECT_TRUE(Near(t[i].At(40, 30), expected[i])) << i << std::hex << " " << t[i].At(40, 30);
  }
  s.SetPictureWidth(40);
  EXPECT_EQ(s.Thumbnails()[0].width(), 40);
  EXPECT_EQ(s.DefaultColWidth(), 60);
}

// Every thumbnail is kept in memory, so a description cannot ask for giant ones.
TEST_F(StripTest, PictureSizesFromADescriptionAreBounded) {
  const struct {
    const char* property;
    const char* error;  // nullptr: accepted
  } cases[] = {
      {"PictureWidth = 512", nullptr},
      {"PictureHeight = 0", nullptr},
      {"PictureWidth = 513", "PictureWidth 513 is out of range (0 to 512) on line 3"},
      {"PictureHeight = 100000", "PictureHeight 100000 is out of range (0 to 512) on line 3"},
      {"PictureWidth = -1", "PictureWidth -1 is out of range (0 to 512) on line 3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.property);
    const std::string text = std::string("object W: TfmLPConfigWindow\nobject T: TLPThumbnail2\n") +
                             c.property + "\nend\nend\n";
    try {
      CreateFormFromText(text);
      EXPECT_EQ(c.error, nullptr);
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), c.error ? c.error : "");
    }
  }
}

TEST_F(StripTest, FirstPaintMakesTheVisibleThumbnailsAndATimerTheRest) {
  TempDir dir;
  std::vector<std::string> files;
  for (int i = 0; i < 12; ++i) {
    files.push_back(dir.Write("p" + std::to_string(i) + ".jpg", EncodeJpeg(Bitmap(320, 240, 0x808080))));
  }
  auto& s = MakeStrip(350, 100);
  s.SetMultiRows(false);
  s.SetFileList(&files);
  EXPECT_EQ(s.ThumbnailsBuilt(), 0);
  form_->Render();
  EXPECT_EQ(s.ThumbnailsBuilt(), 4);  // cells at 0, 100, 200 and 300 show
  platform_->Schedule(20, [&] { form_->Close(); });
  platform_->SetTickBudget(1000);
  form_->ShowModal();
  EXPECT_EQ(s.ThumbnailsBuilt(), 12);
}

TEST_F(StripTest, CellPixels) {
  TempDir dir;
  const std::vector<std::string> files = {
      dir.Write("red.bmp", EncodeBmp(Bitmap(8, 6, 0xFF0000))),
      dir.Write("blue.bmp", EncodeBmp(Bitmap(8, 6, 0x0000FF))),
  };
  auto& s = MakeStrip(400, 100);
  s.SetColor(widgets::clWhite);
  s.SetMultiRows(false);
  s.SetShowCheckBox(true);
  s.SetFileList(&files);
  s.SetChecked(1, true);
  const Bitmap& shot = form_->Render();
  const Color white = 0xFFFFFF;
  const Color highlight = ToRGB(widgets::clHighlight);
  const struct {
    int x, y;
    Color color;
    const char* what;
  } cases[] = {
      {5, 5, white, "cell background"},
      {10, 10, highlight, "selected frame, outer corner"},
      {11, 11, highlight, "selected frame, inner corner"},
      {99, 79, highlight, "selected frame, far outer corner"},
      {98, 78, highlight, "selected frame, far inner corner"},
      {12, 12, DarkenColor(0, white, 10), "selected inside: 10 % darker"},
      {15, 15, 0xFF0000, "picture at L+15, T+15"},
      {94, 74, 0xFF0000, "picture's last pixel"},
      {13, 66, highlight, "selected check box"},
      {16, 70, white, "unchecked box inside"},
      {110, 10, DarkenColor(0, white, 20), "unselected frame"},
      {111, 11, DarkenColor(0, white, 5), "unselected inside"},
      {109, 9, white, "outside the frame"},
      {113, 66, DarkenColor(0, white, 30), "unselected check box"},
      {114, 67, white, "box's inner ring"},
      {114, 70, white, "tick start trimmed by the ring"},
      {115, 71, DarkenColor(0, white, 30), "tick, first stroke"},
      {115, 72, DarkenColor(0, white, 30), "tick, first stroke, lower pass"},
      {117, 74, DarkenColor(0, white, 30), "tick's point"},
      {116, 74, white, "cleared beside the point"},
      {118, 74, white, "cleared beside the point"},
      {121, 69, DarkenColor(0, white, 30), "tick, second stroke's end"},
      {121, 70, DarkenColor(0, white, 30), "tick, second stroke, lower pass"},
      {122, 68, white, "tick ends before x+9"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(shot.At(c.x, c.y), c.color) << c.what << " at " << c.x << "," << c.y << std::hex
                                          << " got " << shot.At(c.x, c.y);
  }
  EXPECT_EQ(DarkenColor(0, white, 10), 0xE6E6E6u);
}

TEST_F(StripTest, TitlesStartEightyFourBelowTheCellTop) {
  const std::vector<std::string> files = {"/nonexistent/a.lpp"};
  auto& s = MakeStrip(400, 120);
  s.SetColor(widgets::clWhite);
  s.SetShowTitle(true);
  s.SetFileList(&files);
  EXPECT_EQ(s.DefaultRowHeight(), 110);
  // A missing packed image has no title: the area stays empty.
  const Bitmap& empty = form_->Render();
  for (int y = 80; y < 110; ++y) EXPECT_EQ(empty.At(50, y), 0xFFFFFFu) << y;
}

TEST_F(StripTest, SelectedTitleSitsOnTheHighlight) {
  TempDir dir;
  const std::vector<std::string> files = {
      testing::WritePackedImage(dir, "w.lpp", "WWWW WWWW", 0, 0x808080)};
  auto& s = MakeStrip(400, 120);
  s.SetColor(widgets::clWhite);
  s.SetShowTitle(true);
  s.SetFileList(&files);
  const Bitmap& shot = form_->Render();
  int first_row = -1;
  for (int y = 0; y < 110 && first_row < 0; ++y) {
    for (int x = 10; x < 100; ++x) {
      if (shot.At(x, y) == ToRGB(widgets::clHighlight) && y >= 80) {
        first_row = y;
        break;
      }
    }
  }
  EXPECT_EQ(first_row, 84);
}

}  // namespace
}  // namespace lpc
