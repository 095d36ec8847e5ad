// Components of the three value kinds for the settings store's native tests, owned by a
// plain component that stands for the form.
#pragma once

#include <string>

#include "toolkit/Component.h"
#include "toolkit/ValueControls.h"

namespace nox {
namespace test {

struct NoValue {};

// A marked (tag 12345) component of the given value kind.
template <class Kind = NoValue>
class Fake : public Component, public Kind {
 public:
  Fake(Component* owner, const std::wstring& name, int tag = 12345) : Component(owner) {
    SetName(name);
    SetTag(tag);
  }
};

struct FakeEdit : Fake<TextValueControl> {
  using Fake::Fake;
  std::wstring ValueText() const override { return text; }
  void SetValueText(const std::wstring& t) override { text = t; }
  std::wstring text;
};

struct FakeCheck : Fake<CheckValueControl> {
  using Fake::Fake;
  bool ValueChecked() const override { return checked; }
  void SetValueChecked(bool c) override { checked = c; }
  bool checked = false;
};

struct FakeList : Fake<IndexValueControl> {
  using Fake::Fake;
  int ValueIndex() const override { return index; }
  void SetValueIndex(int i) override { index = i; }
  int index = -1;
};

// The dialog's marked controls in its component order, with their design values, after a
// marked label that has no value to keep.
struct FakeDialog {
  FakeDialog() {
    form.SetName(L"FormCVPluginDenoise");
    new Fake<>(&form, L"Label1");
    folder = new FakeEdit(&form, L"EdFolder");
    eightBit = new FakeCheck(&form, L"CBScale8bit");
    strength = new FakeEdit(&form, L"EdStrength");
    strength->text = L"80";
  }
  Component form;
  FakeEdit* folder;
  FakeCheck* eightBit;
  FakeEdit* strength;
};

}  // namespace test
}  // namespace nox
