// The slideshow's arithmetic and the exit rules, checked against worked examples.
#include <gtest/gtest.h>

#include <set>

#include "base/errors.h"
#include "base/random.h"
#include "platform/platform.h"
#include "presentation/exit_rules.h"
#include "presentation/slideshow_rules.h"

namespace lpc {
namespace {

TEST(NextImageIndex, SequentialWalksAndWraps) {
  struct Case {
    int mode, count, current, expected;
  } cases[] = {
      {1, 4, -1, 0}, {1, 4, 0, 1}, {1, 4, 2, 3}, {1, 4, 3, 0},  // 0, 1, 2, 3, 0
      {3, 1, -1, 0}, {3, 1, 0, 0},                              // single picture
      {7, 3, 2, 0},                                             // unknown modes walk too
      {1, 0, -1, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NextImageIndex(c.mode, c.count, c.current), c.expected)
        << c.mode << " " << c.count << " " << c.current;
  }
}

TEST(NextImageIndex, RandomNeverRepeatsAndReachesEveryPicture) {
  RandSeed(7);
  for (int mode : {0, 2}) {
    EXPECT_EQ(NextImageIndex(mode, 1, 0), 0);
    EXPECT_EQ(NextImageIndex(mode, 0, -1), 0);
    int current = -1;
    std::set<int> seen;
    for (int i = 0; i < 400; ++i) {
      const int next = NextImageIndex(mode, 4, current);
      ASSERT_NE(next, current);
      ASSERT_GE(next, 0);
      ASSERT_LT(next, 4);
      seen.insert(next);
      current = next;
    }
    EXPECT_EQ(seen.size(), 4u);
  }
}

TEST(ChangeDue, WholeSecondsAcrossTheTickWrap) {
  struct Case {
    uint32_t last, now;
    int duration;
    bool due;
  } cases[] = {
      {1000, 10999, 10, false},
      {1000, 11000, 10, true},
      {0xFFFFFFFFu - 999u, 8999, 10, false},  // 9999 ms across the wrap
      {0xFFFFFFFFu - 999u, 9000, 10, true},   // 10000 ms across the wrap
      {0xFFFFF000u, 0xFFFFF000u, 0, true},    // duration 0: every frame
      {5000, 5000, 1, false},
      {5000, 5999, -3, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChangeDue(c.now, c.last, c.duration), c.due) << c.last << " -> " << c.now;
  }
}

TEST(PictureGeometry, SizeAndPosition) {
  struct Case {
    int w, h, sw, sh;
    bool stretch, proportional;
    Size size;
    Point pos;
  } cases[] = {
      {1600, 1200, 800, 600, false, false, {1600, 1200}, {-400, -300}},
      {1600, 1200, 800, 600, false, true, {1600, 1200}, {-400, -300}},
      {1000, 500, 1024, 768, true, true, {1024, 512}, {0, 128}},
      {500, 1000, 1024, 768, true, true, {384, 768}, {320, 0}},
      {1000, 500, 1024, 768, true, false, {1024, 768}, {0, 0}},
      {640, 480, 1024, 768, true, true, {1024, 768}, {0, 0}},
      {333, 222, 1024, 768, false, false, {333, 222}, {345, 273}},
      // 3 > (7 * 1024) div 768 fails: width 768 * 3 / 7 = 329.14 -> 329, centred by truncation
      {3, 7, 1024, 768, true, true, {329, 768}, {347, 0}},
      // ratio 2.0 exactly: 1000 > (500 * 1023) div 767 = 666 -> height 1023 / 2 = 511.5 -> 512
      {1000, 500, 1023, 767, true, true, {1023, 512}, {0, 127}},
      // halves go to the even neighbour: 5 / 2.0 = 2.5 -> 2, 7 / 2.0 = 3.5 -> 4
      {2, 1, 5, 9, true, true, {5, 2}, {0, 3}},
      {2, 1, 7, 9, true, true, {7, 4}, {0, 2}},
  };
  for (const Case& c : cases) {
    const Size size = ScaledPictureSize(c.w, c.h, c.sw, c.sh, c.stretch, c.proportional);
    EXPECT_EQ(size, c.size) << c.w << "x" << c.h;
    EXPECT_EQ(PicturePosition(size.width, size.height, c.sw, c.sh, c.stretch, c.proportional),
              c.pos)
        << c.w << "x" << c.h;
  }
  EXPECT_THROW(ScaledPictureSize(10, 0, 800, 600, true, true), DivisionByZeroError);
}

TEST(PictureGeometry, CoveredPartOfAn800x600Screen) {
  struct Case {
    Point pos;
    Size picture;
    Rect covered;
  } cases[] = {
      {{100, 50}, {200, 100}, {100, 50, 300, 150}},
      {{-400, -300}, {1600, 1200}, {0, 0, 800, 600}},
      {{700, 500}, {200, 200}, {700, 500, 800, 600}},
      // wholly off the screen: empty
      {{-300, 0}, {200, 100}, {0, 0, 0, 100}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CoveredPart(c.pos, c.picture, 800, 600), c.covered) << c.pos.x << "," << c.pos.y;
  }
}

TEST(Transition, StepCountFromTheMeasuredFirstStep) {
  struct Case {
    uint32_t first_ms;
    int steps;
  } cases[] = {{0, 60}, {1, 2000}, {20, 100}, {33, 60}, {700, 2}, {2000, 1}, {2500, 1}};
  for (const Case& c : cases) {
    EXPECT_EQ(TransitionStepCount(2000, c.first_ms), c.steps) << c.first_ms;
  }
}

TEST(Transition, AmountsRiseToFullAndRoundHalvesToEven) {
  // k = 2: 122.5 rounds to 122, then 245.
  EXPECT_EQ(TransitionAmount(1, 2), 132);
  EXPECT_EQ(TransitionAmount(2, 2), 255);
  // k = 10: 24.5 -> 24, 49, 73.5 -> 74
  EXPECT_EQ(TransitionAmount(1, 10), 34);
  EXPECT_EQ(TransitionAmount(2, 10), 59);
  EXPECT_EQ(TransitionAmount(3, 10), 84);
  for (int k : {1, 7, 60, 2000}) {
    int previous = kFadeFirstAmount;
    for (int i = 1; i <= k; ++i) {
      const int amount = TransitionAmount(i, k);
      ASSERT_GE(amount, previous);
      previous = amount;
    }
    EXPECT_EQ(previous, 255) << k;
  }
}

// Exit rules: a script of pointer moves and the index of the move that asks to close.
TEST(ExitRules, PointerMoves) {
  struct Move {
    int x, y;
    bool moved = true;
  };
  struct Case {
    const char* what;
    std::vector<Move> moves;
    int closes_at;  // -1: never
  } cases[] = {
      {"five ignored moves, however far", {{0, 0}, {500, 500}, {9, 9}, {300, 1}, {7, 7}}, -1},
      {"sixth move sets the origin", {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {100, 100}}, -1},
      {"jitter of 2 never closes",
       {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {10, 10}, {12, 12}, {14, 10}, {12, 8}, {10, 10}},
       -1},
      {"3 pixels in x closes", {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {10, 10}, {13, 10}}, 6},
      {"3 pixels in y closes", {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {10, 10}, {10, 7}}, 6},
      {"slow creep by 2 never closes",
       {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {2, 0}, {4, 0}, {6, 0}, {8, 0}},
       -1},
      {"the window appearing under the pointer uses up no ignored move",
       {{300, 0, false}, {50, 0}, {100, 0}, {150, 0}, {200, 0}, {250, 0}, {300, 0}, {350, 0}},
       7},
      {"an event without movement neither closes nor moves the origin",
       {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {10, 10}, {400, 400, false}, {12, 12}},
       -1},
  };
  for (const Case& c : cases) {
    ExitState state;
    int closed = -1;
    for (size_t i = 0; i < c.moves.size() && closed < 0; ++i) {
      if (MouseMoveRequestsClose(state, c.moves[i].x, c.moves[i].y, c.moves[i].moved)) {
        closed = static_cast<int>(i);
      }
    }
    EXPECT_EQ(closed, c.closes_at) << c.what;
  }
}

TEST(ExitRules, RefusedCloseIgnoresFiveMoreMoves) {
  ExitState state;
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(MouseMoveRequestsClose(state, 0, 0));
  EXPECT_FALSE(MouseMoveRequestsClose(state, 50, 50));  // sets the origin
  EXPECT_TRUE(MouseMoveRequestsClose(state, 60, 60));
  CloseRequested(state);
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(MouseMoveRequestsClose(state, 400 * i, 0));
  EXPECT_FALSE(MouseMoveRequestsClose(state, 61, 62));  // 60, 60 is still the last position
  EXPECT_TRUE(MouseMoveRequestsClose(state, 0, 0));
}

TEST(ExitRules, TypedCharacters) {
  using platform::kModAlt, platform::kModCtrl, platform::kModShift;
  const struct {
    char32_t ch;
    unsigned modifiers;
    bool closes;
  } cases[] = {
      {U'a', 0, true},
      {U'A', kModShift, true},
      {1, kModCtrl, true},     // Ctrl+A
      {U'a', kModAlt, false},  // X11 types Alt+a as "a"
      {U'a', kModAlt | kModShift, false},
      {U'\u20AC', kModCtrl | kModAlt, true},  // AltGr on Windows
      {0, 0, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KeyCharRequestsClose(c.ch, c.modifiers), c.closes)
        << static_cast<unsigned>(c.ch) << " " << c.modifiers;
  }
}

TEST(ExitRules, F1ResetsOnEverySecondPress) {
  ExitState state;
  const bool expected[] = {false, true, false, true, false};
  for (bool e : expected) EXPECT_EQ(F1ResetsOutput(state), e);
}

}  // namespace
}  // namespace lpc
