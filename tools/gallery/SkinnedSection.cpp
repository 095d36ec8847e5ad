// The skinned controls in every state: the gauge at 0, 37 and 100 per cent, push buttons
// normal, focused, pressed and disabled with each glyph kind and the flat face, check
// boxes and radio buttons checked and not, enabled and not, focused.
#include <windows.h>

#include "Gallery.h"
#include "controls/skinned/ButtonPaint.h"
#include "controls/skinned/CheckPaint.h"
#include "controls/skinned/FCButton.h"
#include "controls/skinned/FCCheck.h"
#include "controls/skinned/FCGauge.h"
#include "controls/skinned/SkinColor.h"
#include "toolkit/SystemLook.h"

namespace gallery {

namespace {

using namespace nox;

// The gauge as the denoise dialog shows it: its own shade of blue (darker when the window
// colour is dark) on the button face, the unfilled part 32 levels darker.
void DialogGaugeColours(TMyGauge& gauge) {
  gauge.SetMaxValue(100);
  gauge.SetColor(kClBtnFace);
  gauge.SetForeIncrColor(0x202020);
  gauge.SetBackShade(0x202020);
  gauge.SetBackColor(SystemColor(kSysColorBtnFace));
  const bool darkWindow = (SystemColor(kSysColorWindow) & 0xFF00) < 0x7000;
  gauge.SetForeColor(darkWindow ? SubtractColor(0xE8A080, 0x484848) : 0xE8A080);
}

TMyGauge* AddGauge(GalleryForm& form, int progress) {
  auto* gauge = new TMyGauge(&form, &form);
  const Rect r = form.Place(329, 22);
  gauge->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  DialogGaugeColours(*gauge);
  gauge->SetProgress(progress);
  return gauge;
}

TXMButton* AddButton(GalleryForm& form, int width, const std::wstring& caption, TBitmapKind kind,
                     bool down = false, bool enabled = true, bool xp = false) {
  auto* button = new TXMButton(&form, &form);
  const Rect r = form.Place(width, 29);
  button->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  button->SetCaption(caption);
  button->SetBitmapKind(kind);
  button->SetDown(down);
  button->SetXPMode(xp);
  button->SetEnabled(enabled);
  return button;
}

// A button painted as the focused one, whichever control holds the real focus.
void AddFocusedButtonPreview(GalleryForm& form, int width, const std::wstring& caption, TBitmapKind kind,
                             bool xp) {
  auto glyph = std::make_shared<ButtonGlyph>();
  glyph->Kind = kind;
  form.AddPreview(width, 29, [glyph, caption, xp](Canvas& canvas, int w, int h, const DpiScale& scale) {
    ButtonLook look;
    look.Color = kClBtnFace;
    look.TextColor = SystemColor(kSysColorWindowText);
    look.Caption = caption;
    look.XPMode = xp;
    PaintButton(canvas, w, h, look, *glyph, false, true, true, scale);
  });
}

template <typename T>
T* AddCheck(GalleryForm& form, WinControl* parent, const std::wstring& caption, bool checked, bool enabled,
            Rect bounds) {
  auto* control = new T(&form, parent);
  control->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
  control->SetCaption(caption);
  control->SetChecked(checked);
  control->SetEnabled(enabled);
  return control;
}

void AddFocusedCheckPreview(GalleryForm& form, CheckStyle style, const std::wstring& caption, bool checked) {
  form.AddPreview(104, 17, [style, caption, checked](Canvas& canvas, int w, int h, const DpiScale& scale) {
    CheckLook look;
    look.Style = style;
    look.Caption = caption;
    look.Color = SystemColor(kSysColorBtnFace);
    look.Checked = checked;
    look.Focused = true;
    PaintCheck(canvas, w, h, look, scale);
  });
}

}  // namespace

void AddSkinnedControls(GalleryForm& form) {
  form.NewRow(L"Gauge 0, 37, 100", 22);
  AddGauge(form, 0);
  form.NewRow(L"", 22);
  AddGauge(form, 37);
  form.NewRow(L"", 22);
  AddGauge(form, 100);
  form.NewRow(L"Gauge, own colours", 22);
  auto* plain = new TMyGauge(&form, &form);
  const Rect r = form.Place(329, 22);
  plain->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  plain->SetMaxValue(100);
  plain->SetProgress(37);

  form.NewRow(L"Button", 29);
  TXMButton* focused = AddButton(form, 78, L"Start", bkNone);
  focused->SetCaption(L"Focused");
  AddButton(form, 78, L"Start", bkNone);
  AddButton(form, 78, L"Pressed", bkNone, true);
  AddButton(form, 78, L"Disabled", bkNone, false, false);
  AddButton(form, 30, L"...", bkNone);
  AddButton(form, 37, L"", bkHelp);
  AddButton(form, 37, L"", bkHelp, true);
  AddButton(form, 37, L"", bkHelp, false, false);

  form.NewRow(L"Glyph kinds", 29);
  AddButton(form, 78, L"OK", bkOk);
  AddButton(form, 78, L"Cancel", bkCancel);
  AddButton(form, 78, L"Help", bkHelp);
  AddFocusedButtonPreview(form, 78, L"Focused", bkOk, false);
  AddButton(form, 78, L"Pressed", bkCancel, true);

  form.NewRow(L"Glyphs disabled", 29);
  AddButton(form, 78, L"OK", bkOk, false, false);
  AddButton(form, 78, L"Cancel", bkCancel, false, false);
  AddButton(form, 78, L"Help", bkHelp, false, false);

  form.NewRow(L"Flat face", 29);
  AddButton(form, 78, L"Normal", bkNone, false, true, true);
  AddFocusedButtonPreview(form, 78, L"Focused", bkNone, true);
  AddButton(form, 78, L"Pressed", bkNone, true, true, true);
  AddButton(form, 78, L"Disabled", bkNone, false, false, true);
  AddButton(form, 78, L"OK", bkOk, false, true, true);

  form.NewRow(L"Check box", 17);
  AddCheck<TMyChkBox>(form, &form, L"Unchecked", false, true, form.Place(104, 17));
  AddCheck<TMyChkBox>(form, &form, L"Image is 8 bit", true, true, form.Place(104, 17));
  AddFocusedCheckPreview(form, CheckStyle::CheckBox, L"Focused", true);
  AddCheck<TMyChkBox>(form, &form, L"Disabled", false, false, form.Place(104, 17));
  AddCheck<TMyChkBox>(form, &form, L"Disabled", true, false, form.Place(104, 17));

  form.NewRow(L"Radio button", 17);
  AddCheck<TMyRadButton>(form, &form, L"Unchecked", false, true, form.Place(104, 17));
  AddCheck<TMyRadButton>(form, &form, L"Checked", true, true, form.Place(104, 17));
  AddFocusedCheckPreview(form, CheckStyle::Radio, L"Focused", true);
  AddCheck<TMyRadButton>(form, &form, L"Disabled", false, false, form.Place(104, 17));

  form.NewRow(L"Disabled group", 44);
  auto* group = new GroupBox(&form, &form);
  const Rect g = form.Place(232, 44);
  group->SetBounds(g.Left, g.Top, g.Width(), g.Height());
  group->SetCaption(L"Group");
  AddCheck<TMyRadButton>(form, group, L"Checked", true, true, form.Scale().Px(BoundsRect(8, 18, 104, 17)));
  AddCheck<TMyRadButton>(form, group, L"Unchecked", false, true, form.Scale().Px(BoundsRect(120, 18, 104, 17)));
  group->SetEnabled(false);

  focused->SetFocus();
}

}  // namespace gallery
