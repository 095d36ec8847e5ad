// The skinned controls under Wine, with the real system colours and metrics: painters give
// the same pixels on GDI as on the pixel canvas (text: where each canvas measured it),
// clicks by mouse, double click and keyboard, radio groups, the faded glyph of a disabled
// button, and no GDI object left behind by repainting.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>

#include "controls/skinned/ButtonPaint.h"
#include "controls/skinned/CheckPaint.h"
#include "controls/skinned/FCButton.h"
#include "controls/skinned/FCCheck.h"
#include "controls/skinned/FCGauge.h"
#include "controls/skinned/GaugePaint.h"
#include "controls/skinned/SkinColor.h"
#include "controls/skinned/SkinGlyph.h"
#include "controls/skinned/SkinPaint.h"
#include "support/DibSurface.h"
#include "toolkit/Application.h"
#include "toolkit/Form.h"
#include "toolkit/GdiCanvas.h"
#include "toolkit/PixelCanvas.h"
#include "toolkit/SystemLook.h"

using namespace nox;
using nox::test::DibSurface;

namespace {

constexpr TColor kBg = 0x123456;

void Pump() { Application::Instance().ProcessMessages(); }

struct Drawing {
  const char* name;
  int width;
  int height;
  std::function<void(Canvas&)> draw;
};

TEST(SkinnedWin, PaintersGiveTheSamePixelsOnGdiAndThePixelCanvas) {
  auto gauge = [](int progress) {
    return [progress](Canvas& c) {
      GaugeState s;
      s.MaxValue = 100;
      s.Progress = progress;
      s.ShowText = false;
      s.BackColor = kClBtnFace;
      s.BackShade = 0x202020;
      PaintGauge(c, 329, 22, s, 0);
    };
  };
  auto button = [](TBitmapKind kind, bool pressed, bool focused, bool enabled, bool xp) {
    return [=](Canvas& c) {
      ButtonLook look;
      look.Color = kClBtnFace;
      look.XPMode = xp;
      ButtonGlyph glyph;
      glyph.Kind = kind;
      PaintButton(c, 37, 29, look, glyph, pressed, focused, enabled);
    };
  };
  auto check = [](CheckStyle style, bool checked, bool enabled, int height) {
    return [=](Canvas& c) {
      CheckLook look;
      look.Style = style;
      look.Color = SystemColor(kSysColorBtnFace);
      look.Checked = checked;
      look.Enabled = enabled;
      PaintCheck(c, 40, height, look);  // no caption: no text
    };
  };
  const Drawing drawings[] = {
      {"gradient face", 80, 31, [](Canvas& c) { DrawGradientFace(c, Rect{0, 0, 78, 29}, kClBtnFace, false, false); }},
      {"gradient face focused", 80, 31, [](Canvas& c) { DrawGradientFace(c, Rect{1, 1, 78, 29}, kClBtnFace, false, true); }},
      {"gradient face pressed", 80, 31, [](Canvas& c) { DrawGradientFace(c, Rect{0, 0, 78, 29}, 0x405060, true, false); }},
      {"XP face", 80, 31, [](Canvas& c) { DrawXPFace(c, Rect{0, 0, 78, 29}, kClBtnFace, false, true); }},
      {"XP face pressed", 80, 31, [](Canvas& c) { DrawXPFace(c, Rect{0, 0, 78, 29}, kClBtnFace, true, false); }},
      {"check frame", 20, 20, [](Canvas& c) { DrawCheckFrame(c, 0, 2, 13, 15, true, true); }},
      {"check frame disabled", 20, 20, [](Canvas& c) { DrawCheckFrame(c, 1, 1, 18, 18, true, false); }},
      {"radio 13", 20, 20, [](Canvas& c) { DrawRadioFrame(c, 0, 0, 13, 13, true, true); }},
      {"radio 15", 20, 20, [](Canvas& c) { DrawRadioFrame(c, 0, 2, 15, 15, true, false); }},
      {"radio 17", 20, 20, [](Canvas& c) { DrawRadioFrame(c, 1, 0, 18, 17, false, true); }},
      {"gauge 0", 331, 24, gauge(0)},
      {"gauge 37", 331, 24, gauge(37)},
      {"gauge 100", 331, 24, gauge(100)},
      {"button ok", 37, 29, button(bkOk, false, false, true, false)},
      {"button cancel pressed", 37, 29, button(bkCancel, true, false, true, false)},
      {"button help disabled", 37, 29, button(bkHelp, false, true, false, false)},
      {"button flat ok", 37, 29, button(bkOk, false, true, true, true)},
      {"check box", 40, 17, check(CheckStyle::CheckBox, true, true, 17)},
      {"radio button disabled", 40, 12, check(CheckStyle::Radio, true, false, 12)},
  };
  for (const Drawing& d : drawings) {
    DibSurface dib(d.width, d.height);
    GdiCanvas gdi(dib.Dc());
    gdi.SetBrushColor(kBg);
    gdi.FillRect(Rect{0, 0, d.width, d.height});
    d.draw(gdi);
    PixelCanvas pix(d.width, d.height, kBg);
    d.draw(pix);
    int mismatches = 0;
    for (int y = 0; y < d.height; ++y)
      for (int x = 0; x < d.width; ++x)
        if (dib.Pixel(x, y) != pix.Pixel(x, y) && ++mismatches <= 3)
          ADD_FAILURE() << d.name << " (" << x << ", " << y << "): GDI " << std::hex << dib.Pixel(x, y)
                        << ", pixel canvas " << pix.Pixel(x, y);
    EXPECT_EQ(mismatches, 0) << d.name;
  }
}

// The bounding box of the pixels where `with` differs from `without`.
Rect InkBox(const std::function<TColor(int, int)>& with, const std::function<TColor(int, int)>& without, int w,
            int h) {
  Rect box{w, h, 0, 0};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (with(x, y) != without(x, y)) {
        box.Left = std::min(box.Left, x);
        box.Top = std::min(box.Top, y);
        box.Right = std::max(box.Right, x + 1);
        box.Bottom = std::max(box.Bottom, y + 1);
      }
  return box;
}

// Text metrics differ between the canvases: on each, the text's ink lies inside the cell
// the painter placed by that canvas's own measurement, and is centred alike.
TEST(SkinnedWin, TextLandsWhereEachCanvasMeasuredIt) {
  auto font = std::make_shared<Font>(L"Tahoma", -11);
  struct Case {
    const char* name;
    int w, h;
    std::function<void(Canvas&, bool withText)> draw;
    std::function<Rect(Canvas&)> cell;  // where the text should be
    bool centred;
  };
  const Case cases[] = {
      {"gauge", 329, 22,
       [](Canvas& c, bool text) {
         GaugeState s;
         s.MaxValue = 100;
         s.Progress = 50;
         s.ShowText = text;
         PaintGauge(c, 329, 22, s, 0);
       },
       [](Canvas& c) {
         const Size t = c.TextExtent(L"50%");
         return BoundsRect((328 - t.Width) / 2 + 2, (21 - t.Height) / 2, t.Width, t.Height);
       },
       true},
      {"button caption", 78, 29,
       [](Canvas& c, bool text) {
         ButtonLook look;
         look.Color = kClBtnFace;
         look.Caption = text ? L"Start" : L"";
         ButtonGlyph g;
         PaintButton(c, 78, 29, look, g, false, false, true);
       },
       [](Canvas& c) {
         const Size t = c.TextExtent(L"Start");
         return BoundsRect(3 + (72 - t.Width) / 2, 3 + (23 - t.Height) / 2, t.Width, t.Height);
       },
       true},
      {"check box caption", 120, 17,
       [](Canvas& c, bool text) {
         // On the control's colour, so that only the glyphs differ.
         c.SetBrushColor(0xF0F0F0);
         c.FillRect(Rect{0, 0, 120, 17});
         CheckLook look;
         look.Color = 0xF0F0F0;
         look.Caption = text ? L"Image is 8 bit" : L"";
         PaintCheck(c, 120, 17, look);
       },
       [](Canvas& c) {
         const Size t = c.TextExtent(L"Image is 8 bit");
         const int th = c.TextExtent(L"Ddqg").Height;
         const int bw = CheckIndicatorSize(17).Width;
         return BoundsRect(bw + 4, (17 - th) / 2, t.Width, t.Height);
       },
       false},
  };
  for (const Case& k : cases) {
    DibSurface with(k.w, k.h), without(k.w, k.h);
    GdiCanvas gWith(with.Dc()), gWithout(without.Dc());
    gWith.SetFont(font->Handle());
    gWithout.SetFont(font->Handle());
    k.draw(gWith, true);
    k.draw(gWithout, false);
    PixelCanvas pWith(k.w, k.h), pWithout(k.w, k.h);
    k.draw(pWith, true);
    k.draw(pWithout, false);
    const Rect gdiInk = InkBox([&](int x, int y) { return with.Pixel(x, y); },
                               [&](int x, int y) { return without.Pixel(x, y); }, k.w, k.h);
    const Rect pixInk = InkBox([&](int x, int y) { return pWith.Pixel(x, y); },
                               [&](int x, int y) { return pWithout.Pixel(x, y); }, k.w, k.h);
    for (const auto& [canvasName, ink, cell] :
         {std::make_tuple("GDI", gdiInk, k.cell(gWith)), std::make_tuple("pixel", pixInk, k.cell(pWith))}) {
      ASSERT_FALSE(ink.IsEmpty()) << k.name << " on " << canvasName;
      EXPECT_GE(ink.Left, cell.Left) << k.name << " on " << canvasName;
      EXPECT_GE(ink.Top, cell.Top) << k.name << " on " << canvasName;
      EXPECT_LE(ink.Right, cell.Right) << k.name << " on " << canvasName;
      EXPECT_LE(ink.Bottom, cell.Bottom) << k.name << " on " << canvasName;
    }
    // Both centred alike (within the ink's side bearings), or both starting at the left.
    if (k.centred) {
      EXPECT_NEAR((gdiInk.Left + gdiInk.Right) / 2.0, (pixInk.Left + pixInk.Right) / 2.0, 3.0) << k.name;
    } else {
      EXPECT_NEAR(gdiInk.Left, pixInk.Left, 2) << k.name;
    }
  }
}

// A form with the controls under test.
class ControlsForm : public Form {
 public:
  ControlsForm() : Form(nullptr, L"NoxSkinnedTestForm", false) {
    SetFont(std::make_shared<nox::Font>(L"Tahoma", -11));
    SetClientSize(400, 200);
  }
  void Close() { Free(); }
};

class SkinnedControls : public ::testing::Test {
 protected:
  void SetUp() override {
    mForm = new ControlsForm();
    mForm->Show();
    Pump();
  }
  void TearDown() override { mForm->Close(); }

