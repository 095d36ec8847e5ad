// The root of the toolkit's object model: a named, tagged object that may own others.
// An owner deletes the components it owns, in reverse creation order, when it is itself
// deleted; a component deleted earlier leaves its owner's list. Portable: the settings
// store walks this model on every platform.
#pragma once

#include <string>
#include <vector>

namespace nox {

class Component {
 public:
  explicit Component(Component* owner = nullptr);
  virtual ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  const std::wstring& Name() const { return mName; }
  void SetName(const std::wstring& name) { mName = name; }
  int Tag() const { return mTag; }
  void SetTag(int tag) { mTag = tag; }

  Component* Owner() const { return mOwner; }
  // Owned components in creation order.
  const std::vector<Component*>& Components() const { return mComponents; }
  // The owned component with this name (not case-sensitive for ASCII letters), or null.
  Component* FindComponent(const std::wstring& name) const;

 protected:
  // Deletes every owned component now (last created first).
  void DestroyComponents();

 private:
  std::wstring mName;
  int mTag = 0;
  Component* mOwner;
  std::vector<Component*> mComponents;
};

}  // namespace nox
