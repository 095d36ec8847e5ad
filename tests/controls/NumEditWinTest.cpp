// The numeric field, its spin button and the framed edits as real windows under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <clocale>
#include <memory>
#include <stdexcept>
#include <vector>

#include "controls/numeric/BiSpin.h"
#include "controls/numeric/LibSkin.h"
#include "controls/numeric/SpinPainter.h"
#include "toolkit/Application.h"
#include "toolkit/Form.h"
#include "toolkit/PixelCanvas.h"
#include "toolkit/SystemLook.h"

using namespace nox;

namespace {

class TestForm : public Form {
 public:
  TestForm() : Form(nullptr, L"NoxNumEditTestForm", false) {
    SetFont(std::make_shared<nox::Font>(L"Tahoma", -11));
    SetClientSize(200, 150);
  }
};

// A form that frees itself at the end of a test.
struct FormScope {
  TestForm* form = new TestForm();
  ~FormScope() { form->Free(); }
};

void Pump() { Application::Instance().ProcessMessages(); }

// Pumps messages for about `ms` milliseconds.
void PumpFor(DWORD ms) {
  const DWORD until = GetTickCount() + ms;
  while (static_cast<int>(until - GetTickCount()) > 0) {
    Pump();
    Sleep(2);
  }
}

// The dialog's strength field.
TNumEdit* Strength(WinControl* form) {
  auto* ed = new TNumEdit(form, form);
  ed->SetBounds(10, 10, 52, 22);
  ed->SetAlwaysInteger(true);
  ed->SetIncrement(5);
  ed->SetMaxValue(100);
  ed->SetMinValue(5);
  ed->SetErrValue(80);
  ed->SetValue(80);
  return ed;
}

void Type(WinControl* c, const std::wstring& chars) {
  for (wchar_t ch : chars) SendMessageW(c->Handle(), WM_CHAR, ch, 1);
}

void SelectAll(WinControl* c) { SendMessageW(c->Handle(), EM_SETSEL, 0, -1); }

void Leave(WinControl* c) { SendMessageW(c->Handle(), WM_KILLFOCUS, 0, 0); }

void KeyDown(WinControl* c, WPARAM key, bool control = false, bool shift = false) {
  BYTE keys[256];
  GetKeyboardState(keys);
  const BYTE savedControl = keys[VK_CONTROL], savedShift = keys[VK_SHIFT];
  keys[VK_CONTROL] = control ? 0x80 : 0;
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
  SendMessageW(c->Handle(), WM_KEYDOWN, key, 1);
  keys[VK_CONTROL] = savedControl;
  keys[VK_SHIFT] = savedShift;
  SetKeyboardState(keys);
}

void Wheel(WinControl* c, short delta) {
  SendMessageW(c->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), 0);
}

bool SetClipboardText(HWND owner, const std::wstring& text) {
  if (!OpenClipboard(owner)) return false;
  EmptyClipboard();
  const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes);
  bool ok = false;
  if (mem) {
    memcpy(GlobalLock(mem), text.c_str(), bytes);
    GlobalUnlock(mem);
    ok = SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
    if (!ok) GlobalFree(mem);
  }
  CloseClipboard();
  return ok;
}

LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(y)); }

