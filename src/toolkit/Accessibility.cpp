#include "toolkit/Accessibility.h"

#include <algorithm>

namespace nox {

std::wstring AccNameFromCaption(const std::wstring& caption) {
  std::wstring name;
  name.reserve(caption.size());
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] != L'&') {
      name += caption[i];
    } else if (i + 1 < caption.size() && caption[i + 1] == L'&') {
      name += L'&';
      ++i;
    }
  }
  return name;
}

AccElement Describe(AccRole role, const std::wstring& name, const std::wstring& value,
                    const AccFacts& facts, const Rect& bounds) {
  AccElement e;
  e.role = role;
  e.name = AccNameFromCaption(name);
  e.value = value;
  e.bounds = bounds;
  uint32_t s = 0;
  if (!facts.visible) s |= kAccInvisible;
  if (!facts.enabled) s |= kAccUnavailable;
  if (facts.focusable && facts.visible && facts.enabled) s |= kAccFocusable;
  if (facts.focused) s |= kAccFocused;
  if (facts.pressed) s |= kAccPressed;
  if (facts.readOnly || role == AccRole::StaticText || role == AccRole::ProgressBar) s |= kAccReadOnly;
  switch (role) {
    case AccRole::PushButton: e.defaultAction = L"Press"; break;
    case AccRole::CheckButton:
      if (facts.checked) s |= kAccChecked;
      e.defaultAction = facts.checked ? L"Uncheck" : L"Check";
      break;
    case AccRole::RadioButton:
      if (facts.checked) s |= kAccChecked;
      e.defaultAction = L"Check";
      break;
    default: break;
  }
  e.states = s;
  return e;
}

namespace {
bool MiddleWithin(const Rect& a, const Rect& b) {
  const int middle2 = a.Top + a.Bottom;  // twice the middle, so odd heights stay exact
  return middle2 >= 2 * b.Top && middle2 < 2 * b.Bottom;
}
bool SameRow(const Rect& a, const Rect& b) { return MiddleWithin(a, b) || MiddleWithin(b, a); }
}  // namespace

std::vector<size_t> AccScreenOrder(const std::vector<Rect>& bounds) {
  std::vector<size_t> byTop(bounds.size());
  for (size_t i = 0; i < byTop.size(); ++i) byTop[i] = i;
  std::stable_sort(byTop.begin(), byTop.end(),
                   [&](size_t a, size_t b) { return bounds[a].Top < bounds[b].Top; });
  std::vector<size_t> order;
  std::vector<bool> placed(bounds.size(), false);
  for (size_t k = 0; k < byTop.size(); ++k) {
    const size_t first = byTop[k];
    if (placed[first]) continue;
    std::vector<size_t> row;
    for (size_t j = k; j < byTop.size(); ++j) {
      const size_t i = byTop[j];
      if (!placed[i] && SameRow(bounds[first], bounds[i])) {
        row.push_back(i);
        placed[i] = true;
      }
    }
    std::stable_sort(row.begin(), row.end(),
                     [&](size_t a, size_t b) { return bounds[a].Left < bounds[b].Left; });
    order.insert(order.end(), row.begin(), row.end());
  }
  return order;
}

int AccHitTest(const std::vector<Rect>& bounds, Point point) {
  for (size_t i = 0; i < bounds.size(); ++i)
    if (bounds[i].Contains(point.X, point.Y)) return static_cast<int>(i);
  return -1;
}

Rect AccSpinArrowBounds(int width, int height, bool up) {
  const int half = width / 2;
  return up ? Rect{half, 0, width, height} : Rect{0, 0, half, height};
}

}  // namespace nox
