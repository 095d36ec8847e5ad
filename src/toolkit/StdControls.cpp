#include "toolkit/StdControls.h"

#include <algorithm>

#include "text/LineBreaks.h"
#include "toolkit/GdiCanvas.h"

namespace nox {

namespace {
HWND ParentHandle(WinControl* parent) { return parent ? parent->Handle() : nullptr; }
}  // namespace

// ---- Label

Label::Label(Component* owner, WinControl* parent) : GraphicControl(owner, parent) {}

void Label::SetCaption(const std::wstring& caption) {
  mCaption = caption;
  Invalidate();
}

AccElement Label::AccDescribe() const {
  return Describe(AccRole::StaticText, AccName(), std::wstring(), AccFieldFacts(), Bounds());
}

void Label::Paint(Canvas& canvas) {
  const nox::Font* f = Font();
  canvas.SetTextColor(static_cast<TColor>(Resolve(f ? f->Color : kClWindowText)));
  if (!Enabled()) canvas.SetTextColor(static_cast<TColor>(GetSysColor(COLOR_GRAYTEXT)));
  canvas.WriteText(Rect{0, 0, Width(), Height()}, mCaption, TextLeft);
}

// ---- Edit

Edit::Edit(Component* owner, WinControl* parent) : Edit(owner, parent, ES_AUTOHSCROLL) {}

Edit::Edit(Component* owner, WinControl* parent, DWORD extraStyle) : WinControl(owner, parent) {
  CreateHandle(L"EDIT", WS_CHILD | WS_VISIBLE | WS_TABSTOP | extraStyle, WS_EX_CLIENTEDGE,
               ParentHandle(parent), false);
}

AccElement Edit::AccDescribe() const {
  AccFacts facts = AccWindowFacts();
  facts.readOnly = Handle() && (GetWindowLongPtrW(Handle(), GWL_STYLE) & ES_READONLY) != 0;
  return Describe(AccRole::Text, AccName(), Text(), facts, Bounds());
}

LRESULT Edit::WmChar(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (CharFilter && !CharFilter(static_cast<wchar_t>(wParam))) return 0;  // discarded
  return DefaultHandler(msg, wParam, lParam);
}

// ---- Memo

namespace {
// The memo keeps at most about this many characters (some 2 MB of text); beyond it the
// oldest lines go, down to three quarters of it, so that trimming is rare.
constexpr int kMemoKeep = 1 << 20;
constexpr int kMemoTrimTo = kMemoKeep / 4 * 3;
// The edit control's own limit (30,000 characters unless raised, after which it drops
// whatever is appended) stays well above what the memo keeps.
constexpr int kMemoTextLimit = kMemoKeep * 2;

// The rows of a wrapping memo end after a blank or a folder separator, and inside a word
// that is wider than the memo where the row is full. (Under Wine the edit's own rule leaves
// such a row too wide when a break it found earlier in the row did not make it fit.)
int CALLBACK MemoWordBreak(LPWSTR row, int index, int count, int code) {
  const std::wstring_view text(row, static_cast<size_t>(std::max(count, 0)));
  switch (code) {
    case WB_LEFT: return WordBreakLeft(text, index);
    case WB_RIGHT: return WordBreakRight(text, index);
    case WB_ISDELIMITER:
      return index >= 0 && index < count && IsWordDelimiter(text[static_cast<size_t>(index)]);
    default: return 0;
  }
}
}  // namespace

// A multi-line edit without ES_AUTOHSCROLL wraps its lines at the width of its text area.
Memo::Memo(Component* owner, WinControl* parent, bool wordWrap)
    : Edit(owner, parent,
           ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL |
               static_cast<DWORD>(wordWrap ? 0 : ES_AUTOHSCROLL)) {
  if (!Handle()) return;
  SendMessageW(Handle(), EM_SETLIMITTEXT, static_cast<WPARAM>(kMemoTextLimit), 0);
  if (wordWrap) SendMessageW(Handle(), EM_SETWORDBREAKPROC, 0, reinterpret_cast<LPARAM>(&MemoWordBreak));
}

void Memo::Clear() {
  SetText(std::wstring());
  AccNotify(EVENT_OBJECT_VALUECHANGE);
}

// Removes whole lines from the top until at most `keep` characters remain. The text's
// own line breaks are looked for: with word wrap the edit's rows end elsewhere too.
void Memo::DropOldestLines(int keep) {
  const std::wstring text = Text();
  if (text.size() <= static_cast<size_t>(keep)) return;
  // The line that reaches into the kept part is dropped whole; when it is the last line,
  // everything before the new line goes.
  const size_t lineBreak = text.find(L"\r\n", text.size() - static_cast<size_t>(keep));
  const size_t cut = lineBreak == std::wstring::npos ? text.size() : lineBreak + 2;
  SendMessageW(Handle(), EM_SETSEL, 0, static_cast<LPARAM>(cut));
  SendMessageW(Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
}

void Memo::Append(const std::wstring& line) {
  if (!Handle()) return;
  // A line longer than all the memo keeps shows its beginning.
  std::wstring shown = WithCrLfLineBreaks(line);
  if (shown.size() > static_cast<size_t>(kMemoTrimTo)) shown.resize(kMemoTrimTo);
  int len = GetWindowTextLengthW(Handle());
  if (len + static_cast<int>(shown.size()) + 2 > kMemoKeep) {
    DropOldestLines(kMemoTrimTo - static_cast<int>(shown.size()) - 2);
    len = GetWindowTextLengthW(Handle());
  }
  const std::wstring piece = len > 0 ? L"\r\n" + shown : shown;
  SendMessageW(Handle(), EM_SETSEL, static_cast<WPARAM>(len), static_cast<LPARAM>(len));
  SendMessageW(Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
  AccNotify(EVENT_OBJECT_VALUECHANGE);
}

void Memo::SetLines(const std::vector<std::wstring>& lines) {
  std::wstring text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) text += L"\r\n";
    text += lines[i];
  }
  SetText(WithCrLfLineBreaks(text));
  AccNotify(EVENT_OBJECT_VALUECHANGE);
}

std::vector<std::wstring> Memo::Lines() const {
  std::vector<std::wstring> lines;
  const std::wstring text = Text();
  if (text.empty()) return lines;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(L"\r\n", start);
    lines.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
    if (end == std::wstring::npos) break;
    start = end + 2;
  }
  return lines;
}

