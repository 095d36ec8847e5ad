// Controls for the settings store's native tests: components of the three value kinds,
// and one with no value, owned by a plain component that stands for the form.
#pragma once

#include <string>

#include "toolkit/Component.h"
#include "toolkit/ValueControls.h"

namespace nox {
namespace test {

template <class Base>
class Fake : public Component, public Base {
 public:
  Fake(Component* owner, const std::wstring& name, int tag = 12345) : Component(owner) {
    SetName(name);
    SetTag(tag);
  }
};

class FakeEdit : public Fake<TextValueControl> {
 public:
  using Fake::Fake;
  std::wstring ValueText() const override { return text; }
  void SetValueText(const std::wstring& t) override { text = t; }
  std::wstring text;
};

class FakeCheck : public Fake<CheckValueControl> {
 public:
  using Fake::Fake;
  bool ValueChecked() const override { return checked; }
  void SetValueChecked(bool c) override { checked = c; }
  bool checked = false;
};

class FakeList : public Fake<IndexValueControl> {
 public:
  using Fake::Fake;
  int ValueIndex() const override { return index; }
  void SetValueIndex(int i) override { index = i; }
  int index = -1;
};

class FakeLabel : public Component {
 public:
  FakeLabel(Component* owner, const std::wstring& name) : Component(owner) {
    SetName(name);
    SetTag(12345);
  }
};

// The dialog's marked controls in its component order, with their design values.
struct FakeDialog {
  FakeDialog() {
    form.SetName(L"FormCVPluginDenoise");
    new FakeLabel(&form, L"Label1");
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
