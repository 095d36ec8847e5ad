// What a screen reader hears of a control: its role, name, value, states and default
// action, decided here apart from any window. The numbers of roles and state bits are
// Active Accessibility's, so the Windows shell (AccessibleObject) hands them on as they
// are. Each control describes itself from its own fields through Describe; a parent lists
// its visible children in the order of the screen (AccScreenOrder), windowed or not, and
// finds the one under a point (AccHitTest). Portable: tested without a window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/Geometry.h"

namespace nox {

enum class AccRole : int32_t {
  Client = 0x0A,
  StaticText = 0x29,
  Text = 0x2A,
  PushButton = 0x2B,
  CheckButton = 0x2C,
  RadioButton = 0x2D,
  ProgressBar = 0x30,
  SpinButton = 0x34,
};

// State bits.
constexpr uint32_t kAccUnavailable = 0x1;
constexpr uint32_t kAccFocused = 0x4;
constexpr uint32_t kAccPressed = 0x8;
constexpr uint32_t kAccChecked = 0x10;
constexpr uint32_t kAccReadOnly = 0x40;
constexpr uint32_t kAccInvisible = 0x8000;
constexpr uint32_t kAccFocusable = 0x100000;

// What a control knows of itself, read from its window or its fields.
struct AccFacts {
  bool visible = true;
  bool enabled = true;
  bool focusable = false;  // it can take the keyboard focus (a windowed tab stop)
  bool focused = false;
  bool checked = false;
  bool readOnly = false;
  bool pressed = false;
};

struct AccElement {
  AccRole role = AccRole::Client;
  std::wstring name;
  std::wstring value;
  std::wstring defaultAction;
  uint32_t states = 0;
  Rect bounds;  // in the parent's client coordinates
};

// The element a control of this role shows, as the system's own controls of that kind
// answer: a push button's action is "Press", a check box's "Check" or "Uncheck" (a radio
// button's "Check"); static text and a progress bar are read-only; a focusable control
// that is hidden or disabled is not focusable. The name loses its '&' mnemonic markers.
AccElement Describe(AccRole role, const std::wstring& name, const std::wstring& value,
                    const AccFacts& facts, const Rect& bounds);

// A caption as a name: '&' marks the mnemonic and goes, "&&" is one '&'.
std::wstring AccNameFromCaption(const std::wstring& caption);

// The order in which a reader meets the children: rows from top to bottom, each from left
// to right. Two children are in one row when the middle of either lies within the other's
// height; a row is read by its first (topmost) child. Gives indexes into `bounds`.
std::vector<size_t> AccScreenOrder(const std::vector<Rect>& bounds);

// The index of the first of `bounds` (in the order given) that holds the point, or -1.
int AccHitTest(const std::vector<Rect>& bounds, Point point);

// The two arrows of a spin button `width` x `height`: the left one steps down, the right
// one (from width div 2 on, as the mouse presses it) steps up.
Rect AccSpinArrowBounds(int width, int height, bool up);

}  // namespace nox
