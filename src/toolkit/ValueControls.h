// What a control offers to whoever keeps its value between sessions (the settings store):
// its value as one of three kinds. A control class implements the one that fits it; the
// store finds it on any component with dynamic_cast, so the plain toolkit controls and
// the skinned ones are kept alike. Portable: no window is needed to read these
// declarations.
#pragma once

#include <string>

namespace nox {

// Edits of every kind (single-line, multi-line, numeric): the text as shown.
class TextValueControl {
 public:
  virtual std::wstring ValueText() const = 0;
  virtual void SetValueText(const std::wstring& text) = 0;

 protected:
  ~TextValueControl() = default;
};

// Check boxes and radio buttons: checked or not.
class CheckValueControl {
 public:
  virtual bool ValueChecked() const = 0;
  virtual void SetValueChecked(bool checked) = 0;

 protected:
  ~CheckValueControl() = default;
};

// List boxes, combo boxes and radio groups: the selected item's index, -1 for none.
class IndexValueControl {
 public:
  virtual int ValueIndex() const = 0;
  virtual void SetValueIndex(int index) = 0;

 protected:
  ~IndexValueControl() = default;
};

}  // namespace nox
