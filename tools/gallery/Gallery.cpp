#include "Gallery.h"

#include <windows.h>

#include <algorithm>

#include "toolkit/StdControls.h"

namespace gallery {

namespace {

constexpr int kLabelWidth = 112;
constexpr int kGap = 8;

class Preview : public nox::GraphicControl {
 public:
  Preview(nox::WinControl* parent, PreviewPainter painter)
      : GraphicControl(parent, parent), mPainter(std::move(painter)) {}
  bool Opaque() const override { return true; }
  void Paint(nox::Canvas& canvas) override {
    canvas.SetBrushColor(static_cast<nox::TColor>(Resolve(Color())));
    canvas.FillRect(nox::Rect{0, 0, Width(), Height()});
    mPainter(canvas, Width(), Height(), Scale());
  }

 private:
  PreviewPainter mPainter;
};

}  // namespace

GalleryForm::GalleryForm() : Form(nullptr, L"NoxGalleryForm", false) {
  SetDesignFont(L"Tahoma", -11);
  SetCaption(L"pinoxfade control gallery");
  CenterOnFirstShow = false;
  SetBounds(0, 0, 400, 300);
}

void GalleryForm::NewRow(const std::wstring& title, int height) {
  mRowTop += mRowHeight + (mRowHeight ? kGap : 0);
  mRowHeight = height;
  auto* label = new nox::Label(this, this);
  Form::Place(label, 8, mRowTop + std::max(0, (height - 14) / 2), kLabelWidth - 8, 14);
  label->SetCaption(title);
  mNextLeft = kLabelWidth;
}

nox::Rect GalleryForm::Place(int width, int height) {
  const nox::Rect r = nox::BoundsRect(mNextLeft, mRowTop + (mRowHeight - height) / 2, width, height);
  mNextLeft += width + kGap;
  mRight = std::max(mRight, r.Right);
  return Scale().Px(r);
}

void GalleryForm::AddPreview(int width, int height, PreviewPainter painter) {
  const nox::Rect r = Place(width, height);
  auto* preview = new Preview(this, std::move(painter));
  preview->SetBounds(r.Left, r.Top, r.Width(), r.Height());
}

void GalleryForm::FitToRows() {
  SetClientSize(Scale().Px(mRight + 8), Scale().Px(mRowTop + mRowHeight + 8));
}

bool ParseScheme(const std::wstring& name, Scheme& scheme) {
  if (name == L"light") scheme = Scheme::Light;
  else if (name == L"dark") scheme = Scheme::Dark;
  else if (name == L"contrast") scheme = Scheme::HighContrast;
  else return false;
  return true;
}

SchemeColors::SchemeColors(Scheme scheme)
    : mIndices{COLOR_BTNFACE,   COLOR_BTNSHADOW, COLOR_WINDOW,        COLOR_WINDOWTEXT, COLOR_GRAYTEXT,
               COLOR_BTNTEXT,   COLOR_3DLIGHT,   COLOR_BTNHIGHLIGHT,  COLOR_3DDKSHADOW} {
  // BGR values, 0x00BBGGRR.
  static const COLORREF light[kCount] = {0xF0F0F0, 0xA0A0A0, 0xFFFFFF, 0x000000, 0x6D6D6D,
                                         0x000000, 0xE3E3E3, 0xFFFFFF, 0x696969};
  static const COLORREF dark[kCount] = {0x2B2B2B, 0x5A5A5A, 0x1E1E1E, 0xE6E6E6, 0x8A8A8A,
                                        0xE6E6E6, 0x3C3C3C, 0x505050, 0x101010};
  static const COLORREF contrast[kCount] = {0x000000, 0x808080, 0x000000, 0xFFFFFF, 0x3FF23F,
                                            0xFFFFFF, 0x808080, 0xFFFFFF, 0x808080};
  const COLORREF* values = scheme == Scheme::Dark ? dark : scheme == Scheme::HighContrast ? contrast : light;
  for (int i = 0; i < kCount; ++i) mSaved[i] = GetSysColor(mIndices[i]);
  COLORREF set[kCount];
  std::copy(values, values + kCount, set);
  SetSysColors(kCount, mIndices, set);
}

SchemeColors::~SchemeColors() {
  COLORREF back[kCount];
  for (int i = 0; i < kCount; ++i) back[i] = static_cast<COLORREF>(mSaved[i]);
  SetSysColors(kCount, mIndices, back);
}

}  // namespace gallery
