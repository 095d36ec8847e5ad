// The numeric field with its spin button (normal, focused look, an arrow held down,
// disabled, read-only), the spin button's own looks (bevelled and gradient, each arrow
// pressed), and the framed edit and memo with and without their flat frame.
#include <windows.h>

#include "Gallery.h"
#include "controls/numeric/BiSpin.h"
#include "controls/numeric/LibSkin.h"
#include "controls/numeric/SpinPainter.h"

namespace gallery {

namespace {

using namespace nox;

// A field that keeps showing its selection when it has no focus: the look of a field
// tabbed into, without taking the focus from the rest of the gallery.
class SelectionShown : public skin::TNumEdit {
 public:
  SelectionShown(Component* owner, WinControl* parent) : skin::TNumEdit(owner, parent, ES_NOHIDESEL) {}
};

// The dialog's strength field: integers from 5 to 100 in steps of 5.
template <typename T = skin::TNumEdit>
T* AddStrength(GalleryForm& form, double value) {
  auto* field = new T(&form, &form);
  const Rect r = form.Place(52, 22);
  field->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  field->SetAlwaysInteger(true);
  field->SetIncrement(5);
  field->SetMaxValue(100);
  field->SetMinValue(5);
  field->SetErrValue(80);
  field->SetValue(value);
  return field;
}

void AddSpinPreview(GalleryForm& form, bool gradient, bool left, bool right) {
  form.AddPreview(24, 18, [gradient, left, right](Canvas& canvas, int w, int h, const DpiScale& scale) {
    SpinLook look;
    look.Gradient = gradient;
    look.LeftPressed = left;
    look.RightPressed = right;
    PaintSpinButton(canvas, w, h, look, CurrentSpinColors(), scale);
  });
}

template <typename T>
T* AddFramed(GalleryForm& form, int width, int height, int tag) {
  auto* control = new T(&form, &form);
  const Rect r = form.Place(width, height);
  control->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  control->SetTag(tag);
  return control;
}

}  // namespace

void AddNumericControls(GalleryForm& form) {
  form.NewRow(L"Numeric field", 22);
  AddStrength(form, 80);
  SelectionShown* focused = AddStrength<SelectionShown>(form, 85);
  SendMessageW(focused->Handle(), EM_SETSEL, 0, -1);
  // An arrow held down: a press that keeps the mouse until the gallery closes; the
  // repeated clicks change nothing.
  skin::TNumEdit* held = AddStrength(form, 90);
  held->OnIncDecClick = [](TNumEdit&) {};
  SendMessageW(held->SpinButton()->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, 
               MAKELPARAM(form.Scale().Px(18), form.Scale().Px(5)));
  skin::TNumEdit* disabled = AddStrength(form, 95);
  disabled->SetEnabled(false);
  skin::TNumEdit* readOnly = AddStrength(form, 100);
  readOnly->SetReadOnly(true);
  auto* fraction = new skin::TNumEdit(&form, &form);
  const Rect f = form.Place(90, 22);
  fraction->SetBounds(f.Left, f.Top, f.Width(), f.Height());
  fraction->SetDecimals(2);
  fraction->SetValue(-1.5);

  form.NewRow(L"Spin button", 18);
  AddSpinPreview(form, false, false, false);
  AddSpinPreview(form, false, true, false);
  AddSpinPreview(form, false, false, true);
  AddSpinPreview(form, true, false, false);
  AddSpinPreview(form, true, true, false);
  AddSpinPreview(form, true, false, true);

  form.NewRow(L"Edit, frame / none", 22);
  AddFramed<skin::TEdit>(form, 150, 22, 0)->SetText(L"C:\\Program Files\\Noxfade\\");
  AddFramed<skin::TEdit>(form, 150, 22, kNoFrameTag)->SetText(L"Tag 999: no frame");

  form.NewRow(L"Memo, frame / none", 60);
  const std::vector<std::wstring> lines = {L"Noxfade 1.2", L"Backend: CPU", L"Working ...",
                                           L"Done in 12.3 s", L"One more line", L"And another"};
  AddFramed<skin::TMemo>(form, 150, 60, 12345)->SetLines(lines);
  AddFramed<skin::TMemo>(form, 150, 60, kNoFrameTag)->SetLines(lines);
}

}  // namespace gallery
