// The control gallery: one window that shows the project's own controls in every state,
// for people who work on them. Sections add rows of controls; a row starts with a label
// and places its controls left to right. The colour scheme (light, dark, high contrast)
// is set for the whole session before the window is built and put back at exit.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "toolkit/Form.h"

namespace gallery {

// Paints a preview of width x height pixels at the gallery's DPI scale.
using PreviewPainter = std::function<void(nox::Canvas&, int, int, const nox::DpiScale&)>;

// Laid out at 96 DPI (the sizes given to NewRow, Place and AddPreview) and shown at the
// screen's DPI.
class GalleryForm : public nox::Form {
 public:
  GalleryForm();
  ~GalleryForm() override = default;

  // Starts a new row captioned `title`; the row is `height` pixels high.
  void NewRow(const std::wstring& title, int height);
  // Places a control of width x height in the current row and returns its bounds at the
  // gallery's DPI.
  nox::Rect Place(int width, int height);
  // A graphic control that paints with `painter` (for states that a live control can show
  // only one at a time, such as the keyboard focus): the form's colour first, then the
  // painter, in control coordinates.
  void AddPreview(int width, int height, PreviewPainter painter);
  // Sizes the window to its rows.
  void FitToRows();

 private:
  int mRowTop = 4;
  int mRowHeight = 0;
  int mNextLeft = 0;
  int mRight = 0;
};

// A colour scheme: the system colours the controls read, set with SetSysColors.
enum class Scheme { Light, Dark, HighContrast };
bool ParseScheme(const std::wstring& name, Scheme& scheme);
// Sets the scheme's colours and returns the ones it replaced, to put back with Restore.
class SchemeColors {
 public:
  explicit SchemeColors(Scheme scheme);
  ~SchemeColors();
  SchemeColors(const SchemeColors&) = delete;
  SchemeColors& operator=(const SchemeColors&) = delete;

 private:
  static constexpr int kCount = 9;
  int mIndices[kCount];
  unsigned long mSaved[kCount];
};

// The sections: each adds its rows to the gallery.
void AddSkinnedControls(GalleryForm& form);
void AddNumericControls(GalleryForm& form);

}  // namespace gallery