  template <typename T>
  T* Add(int left, int top, int width, int height) {
    auto* c = new T(mForm, mForm);
    c->SetBounds(left, top, width, height);
    return c;
  }
  static void Click(HWND hwnd, int x = 5, int y = 5) {
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }

  ControlsForm* mForm = nullptr;
};

TEST_F(SkinnedControls, ClicksByMouseDoubleClickAndKeyboard) {
  auto* box = Add<TMyChkBox>(8, 8, 120, 17);
  box->SetCaption(L"Image is 8 bit");
  auto* button = Add<TXMButton>(8, 40, 78, 29);
  button->SetCaption(L"Start");
  int boxClicks = 0, buttonClicks = 0;
  box->OnClick = [&] { ++boxClicks; };
  button->OnClick = [&] { ++buttonClicks; };
  struct Step {
    const char* what;
    std::function<void()> act;
    int boxClicks;
    bool checked;
    int buttonClicks;
  };
  const Step steps[] = {
      {"click the check box", [&] { Click(box->Handle()); }, 1, true, 0},
      {"it took the focus", [&] { EXPECT_TRUE(box->Focused()); }, 1, true, 0},
      {"release outside: no click",
       [&] {
         SendMessageW(box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
         SendMessageW(box->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(300, 5));
       },
       1, true, 0},
      {"double click toggles twice",
       [&] {
         Click(box->Handle());
         Click(box->Handle());
       },
       3, true, 0},
      {"space", [&] { SendMessageW(box->Handle(), WM_CHAR, L' ', 0); }, 4, false, 0},
      {"other keys do nothing", [&] { SendMessageW(box->Handle(), WM_CHAR, L'x', 0); }, 4, false, 0},
      {"setter, a change", [&] { box->SetChecked(true); }, 5, true, 0},
      {"setter, no change", [&] { box->SetChecked(true); }, 5, true, 0},
      {"click the button", [&] { Click(button->Handle()); }, 5, true, 1},
      {"double click: two clicks",
       [&] {
         SendMessageW(button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
         SendMessageW(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
         SendMessageW(button->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
         SendMessageW(button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
       },
       5, true, 3},
      {"space bar on the button",
       [&] {
         button->SetFocus();
         SendMessageW(button->Handle(), WM_KEYDOWN, VK_SPACE, 0);
         SendMessageW(button->Handle(), WM_KEYUP, VK_SPACE, 0xC0000001);
       },
       5, true, 4},
  };
  for (const Step& s : steps) {
    s.act();
    Pump();
    EXPECT_EQ(boxClicks, s.boxClicks) << s.what;
    EXPECT_EQ(box->Checked(), s.checked) << s.what;
    EXPECT_EQ(buttonClicks, s.buttonClicks) << s.what;
  }
  // An owner-drawn button stays owner-drawn when marked as the dialog's default button.
  SendMessageW(button->Handle(), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  EXPECT_EQ(GetWindowLongPtrW(button->Handle(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_TRUE(button->ShowsFocus());
}

TEST_F(SkinnedControls, RadioButtonsOfOneParentFormAGroup) {
  TMyRadButton* radios[3];
  int clicks[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    radios[i] = Add<TMyRadButton>(8, 8 + 20 * i, 100, 17);
    radios[i]->SetCaption(L"radio");
    radios[i]->OnClick = [&clicks, i] { ++clicks[i]; };
  }
  auto* other = Add<TMyChkBox>(200, 8, 100, 17);  // not a radio: left alone
  other->SetChecked(true);
  struct Step {
    const char* what;
    std::function<void()> act;
    bool checked[3];
    int clicks[3];
  };
  const Step steps[] = {
      {"click the first", [&] { Click(radios[0]->Handle()); }, {true, false, false}, {1, 0, 0}},
      {"click it again: nothing", [&] { Click(radios[0]->Handle()); }, {true, false, false}, {1, 0, 0}},
      {"click the second", [&] { Click(radios[1]->Handle()); }, {false, true, false}, {1, 1, 0}},
      {"space on the third", [&] { SendMessageW(radios[2]->Handle(), WM_CHAR, L' ', 0); }, {false, false, true}, {1, 1, 1}},
      {"space on a checked one", [&] { SendMessageW(radios[2]->Handle(), WM_CHAR, L' ', 0); }, {false, false, true}, {1, 1, 1}},
      {"setter checks the first", [&] { radios[0]->SetChecked(true); }, {true, false, false}, {2, 1, 1}},
      {"unchecking raises nothing", [&] { radios[0]->SetChecked(false); }, {false, false, false}, {2, 1, 1}},
  };
  for (const Step& s : steps) {
    s.act();
    Pump();
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(radios[i]->Checked(), s.checked[i]) << s.what << ", radio " << i;
      EXPECT_EQ(clicks[i], s.clicks[i]) << s.what << ", radio " << i;
    }
  }
  EXPECT_TRUE(other->Checked());

  // A handler that throws: the window procedure swallows it, and the handlers stay.
  radios[1]->OnClick = [] { throw std::runtime_error("handler failed"); };
  Click(radios[1]->Handle());
  Click(radios[1]->Handle());  // already checked: held back, not lost
  EXPECT_TRUE(radios[1]->Checked());
  EXPECT_TRUE(static_cast<bool>(radios[1]->OnClick));
  Click(radios[2]->Handle());
  EXPECT_EQ(clicks[2], 2);
}

TEST_F(SkinnedControls, DisabledButtonShowsTheFadedGlyph) {
  auto* button = Add<TXMButton>(8, 8, 78, 29);
  button->SetCaption(L"OK");
  Bitmap picture(16, 16, 0xFFFFFF);
  picture.SetPixel(5, 5, 0x000000);
  button->SetBitmap(&picture);
  EXPECT_EQ(button->BitmapKind(), bkCustom);
  button->SetBitmapKind(bkOk);
  button->SetEnabled(false);
  UpdateWindow(button->Handle());
  Pump();
  ASSERT_FALSE(button->DisabledBitmap().Empty()) << "painted disabled through WM_DRAWITEM";

  auto faded = [](TColor p, TColor face) {
    if (RedOf(face) < 0x68) face = AddColor(face, 0x101010);
    return MakeColor((RedOf(p) + 3 * RedOf(face)) / 4, (GreenOf(p) + 3 * GreenOf(face)) / 4,
                     (BlueOf(p) + 3 * BlueOf(face)) / 4);
  };
  const TColor okPixel = OkGlyph()[7 * 16 + 7];
  const TColor face = SystemColor(kSysColorBtnFace);
  DibSurface dib(78, 29);
  button->PaintFace(dib.Dc(), Rect{0, 0, 78, 29}, false, false, true);
  EXPECT_EQ(dib.Pixel(7 + 7, 6 + 7), faded(okPixel, face)) << "the built-in glyph's faded copy, not the old picture's";

  // A new button face: the faded copy is rebuilt at the next disabled paint.
  const int index = COLOR_BTNFACE;
  const COLORREF saved = GetSysColor(index);
  const COLORREF darker = RGB(0x80, 0x90, 0xA0);
  SetSysColors(1, &index, &darker);
  button->PaintFace(dib.Dc(), Rect{0, 0, 78, 29}, false, false, true);
  const TColor fadedDark = dib.Pixel(7 + 7, 6 + 7);
  SetSysColors(1, &index, &saved);
  EXPECT_EQ(fadedDark, faded(okPixel, static_cast<TColor>(darker)));
}

// The process's GDI objects; 0 where GetGuiResources is not implemented (Wine).
DWORD GdiObjectCount() {
  return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
}

// Where GetGuiResources has no answer, a leak shows as handle values that keep growing:
// Wine hands out a freed handle slot before a new one, so without a leak a new object's
// slot stays below the high-water mark reached before.
uintptr_t HandleHighWater() {
  uintptr_t high = 0;
  HGDIOBJ made[32];
  for (auto& h : made) {
    h = CreateSolidBrush(0);
    high = std::max(high, reinterpret_cast<uintptr_t>(h) & 0xFFFF);
  }
  for (auto& h : made) DeleteObject(h);
  return high;
}

TEST_F(SkinnedControls, RepaintingLeavesNoGdiObjectBehind) {
  auto* gauge = Add<TMyGauge>(8, 8, 329, 22);
  gauge->SetMaxValue(1000);
  auto* button = Add<TXMButton>(8, 40, 78, 29);
  button->SetCaption(L"Start");
  button->SetBitmapKind(bkHelp);
  auto* box = Add<TMyChkBox>(8, 80, 120, 17);
  box->SetCaption(L"Image is 8 bit");
  auto* radio = Add<TMyRadButton>(8, 100, 120, 17);
  radio->SetCaption(L"radio");
  Pump();
  const DWORD before = GdiObjectCount();
  const uintptr_t highBefore = HandleHighWater();
  for (int i = 0; i < 1000; ++i) {
    gauge->SetProgress(i % 1000 + 1);  // repaints at once
    button->SetDown(i % 2 == 0);       // repaints at once
    box->SetChecked(i % 2 == 0);
    radio->Repaint();
    if (i % 100 == 0) button->SetEnabled(i % 200 == 0);
    Pump();
  }
  const DWORD after = GdiObjectCount();
  const uintptr_t highAfter = HandleHighWater();
  if (before != 0) {
    EXPECT_LE(after, before + 2) << "GDI objects before " << before << ", after " << after;
  }
  EXPECT_LT(highAfter, highBefore + 64) << "handle slots grew from " << highBefore << " to " << highAfter;
}

}  // namespace
