#include "toolkit/Component.h"

#include <algorithm>

namespace nox {

namespace {
wchar_t FoldAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }
}  // namespace

Component::Component(Component* owner) : mOwner(owner) {
  if (mOwner) mOwner->mComponents.push_back(this);
}

Component::~Component() {
  DestroyComponents();
  if (mOwner) {
    auto& list = mOwner->mComponents;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

void Component::DestroyComponents() {
  while (!mComponents.empty()) delete mComponents.back();  // its destructor unlinks it
}

Component* Component::FindComponent(const std::wstring& name) const {
  for (Component* c : mComponents) {
    const std::wstring& n = c->Name();
    if (n.size() == name.size() &&
        std::equal(n.begin(), n.end(), name.begin(),
                   [](wchar_t a, wchar_t b) { return FoldAscii(a) == FoldAscii(b); }))
      return c;
  }
  return nullptr;
}

}  // namespace nox
