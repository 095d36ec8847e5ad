// The plain controls: Label (graphic), Edit, Memo, push Button (owner-drawn capable),
// CheckBox and ProgressBar (a custom control).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "toolkit/Control.h"
#include "toolkit/ValueControls.h"

namespace nox {

class Label : public GraphicControl {
 public:
  Label(Component* owner, WinControl* parent);
  const std::wstring& Caption() const { return mCaption; }
  void SetCaption(const std::wstring& caption);
  void Paint(Canvas& canvas) override;
  AccElement AccDescribe() const override;  // static text: its caption

 protected:
  std::wstring AccCaption() const override { return mCaption; }

 private:
  std::wstring mCaption;
};

// Single-line edit. CharFilter, when set, decides which typed characters reach the edit.
class Edit : public WinControl, public TextValueControl {
 public:
  Edit(Component* owner, WinControl* parent);
  std::function<bool(wchar_t)> CharFilter;
  std::wstring ValueText() const override { return Text(); }
  void SetValueText(const std::wstring& text) override { SetText(text); }
  // Text whose value is its text; the system's object keeps the text, value and caret.
  AccElement AccDescribe() const override;
  bool AccWrapsSystemObject() const override { return true; }

 protected:
  Edit(Component* owner, WinControl* parent, DWORD extraStyle);
  // The edit's own caption is its text: it has no name unless one is set.
  std::wstring AccCaption() const override { return std::wstring(); }
  LRESULT WmChar(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// Multi-line text: a list of lines, read-only by default, vertical scroll bar. Its window
// text is the lines joined by CR LF. With word wrap (chosen at creation) a line wider than
// the memo goes on in the next rows, broken at a blank or, in a word wider than the memo,
// where the row ends; the breaks are the screen's only (EM_FMTLINES stays off), so the
// text and what is copied keep each line whole. Tab leaves it (it wants no tabs).
// Every change of its lines is told to screen readers as a change of its value.
class Memo : public Edit {
 public:
  Memo(Component* owner, WinControl* parent, bool wordWrap = false);
  void Clear();
  // Adds a line at the end and scrolls to it. A line break inside it (CR LF, or a lone CR
  // or LF, which an edit control would show as a mark) starts a new line. The memo holds
  // about the last 2 MB of text: the oldest lines give way, so the newest line always shows.
  void Append(const std::wstring& line);
  void SetLines(const std::vector<std::wstring>& lines);
  std::vector<std::wstring> Lines() const;

 protected:
  LRESULT WmGetDlgCode(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void DropOldestLines(int keep);
};

// Push button. Click() is the programmatic click: it runs OnClick as a user's click does.
// An owner-drawn button (OwnerDraw at creation) paints in DrawItem, which the parent's
// WM_DRAWITEM is routed to; OnDrawItem gives that paint to whoever builds the button.
class Button : public WinControl {
 public:
  Button(Component* owner, WinControl* parent, bool ownerDraw = false);
  std::function<void()> OnClick;
  std::function<void(const DRAWITEMSTRUCT&)> OnDrawItem;
  virtual void Click();
  const std::wstring Caption() const { return Text(); }
  void SetCaption(const std::wstring& caption) { SetText(caption); }
  AccElement AccDescribe() const override;  // a push button: "Press" clicks it
  bool AccDoDefaultAction() override;

 protected:
  bool CommandNotify(WORD code) override;
  bool DrawItem(const DRAWITEMSTRUCT& item) override;
};

class CheckBox : public WinControl, public CheckValueControl {
 public:
  CheckBox(Component* owner, WinControl* parent);
  std::function<void()> OnClick;
  bool Checked() const;
  void SetChecked(bool checked);
  bool ValueChecked() const override { return Checked(); }
  void SetValueChecked(bool checked) override { SetChecked(checked); }
  AccElement AccDescribe() const override;  // a check box: "Check" or "Uncheck" clicks it
  bool AccDoDefaultAction() override;

 protected:
  bool CommandNotify(WORD code) override;
};

// A plain progress bar: a sunken frame and a bar in the highlight colour whose length is
// (Progress - Min) / (Max - Min) of the inner width.
class ProgressBar : public CustomControl {
 public:
  ProgressBar(Component* owner, WinControl* parent);
  int MinValue() const { return mMin; }
  int MaxValue() const { return mMax; }
  void SetRange(int minValue, int maxValue);
  int Progress() const { return mProgress; }
  void SetProgress(int value);  // kept within the range

 protected:
  void Paint(Canvas& canvas) override;

 private:
  int mMin = 0;
  int mMax = 100;
  int mProgress = 0;
};

}  // namespace nox
