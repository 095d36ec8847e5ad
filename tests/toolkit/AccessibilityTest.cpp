// What a screen reader hears, decided without a window: the states and default actions by
// role, names from captions and the order in which a reader meets a dialog's controls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/Accessibility.h"

using namespace nox;

namespace {

AccFacts Facts(bool visible, bool enabled, bool focusable, bool focused, bool checked = false,
               bool readOnly = false, bool pressed = false) {
  AccFacts f;
  f.visible = visible;
  f.enabled = enabled;
  f.focusable = focusable;
  f.focused = focused;
  f.checked = checked;
  f.readOnly = readOnly;
  f.pressed = pressed;
  return f;
}

TEST(AccessibilityTest, StatesAndDefaultActionsByRole) {
  struct Case {
    const char* what;
    AccRole role;
    AccFacts facts;
    uint32_t states;
    const wchar_t* action;
  };
  const Case cases[] = {
      {"button with the focus", AccRole::PushButton, Facts(true, true, true, true), kAccFocusable | kAccFocused, L"Press"},
      {"disabled button", AccRole::PushButton, Facts(true, false, true, false), kAccUnavailable, L"Press"},
      {"held button", AccRole::PushButton, Facts(true, true, false, false, false, false, true), kAccPressed, L"Press"},
      {"checked box", AccRole::CheckButton, Facts(true, true, true, false, true), kAccChecked | kAccFocusable, L"Uncheck"},
      {"unchecked box", AccRole::CheckButton, Facts(true, true, true, false, false), kAccFocusable, L"Check"},
      {"hidden box", AccRole::CheckButton, Facts(false, true, true, false), kAccInvisible, L"Check"},
      {"checked radio", AccRole::RadioButton, Facts(true, true, true, false, true), kAccChecked | kAccFocusable, L"Check"},
      {"read-only text", AccRole::Text, Facts(true, true, true, false, false, true), kAccReadOnly | kAccFocusable, L""},
      {"text", AccRole::Text, Facts(true, true, true, true), kAccFocusable | kAccFocused, L""},
      {"label", AccRole::StaticText, Facts(true, true, false, false, true), kAccReadOnly, L""},
      {"gauge", AccRole::ProgressBar, Facts(true, true, false, false), kAccReadOnly, L""},
      {"client", AccRole::Client, Facts(true, true, false, false, true), 0, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Rect bounds{1, 2, 30, 40};
    const AccElement e = Describe(c.role, L"Name", L"Value", c.facts, bounds);
    EXPECT_EQ(e.role, c.role);
    EXPECT_EQ(e.states, c.states);
    EXPECT_EQ(e.defaultAction, c.action);
    EXPECT_EQ(e.name, L"Name");
    EXPECT_EQ(e.value, L"Value");
    EXPECT_EQ(e.bounds, bounds);
  }
}

TEST(AccessibilityTest, NamesLoseTheirMnemonicMarkers) {
  const struct {
    const wchar_t* caption;
    const wchar_t* name;
  } cases[] = {
      {L"&Start", L"Start"}, {L"Fish && &Chips", L"Fish & Chips"}, {L"...", L"..."}, {L"&&&", L"&"},
      {L"&&x", L"&x"}, {L"A&&", L"A&"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AccNameFromCaption(c.caption), c.name);
    EXPECT_EQ(Describe(AccRole::PushButton, c.caption, L"", AccFacts{}, Rect{}).name, c.name);
  }
}

// The plug-in's dialog at 96 DPI, in creation order: the reader meets it row by row.
TEST(AccessibilityTest, ChildrenInTheOrderOfTheScreen) {
  const std::vector<Rect> dialog = {
      BoundsRect(8, 6, 149, 13),    // 0 Label1
      BoundsRect(8, 50, 329, 22),   // 1 gauge
      BoundsRect(7, 311, 42, 13),   // 2 Label2
      BoundsRect(8, 80, 329, 217),  // 3 log
      BoundsRect(8, 21, 281, 21),   // 4 folder
      BoundsRect(260, 303, 78, 29), // 5 Start
      BoundsRect(294, 19, 43, 24),  // 6 "..." (above the folder's top, in its row)
      BoundsRect(217, 303, 37, 29), // 7 Help
      BoundsRect(118, 310, 86, 17), // 8 8-bit box
      BoundsRect(53, 308, 52, 22),  // 9 strength
  };
  EXPECT_EQ(AccScreenOrder(dialog), (std::vector<size_t>{0, 4, 6, 1, 3, 2, 9, 8, 7, 5}));

  // A row is read by its first child: a tall one to its right does not pull the next row in;
  // equal places keep their order.
  const std::vector<Rect> rows = {
      BoundsRect(50, 0, 10, 10), BoundsRect(0, 12, 10, 10), BoundsRect(20, 2, 10, 30),
      BoundsRect(0, 0, 10, 10), BoundsRect(0, 0, 10, 10),
  };
  EXPECT_EQ(AccScreenOrder(rows), (std::vector<size_t>{3, 4, 2, 0, 1}));
  EXPECT_TRUE(AccScreenOrder({}).empty());
  // A middle on a row's top edge is in it, on its bottom edge not.
  EXPECT_EQ(AccScreenOrder({BoundsRect(9, 0, 1, 10), BoundsRect(0, 5, 1, 20)}), (std::vector<size_t>{1, 0}));
  EXPECT_EQ(AccScreenOrder({BoundsRect(9, 0, 1, 10), BoundsRect(0, 6, 1, 8)}), (std::vector<size_t>{0, 1}));

  // The first of the children under a point; the right and bottom edges are outside.
  const std::vector<Rect> over = {Rect{10, 10, 20, 20}, Rect{0, 0, 100, 100}};
  EXPECT_EQ(AccHitTest(over, Point{10, 10}), 0);
  EXPECT_EQ(AccHitTest(over, Point{20, 19}), 1);
  EXPECT_EQ(AccHitTest(over, Point{100, 5}), -1);

  // A spin button's right arrow from width div 2 on, as the mouse presses it.
  EXPECT_EQ(AccSpinArrowBounds(23, 18, false), (Rect{0, 0, 11, 18}));
  EXPECT_EQ(AccSpinArrowBounds(23, 18, true), (Rect{11, 0, 23, 18}));
}

}  // namespace