LRESULT Memo::WmGetDlgCode(UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT code = DefaultHandler(msg, wParam, lParam);
  code &= ~static_cast<LRESULT>(DLGC_WANTTAB);
  const MSG* m = reinterpret_cast<const MSG*>(lParam);
  if (m && m->message == WM_KEYDOWN && (m->wParam == VK_TAB || m->wParam == VK_ESCAPE))
    code &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
  return code;
}

// ---- Button

Button::Button(Component* owner, WinControl* parent, bool ownerDraw) : WinControl(owner, parent) {
  CreateHandle(L"BUTTON",
               WS_CHILD | WS_VISIBLE | WS_TABSTOP | static_cast<DWORD>(ownerDraw ? BS_OWNERDRAW : BS_PUSHBUTTON),
               0, ParentHandle(parent), false);
}

void Button::Click() {
  if (OnClick) OnClick();
}

AccElement Button::AccDescribe() const {
  return Describe(AccRole::PushButton, AccName(), std::wstring(), AccWindowFacts(), Bounds());
}

bool Button::AccDoDefaultAction() {
  Click();
  return true;
}

bool Button::CommandNotify(WORD code) {
  if (code != BN_CLICKED) return false;
  Click();
  return true;
}

bool Button::DrawItem(const DRAWITEMSTRUCT& item) {
  if (!OnDrawItem) return false;
  OnDrawItem(item);
  return true;
}

// ---- CheckBox

CheckBox::CheckBox(Component* owner, WinControl* parent) : WinControl(owner, parent) {
  CreateHandle(L"BUTTON", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0,
               ParentHandle(parent), false);
}

bool CheckBox::Checked() const {
  return Handle() && SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckBox::SetChecked(bool checked) {
  if (!Handle() || checked == Checked()) return;
  SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  AccNotify(EVENT_OBJECT_STATECHANGE);
}

AccElement CheckBox::AccDescribe() const {
  AccFacts facts = AccWindowFacts();
  facts.checked = Checked();
  return Describe(AccRole::CheckButton, AccName(), std::wstring(), facts, Bounds());
}

// As the user's click: the system toggles the box and reports the click.
bool CheckBox::AccDoDefaultAction() {
  if (Handle()) SendMessageW(Handle(), BM_CLICK, 0, 0);
  return true;
}

bool CheckBox::CommandNotify(WORD code) {
  if (code != BN_CLICKED) return false;
  AccNotify(EVENT_OBJECT_STATECHANGE);  // the system's box toggled itself
  if (OnClick) OnClick();
  return true;
}

// ---- ProgressBar

ProgressBar::ProgressBar(Component* owner, WinControl* parent) : CustomControl(owner, parent) {}

void ProgressBar::SetRange(int minValue, int maxValue) {
  mMin = minValue;
  mMax = std::max(minValue, maxValue);
  mProgress = std::clamp(mProgress, mMin, mMax);
  Invalidate();
}

void ProgressBar::SetProgress(int value) {
  const int v = std::clamp(value, mMin, mMax);
  if (v == mProgress) return;
  mProgress = v;
  Repaint();
}

void ProgressBar::Paint(Canvas& canvas) {
  const Rect all{0, 0, Width(), Height()};
  canvas.SetBrushColor(static_cast<TColor>(GetSysColor(COLOR_BTNSHADOW)));
  canvas.FrameRect(all);
  const Rect inner = all.Inflated(-1);
  canvas.SetBrushColor(static_cast<TColor>(Resolve(Color())));
  canvas.FillRect(inner);
  const long long span = static_cast<long long>(mMax) - mMin;
  if (span > 0 && !inner.IsEmpty()) {
    const long long filled = static_cast<long long>(inner.Width()) * (mProgress - mMin) / span;
    canvas.SetBrushColor(static_cast<TColor>(GetSysColor(COLOR_HIGHLIGHT)));
    canvas.FillRect(Rect{inner.Left, inner.Top, inner.Left + static_cast<int>(filled), inner.Bottom});
  }
}

}  // namespace nox
