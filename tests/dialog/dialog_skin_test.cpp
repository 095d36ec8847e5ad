// The dialog's look, linked in directly: the colour rule, the gauge's colours before and
// after a show and the pixels it paints, the Help button's glyph. Colours come from a
// system look installed in this process only, never from the desktop's colours, so tests
// running beside these see nothing of them.
#include <gtest/gtest.h>

#include <windows.h>

#include "controls/numeric/LibSkin.h"
#include "controls/skinned/SkinColor.h"
#include "controls/skinned/SkinGlyph.h"
#include "dialog/DialogColors.h"
#include "dialog/Unit1.h"
#include "support/DibSurface.h"
#include "toolkit/SystemLook.h"

using namespace nox;

namespace {

using Surface = test::DibSurface;

FixedSystemLook LookWithWindow(TColor window, TColor face = 0x00F0F0F0) {
  FixedSystemLook look;
  look.SetColor(kSysColorWindow, window);
  look.SetColor(kSysColorBtnFace, face);
  return look;
}

// The gauge's middle row, read at a column left of its centred percentage.
TColor GaugeMiddle(TFormCVPluginDenoise& form, int x) {
  Surface s(346, 337);
  form.GauLog->PaintOn(s.Dc());
  return s.Pixel(form.GauLog->Left() + x, form.GauLog->Top() + form.GauLog->Height() / 2);
}

TEST(DialogSkin, TheDarkRuleReadsTheGreenOfTheWindowColour) {
  const struct {
    TColor window;
    bool dark;
    TColor darkened;  // DarkenIfDark(0x00E8A080, 0x00484848)
  } cases[] = {
      {0x00FFFFFF, false, 0x00E8A080}, {0x00FF70FF, false, 0x00E8A080}, {0x00FF6FFF, true, 0x00A05838},
      {0x0000FF00, false, 0x00E8A080}, {0x001E1E1E, true, 0x00A05838},  {0x00FF0000, true, 0x00A05838},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.window);
    const FixedSystemLook look = LookWithWindow(c.window);
    ScopedSystemLook installed(look);
    EXPECT_EQ(IsDarkWindowColor(), c.dark);
    EXPECT_EQ(DarkenIfDark(0x00E8A080, 0x00484848), c.darkened);
    // Light: the colour as given, top byte and all; dark: the subtraction clears it.
    EXPECT_EQ(DarkenIfDark(static_cast<TColor>(0x05102030), 0x00101010),
              c.dark ? 0x00001020 : static_cast<TColor>(0x05102030));
  }
}

TEST(DialogSkin, TheGaugeTakesTheDesignColoursThenTheSchemesAtEachShow) {
  const FixedSystemLook light = LookWithWindow(0x00FF70FF);
  ScopedSystemLook installed(light);
  auto* form = new TFormCVPluginDenoise();
  TMyGauge& gauge = *form->GauLog;
  // As created: the design values and the shade set last by FormCreate.
  EXPECT_EQ(gauge.MaxValue(), 100);
  EXPECT_EQ(gauge.Progress(), 0);
  EXPECT_EQ(gauge.Color(), kClBtnFace);
  EXPECT_FALSE(gauge.ParentColor());
  EXPECT_EQ(gauge.ForeColor(), 0x00E0A080);
  EXPECT_EQ(gauge.ForeIncrColor(), 0x00202020);
  EXPECT_EQ(gauge.BackShade(), 0x202020);
  EXPECT_EQ(form->GauLog->Left(), 8);
  EXPECT_EQ(form->GauLog->Top(), 50);

  const struct {
    TColor window, face, fore;
  } shows[] = {
      {0x00FF70FF, 0x00F0F0F0, 0x00E8A080},
      {0x00FF6FFF, 0x002B2B2B, 0x00A05838},  // the scheme changed while the dialog was hidden
      {0x00FFFFFF, 0x00D4D0C8, 0x00E8A080},
  };
  for (const auto& c : shows) {
    SCOPED_TRACE(c.window);
    const FixedSystemLook look = LookWithWindow(c.window, c.face);
    ScopedSystemLook scheme(look);
    form->Show();
    EXPECT_EQ(gauge.ForeColor(), c.fore);
    EXPECT_EQ(gauge.Color(), c.face);
    EXPECT_EQ(gauge.BackColor(), c.face);
    form->SetProgress(100);
    EXPECT_EQ(GaugeMiddle(*form, 20), c.fore) << "the fill's middle row is the foreground";
    form->SetProgress(0);
    EXPECT_EQ(GaugeMiddle(*form, 20), SubtractColor(c.face, 0x202020))
        << "the unfilled part starts from the face less the shade";
    form->Hide();
  }
  form->Free();
}

TEST(DialogSkin, HelpShowsItsBuiltInGlyphNotTheStoredPicture) {
  auto* form = new TFormCVPluginDenoise();
  TXMButton& help = *form->ButHelp;
  EXPECT_EQ(help.BitmapKind(), bkHelp);
  EXPECT_EQ(help.IconName(), L"01_Help");
  EXPECT_EQ(help.Caption(), L"");
  const GlyphTable& glyph = HelpGlyph();
  for (const bool pressed : {false, true}) {
    SCOPED_TRACE(pressed);
    Surface s(37, 29);
    help.PaintFace(s.Dc(), Rect{0, 0, 37, 29}, pressed, false, false);
    const int left = pressed ? 11 : 10;
    const int top = pressed ? 7 : 6;
    int compared = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) {
        const TColor want = glyph[static_cast<size_t>(y * 16 + x)];
        if (want == 0x00FFFFFF) continue;  // the transparent white shows the face
        EXPECT_EQ(s.Pixel(left + x, top + y), want) << x << "," << y;
        ++compared;
      }
    EXPECT_GT(compared, 100);
  }
  form->Free();
}

// Painting before a window exists goes nowhere: the screen's device context (what a null
// window gives GetDC and GetWindowDC) is never asked for; the setters only store.
TEST(DialogSkin, NothingIsPaintedWithoutAWindow) {
  EXPECT_FALSE(PaintWindowFrame(nullptr));
  TMyGauge gauge(nullptr, nullptr);
  gauge.SetBounds(0, 0, 20, 4);
  gauge.SetForeColor(0x00123456);
  gauge.SetBackColor(0x00654321);
  gauge.SetMaxValue(10);
  gauge.SetProgress(5);
  EXPECT_EQ(gauge.Progress(), 5);
  EXPECT_EQ(gauge.ForeColor(), 0x00123456);
}

}  // namespace