RECT ChildRect(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST(NumEditWin, SpinButtonSitsInTheRightEdgeAndTheFieldKeepsItsMinimumHeight) {
  FormScope s;
  TNumEdit* ed = Strength(s.form);
  EXPECT_EQ(ed->Text(), L"80");
  const RECT b = ChildRect(ed->SpinButton()->Handle());
  EXPECT_EQ(b.left, 24);
  EXPECT_EQ(b.top, 0);
  EXPECT_EQ(b.right - b.left, 24);
  EXPECT_EQ(b.bottom - b.top, 18);
  RECT text;
  SendMessageW(ed->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
  // The edit keeps its own margins inside the rectangle it is given.
  EXPECT_LE(text.right, 48 - 24 - 2) << "the text stops 2 pixels short of the button";
  EXPECT_GE(text.right, 48 - 24 - 2 - 6);

  // Tahoma -11 is 13 pixels high: 13 + 13 div 4 + 4 + 2.
  ed->SetBounds(10, 10, 52, 12);
  RECT w;
  GetWindowRect(ed->Handle(), &w);
  EXPECT_EQ(w.bottom - w.top, 22);
  EXPECT_EQ(ed->Height(), 22);
  ed->SetBounds(10, 10, 52, 40);
  EXPECT_EQ(ed->Height(), 40) << "taller is fine";
  EXPECT_EQ(ChildRect(ed->SpinButton()->Handle()).bottom, 36);

  ed->SetBounds(10, 10, 20, 22);  // narrower than the button
  SendMessageW(ed->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
  EXPECT_GE(text.right, text.left) << "the text area never turns negative";
}

TEST(NumEditWin, KeysWheelAndSpinStepWithinTheRange) {
  FormScope s;
  TNumEdit* ed = Strength(s.form);
  KeyDown(ed, VK_UP);
  EXPECT_EQ(ed->Text(), L"85");
  KeyDown(ed, VK_DOWN);
  EXPECT_EQ(ed->Text(), L"80");
  KeyDown(ed, VK_UP, true);
  EXPECT_EQ(ed->Text(), L"100") << "Ctrl: 80 + 5 x 5 = 105, clamped";
  KeyDown(ed, VK_DOWN, true);
  EXPECT_EQ(ed->Text(), L"75");
  Wheel(ed, 120);
  EXPECT_EQ(ed->Text(), L"80");
  Wheel(ed, -1);
  EXPECT_EQ(ed->Text(), L"75") << "any negative delta is one step";
  ed->SetValue(5);
  KeyDown(ed, VK_DOWN);
  EXPECT_EQ(ed->Text(), L"5");

  ed->SetChangeOnWheel(false);
  Wheel(ed, 120);
  EXPECT_EQ(ed->Text(), L"5");
  ed->SetChangeOnWheel(true);
  ed->SetReadOnly(true);
  Wheel(ed, 120);
  KeyDown(ed, VK_UP);
  EXPECT_EQ(ed->Text(), L"5") << "a read-only field does not step";
  ed->SetReadOnly(false);

  int custom = 0;
  ed->OnIncDecClick = [&](TNumEdit&) { ++custom; };
  KeyDown(ed, VK_UP);
  EXPECT_EQ(custom, 1);
  EXPECT_EQ(ed->Text(), L"5") << "the handler replaces the built-in step";
  ed->OnIncDecClick = nullptr;

  // The spin button: the right half steps up, the left half down, at once.
  TBiButton* spin = ed->SpinButton();
  SendMessageW(spin->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(18, 5));
  SendMessageW(spin->Handle(), WM_LBUTTONUP, 0, At(18, 5));
  EXPECT_EQ(ed->Text(), L"10");
  SendMessageW(spin->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(3, 5));
  SendMessageW(spin->Handle(), WM_LBUTTONUP, 0, At(3, 5));
  EXPECT_EQ(ed->Text(), L"5");
  // Dragged 36 pixels outward, the multiplier is 3 for the steps that follow.
  SendMessageW(spin->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(18, 5));
  SendMessageW(spin->Handle(), WM_MOUSEMOVE, MK_LBUTTON, At(54, 5));
  SendMessageW(spin->Handle(), WM_LBUTTONUP, 0, At(54, 5));
  EXPECT_EQ(spin->StepMultiplier(), 3);
  KeyDown(ed, VK_UP);
  EXPECT_EQ(ed->Text(), L"25") << "10 + 5 x 3";
}

TEST(NumEditWin, TypedTextIsFilteredAndRewrittenWhenLeft) {
  FormScope s;
  TNumEdit* ed = Strength(s.form);
  int confirms = 0;
  ed->OnConfirm = [&](TNumEdit&) { ++confirms; };
  SelectAll(ed);
  Type(ed, L"3");
  EXPECT_TRUE(ed->TextTyped());
  EXPECT_EQ(ed->Value(), 5);
  Leave(ed);
  EXPECT_EQ(ed->Text(), L"5");
  EXPECT_FALSE(ed->TextTyped());

  SelectAll(ed);
  Type(ed, L"1.,a5\t\n0");
  EXPECT_EQ(ed->Text(), L"150") << "no point, comma, letter, tab or line feed";
  Type(ed, L"\r");
  EXPECT_EQ(confirms, 1);
  EXPECT_EQ(ed->Text(), L"150") << "Enter confirms and never reaches the text";
  Leave(ed);
  EXPECT_EQ(ed->Text(), L"100");

  SelectAll(ed);
  Type(ed, L"\b");
  EXPECT_EQ(ed->Text(), L"");
  EXPECT_EQ(ed->Value(), 80);
  Leave(ed);
  EXPECT_EQ(ed->Text(), L"80") << "emptied by typing: rewritten";
  ed->SetText(L"");
  Leave(ed);
  EXPECT_EQ(ed->Text(), L"") << "emptied without typing: left alone";
  EXPECT_EQ(ed->IntegerValue(), 80);

  ed->SetValue(82.5);
  EXPECT_EQ(ed->Text(), L"82.5") << "AlwaysInteger filters typing only";
  EXPECT_EQ(ed->IntegerValue(), 82);
  ed->SetValue(83.5);
  EXPECT_EQ(ed->IntegerValue(), 84);

  // Focus from the keyboard selects the whole text, unless AutoSelect is off.
  for (bool autoSelect : {true, false}) {
    ed->SetAutoSelect(autoSelect);
    SendMessageW(ed->Handle(), EM_SETSEL, 1, 1);
    SendMessageW(ed->Handle(), WM_SETFOCUS, 0, 0);
    DWORD start = 9, end = 9;
    SendMessageW(ed->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, autoSelect ? 0u : 1u);
    EXPECT_EQ(end, autoSelect ? 4u : 1u);
    Leave(ed);
  }

  ed->SetEditorEnabled(false);
  SelectAll(ed);
  Type(ed, L"7\b");
  EXPECT_EQ(ed->Text(), L"83.5") << "editor off: no typing, no backspace";
  SendMessageW(ed->Handle(), WM_KEYDOWN, VK_DELETE, 1);
  EXPECT_EQ(ed->Text(), L"83.5") << "nor deleting";
  KeyDown(ed, VK_DOWN);
  EXPECT_EQ(ed->Text(), L"78.5") << "steps still work";
}

TEST(NumEditWin, PasteAndCutFollowTheEditorAndPasteOnlyNumbers) {
  FormScope s;
  TNumEdit* ed = Strength(s.form);
  ASSERT_TRUE(SetClipboardText(s.form->Handle(), L"abc"));
  SelectAll(ed);
  SendMessageW(ed->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(ed->Text(), L"80") << "a non-number is refused";
  Type(ed, L"\x16");  // Ctrl+V
  EXPECT_EQ(ed->Text(), L"80");

  ASSERT_TRUE(SetClipboardText(s.form->Handle(), L" 95\r\n"));
  SelectAll(ed);
  Type(ed, L"\x16");
  EXPECT_EQ(ed->Text(), L"95") << "trimmed: the line break stays out";
  EXPECT_TRUE(ed->TextTyped());

  // Paste and cut keys are typing: once the field is left, its text is the value a run
  // takes. A paste request from elsewhere (the context menu) leaves the text as it is.
  const struct {
    const char* what;
    void (*press)(TNumEdit*);
    const wchar_t* left;
    double value;
  } keys[] = {
      {"Ctrl+V", [](TNumEdit* e) { Type(e, L"\x16"); }, L"100", 100},
      {"Shift+Insert", [](TNumEdit* e) { KeyDown(e, VK_INSERT, false, true); }, L"100", 100},
      {"Ctrl+X", [](TNumEdit* e) { Type(e, L"\x18"); }, L"80", 80},
      {"Shift+Delete", [](TNumEdit* e) { KeyDown(e, VK_DELETE, false, true); }, L"80", 80},
      {"paste request", [](TNumEdit* e) { SendMessageW(e->Handle(), WM_PASTE, 0, 0); }, L"150", 100},
  };
  for (const auto& k : keys) {
    SCOPED_TRACE(k.what);
    ASSERT_TRUE(SetClipboardText(s.form->Handle(), L"150"));
    ed->SetValue(95);
    SelectAll(ed);
    k.press(ed);
    Leave(ed);
    EXPECT_EQ(ed->Text(), k.left);
    EXPECT_EQ(ed->Value(), k.value);
  }

  ASSERT_TRUE(SetClipboardText(s.form->Handle(), L"82.5"));
  SelectAll(ed);
  SendMessageW(ed->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(ed->Value(), 82.5) << "a pasted fraction reads as it is";
  Leave(ed);
  EXPECT_EQ(ed->Text(), L"82.5") << "pasted text is not rewritten";

  ASSERT_TRUE(SetClipboardText(s.form->Handle(), L"60"));
  ed->SetEditorEnabled(false);
  SelectAll(ed);
  SendMessageW(ed->Handle(), WM_PASTE, 0, 0);
  SendMessageW(ed->Handle(), WM_CUT, 0, 0);
  SendMessageW(ed->Handle(), WM_KEYDOWN, VK_INSERT, 1);
  EXPECT_EQ(ed->Text(), L"82.5") << "editor off: no paste, no cut";
  ed->SetEditorEnabled(true);
  ed->SetReadOnly(true);
  SendMessageW(ed->Handle(), WM_PASTE, 0, 0);
  SendMessageW(ed->Handle(), WM_CUT, 0, 0);
  EXPECT_EQ(ed->Text(), L"82.5") << "read-only: no paste, no cut";
  ed->SetReadOnly(false);
  SendMessageW(ed->Handle(), WM_CUT, 0, 0);
  EXPECT_EQ(ed->Text(), L"");
}

// A host or another plug-in may set a C-runtime locale whose decimal point is a comma:
// the field reads and writes its numbers by its own rules all the same.
TEST(NumEditWin, NumbersReadTheSameInACommaLocale) {
  struct LocaleScope {
    std::string saved = std::setlocale(LC_ALL, nullptr);
    ~LocaleScope() { std::setlocale(LC_ALL, saved.c_str()); }
  } scope;
  ASSERT_NE(std::setlocale(LC_ALL, "German"), nullptr);
  ASSERT_EQ(std::localeconv()->decimal_point[0], ',');
  FormScope s;
  TNumEdit* ed = Strength(s.form);
  for (const wchar_t* text : {L"82.5", L"82,5", L" 8.25e1 "}) {
    ed->SetText(text);
    EXPECT_EQ(ed->Value(), 82.5) << text;
  }
  ed->SetValue(82.5);
  EXPECT_EQ(ed->Text(), L"82.5");
}

TEST(NumEditWin, TabAndEscapeGoToTheDialogAndEnterToTheField) {
  FormScope s;
  TNumEdit* ed = Strength(s.form);
  auto code = [&](UINT message, WPARAM key) {
    MSG m{ed->Handle(), message, key, 0, 0, {0, 0}};
    return SendMessageW(ed->Handle(), WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&m));
  };
  const LRESULT tab = code(WM_KEYDOWN, VK_TAB);
  EXPECT_EQ(tab & (DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE), 0);
  EXPECT_EQ(code(WM_KEYDOWN, VK_ESCAPE) & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE), 0);
  EXPECT_NE(code(WM_KEYDOWN, VK_RETURN) & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE), 0);
  EXPECT_NE(code(WM_KEYDOWN, VK_UP) & DLGC_WANTARROWS, 0);

  // Through the form's keyboard filter, Tab moves on.
  ed->SetTabOrder(0);
  auto* next = new Edit(s.form, s.form);
  next->SetBounds(10, 40, 60, 20);
  next->SetTabOrder(1);
  s.form->Show();
  bool moved = false;
  for (int attempt = 0; attempt < 20 && !moved; ++attempt) {  // parallel tests take the focus
    SetForegroundWindow(s.form->Handle());
    ed->SetFocus();
    if (!ed->Focused()) {
      Sleep(25);
      Pump();
      continue;
    }
    PostMessageW(ed->Handle(), WM_KEYDOWN, VK_TAB, 0);
    Pump();
    moved = next->Focused();
  }
  EXPECT_TRUE(moved) << "Tab leaves the numeric field";
}

// A spin button alone on a form, clicks counted with their times.
struct SpinScope : FormScope {
  TBiButton* spin = new TBiButton(form, form);
  std::vector<DWORD> clicks;
  DWORD start = 0;
  SpinScope() {
    spin->SetBounds(10, 10, 24, 16);
    spin->OnButtonClick = [this](TBiButton&) { clicks.push_back(GetTickCount() - start); };
  }
  void Press(int x) {
    start = GetTickCount();
    SendMessageW(spin->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(x, 5));
  }
};

TEST(NumEditWin, HoldingAnArrowRepeatsWithTheRealTimer) {
  SpinScope s;
  s.Press(18);
  ASSERT_EQ(s.clicks.size(), 1u) << "the first click comes with the press";
  EXPECT_TRUE(s.spin->RightPressed());
  EXPECT_EQ(GetCapture(), s.spin->Handle());
  PumpFor(1150);
  SendMessageW(s.spin->Handle(), WM_LBUTTONUP, 0, At(18, 5));
  EXPECT_NE(GetCapture(), s.spin->Handle()) << "released with the mouse";
  const std::vector<DWORD> held = s.clicks;
  PumpFor(300);
  EXPECT_EQ(s.clicks.size(), held.size()) << "no click after the release";

  // Loose bounds: a loaded machine delays timers, it does not hurry them.
  ASSERT_GE(held.size(), 3u);
  EXPECT_GE(held[1], 450u);
  EXPECT_LE(held[1], 900u);
  const double later = static_cast<double>(held.back() - held[1]) / static_cast<double>(held.size() - 2);
  EXPECT_GE(later, 80.0);
  EXPECT_LE(later, 250.0);
  EXPECT_GE(held.size(), 5u) << "500 ms, then about every 100 ms for 650 ms";
}

TEST(NumEditWin, CaptureIsTakenOnAPressAndItsLossReleasesTheArrow) {
  SpinScope s;
  SendMessageW(s.spin->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, At(18, 5));
  EXPECT_FALSE(s.spin->RightPressed() || s.spin->LeftPressed());
  EXPECT_TRUE(s.clicks.empty()) << "only the left button clicks";
  EXPECT_NE(GetCapture(), s.spin->Handle());

  s.Press(5);
  EXPECT_TRUE(s.spin->LeftPressed());
  ASSERT_EQ(GetCapture(), s.spin->Handle());
  // Dragging far to the left of the control: x is signed, the multiplier modest.
  SendMessageW(s.spin->Handle(), WM_MOUSEMOVE, MK_LBUTTON, At(-31, 5));
  EXPECT_EQ(s.spin->StepMultiplier(), 3);
  SendMessageW(s.spin->Handle(), WM_MOUSEMOVE, MK_LBUTTON, At(50, 5));
  EXPECT_EQ(s.spin->StepMultiplier(), -1);

  SetCapture(s.form->Handle());  // someone else takes the mouse
  EXPECT_FALSE(s.spin->LeftPressed()) << "capture lost: the arrow comes up";
  ASSERT_NE(s.spin->RepeatTimer(), nullptr);
  EXPECT_FALSE(s.spin->RepeatTimer()->Enabled());
  ReleaseCapture();
  const size_t n = s.clicks.size();
  PumpFor(650);
  EXPECT_EQ(s.clicks.size(), n);
}

TEST(NumEditWin, AFailingOrDestroyingClickHandlerStopsSafely) {
  SpinScope s;
  int calls = 0;
  s.spin->OnButtonClick = [&](TBiButton&) {
    if (++calls == 2) throw std::runtime_error("step failed");
  };
  s.Press(18);
  PumpFor(700);
  EXPECT_EQ(calls, 2) << "the failure stopped the repetition";
  EXPECT_FALSE(s.spin->RepeatTimer()->Enabled());
  SendMessageW(s.spin->Handle(), WM_LBUTTONUP, 0, At(18, 5));

  // A handler that destroys the button, on the press and on a repeat.
  for (int destroyAt : {1, 2}) {
    auto* doomed = new TBiButton(s.form, s.form);
    doomed->SetBounds(40, 10, 24, 16);
    int seen = 0;
    doomed->OnButtonClick = [&, destroyAt](TBiButton& sender) {
      if (++seen == destroyAt) delete &sender;
    };
    SendMessageW(doomed->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(18, 5));
    PumpFor(650);
    EXPECT_EQ(seen, destroyAt);
    if (GetCapture()) ReleaseCapture();
  }
}

TEST(NumEditWin, AFieldDestroyedByItsOwnStepIsNotTouchedAgain) {
  FormScope s;
  TNumEdit* ed = Strength(s.form);
  int changes = 0;
  ed->OnChange = [&] { ++changes; };
  ed->SetValue(90);
  Type(ed, L"5");
  EXPECT_EQ(changes, 2) << "a written value and a typed character each change the text once";
  ed->OnChange = [ed] { delete ed; };
  SendMessageW(ed->SpinButton()->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(3, 5));
  PumpFor(100);
  EXPECT_EQ(s.form->Controls().size(), 0u);
  if (GetCapture()) ReleaseCapture();
}

// The colour of a window pixel, in window coordinates (border included).
COLORREF WindowPixel(HWND hwnd, int x, int y) {
  HDC dc = GetWindowDC(hwnd);
  const COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(hwnd, dc);
  return c;
}

void RepaintFrame(HWND hwnd) {
  RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
}

TEST(NumEditWin, FramedEditsPaintTwoFlatRingsUnlessTagged999) {
  FormScope s;
  auto* edit = new skin::TEdit(s.form, s.form);
  edit->SetBounds(10, 40, 80, 22);
  auto* memo = new skin::TMemo(s.form, s.form);
  memo->SetBounds(10, 70, 120, 60);
  auto* num = new skin::TNumEdit(s.form, s.form);
  num->SetBounds(100, 10, 52, 22);
  num->SetTag(12345);
  s.form->Show();
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (WinControl* c : std::vector<WinControl*>{edit, memo, num}) {
    RepaintFrame(c->Handle());
    const int w = c->Width();
    const int h = c->Height();
    EXPECT_EQ(WindowPixel(c->Handle(), 0, 0), shadow);
    EXPECT_EQ(WindowPixel(c->Handle(), w - 1, h - 1), shadow);
    EXPECT_EQ(WindowPixel(c->Handle(), w - 1, h / 2), shadow) << "beside the memo's scroll bar too";
    EXPECT_EQ(WindowPixel(c->Handle(), 1, 1), face);
    EXPECT_EQ(WindowPixel(c->Handle(), w - 2, h - 2), face);
  }
  // The frame takes the colours in force at each repaint.
  FixedSystemLook look;
  look.SetColor(kSysColorBtnShadow, 0x0000FF);
  look.SetColor(kSysColorBtnFace, 0x00FF00);
  {
    ScopedSystemLook scoped(look);
    RepaintFrame(memo->Handle());
    EXPECT_EQ(WindowPixel(memo->Handle(), 0, 30), RGB(255, 0, 0));
    EXPECT_EQ(WindowPixel(memo->Handle(), 1, 30), RGB(0, 255, 0));
  }
  edit->SetTag(kNoFrameTag);
  RepaintFrame(edit->Handle());
  EXPECT_NE(WindowPixel(edit->Handle(), 1, 1), face) << "the sunken border shows again";
  EXPECT_NE(WindowPixel(edit->Handle(), 79, 21), shadow);
}

TEST(NumEditWin, SpinButtonWindowShowsWhatThePainterDraws) {
  FormScope s;
  auto* spin = new TBiButton(s.form, s.form);
  spin->SetBounds(10, 10, 24, 16);
  s.form->Show();
  FixedSystemLook look;
  look.SetColor(kSysColorBtnFace, 0x505050);  // a dark face and window colour
  look.SetColor(kSysColorWindow, 0x303030);
  ScopedSystemLook scoped(look);
  for (int x : {-1, 3, 18}) {
    if (x >= 0) SendMessageW(spin->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(x, 5));
    spin->Repaint();
    PixelCanvas expected(24, 16);
    SpinLook state;
    state.LeftPressed = spin->LeftPressed();
    state.RightPressed = spin->RightPressed();
    PaintSpinButton(expected, 24, 16, state, CurrentSpinColors());
    HDC dc = GetDC(spin->Handle());
    int differ = 0;
    for (int y = 0; y < 16; ++y)
      for (int col = 0; col < 24; ++col) {
        const TColor p = expected.Pixel(col, y);
        differ += GetPixel(dc, col, y) != RGB(RedOf(p), GreenOf(p), BlueOf(p));
      }
    ReleaseDC(spin->Handle(), dc);
    EXPECT_EQ(differ, 0) << "press at " << x;
    if (x >= 0) SendMessageW(spin->Handle(), WM_LBUTTONUP, 0, At(x, 5));
  }
  spin->SetEnabled(false);
  spin->Repaint();
  HDC dc = GetDC(spin->Handle());
  const COLORREF arrow = GetPixel(dc, 16, 8);
  ReleaseDC(spin->Handle(), dc);
  EXPECT_EQ(arrow, RGB(208, 208, 208)) << "disabled looks the same: S3 of the dark shades";
}

}  // namespace
