// What the toolkit's base controls tell a screen reader (declared in Control.h).
#include <algorithm>

#include "toolkit/AccessibleObject.h"
#include "toolkit/Control.h"

namespace nox {

namespace {
// The message a control posts itself to carry out a reader's default action; wParam is
// the part (0: the control itself).
UINT AccActionMessage() {
  static const UINT message = RegisterWindowMessageW(L"NoxToolkitAccessibleAction");
  return message;
}
}  // namespace

// ---- Control

AccFacts Control::AccFieldFacts() const {
  AccFacts facts;
  facts.visible = AccShown() && (!Parent() || Parent()->AccShown());
  facts.enabled = Enabled() && (!Parent() || Parent()->Enabled());
  return facts;
}

AccElement Control::AccDescribe() const {
  return Describe(AccRole::Client, AccName(), std::wstring(), AccFieldFacts(), Bounds());
}

void Control::AccNotify(DWORD event) const {
  if (const auto* self = dynamic_cast<const WinControl*>(this)) {
    if (self->Handle()) NotifyWinEvent(event, self->Handle(), OBJID_CLIENT, CHILDID_SELF);
    return;
  }
  if (!Parent() || !Parent()->Handle()) return;
  const std::vector<Control*> siblings = Parent()->AccChildren();
  const auto at = std::find(siblings.begin(), siblings.end(), this);
  if (at == siblings.end()) return;
  const LONG id = static_cast<LONG>(Parent()->AccPartCount() + (at - siblings.begin()) + 1);
  NotifyWinEvent(event, Parent()->Handle(), OBJID_CLIENT, id);
}

// ---- WinControl

bool WinControl::AccShown() const {
  if (!Handle()) return Visible();
  return (GetWindowLongPtrW(Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
}

AccFacts WinControl::AccWindowFacts() const {
  AccFacts facts;
  if (!Handle()) return AccFieldFacts();
  facts.visible = IsWindowVisible(Handle()) != FALSE;
  facts.enabled = IsWindowEnabled(Handle()) != FALSE;
  facts.focusable = TabStop() || !Parent();
  facts.focused = Focused();
  return facts;
}

AccElement WinControl::AccDescribe() const {
  return Describe(AccRole::Client, AccName(), std::wstring(), AccWindowFacts(), Bounds());
}

std::vector<Control*> WinControl::AccChildren() const {
  std::vector<Control*> shown;
  for (Control* c : mControls)
    if (c->AccShown()) shown.push_back(c);
  std::vector<Rect> bounds;
  for (const Control* c : shown) bounds.push_back(c->Bounds());
  std::vector<Control*> ordered;
  for (size_t i : AccScreenOrder(bounds)) ordered.push_back(shown[i]);
  return ordered;
}

AccElement WinControl::AccDescribePart(int) const { return AccElement(); }
bool WinControl::AccDoPartAction(int) { return false; }

void WinControl::PostAccAction(int part) {
  if (Handle()) PostMessageW(Handle(), AccActionMessage(), static_cast<WPARAM>(part), 0);
}

LRESULT WinControl::WmAccAction(UINT, WPARAM wParam, LPARAM) {
  if (!Handle() || !IsWindowEnabled(Handle())) return 0;  // disabled meanwhile: nothing happens
  const int part = static_cast<int>(wParam);
  if (part == 0)
    AccDoDefaultAction();
  else
    AccDoPartAction(part);
  return 0;
}

LRESULT WinControl::WmGetObject(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
    if (const LRESULT answer = AnswerAccessibleClient(*this, wParam)) return answer;
  }
  return DefaultHandler(msg, wParam, lParam);
}

bool WinControl::IsAccActionMessage(UINT msg) { return msg == AccActionMessage(); }

}  // namespace nox
