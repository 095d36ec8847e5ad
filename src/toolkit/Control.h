// Controls: the visual part of the toolkit.
//  - Control: bounds within its parent, Visible, Enabled, Color/ParentColor,
//    Font/ParentFont, invalidate and repaint-now.
//  - GraphicControl: no window of its own; paints inside its parent's paint, and a
//    repaint-now draws straight onto the parent's device context within its bounds.
//  - WinControl: owns a window and routes each message to one virtual handler; a parent
//    routes WM_COMMAND and WM_DRAWITEM back to the child object they concern.
//  - CustomControl: a windowed control of our own class that paints on its own canvas,
//    through a back buffer: the background erased in the control's colour, then Paint,
//    then its graphic children, then one copy to the screen (WM_PAINT and WM_PRINTCLIENT
//    alike; WM_ERASEBKGND does nothing).
//  - GroupBox: a framed, captioned container of other controls.
// What a screen reader hears of a control is the control's own description (AccDescribe,
// by the rules of Accessibility.h), answered through AccessibleObject.h; the setters that
// change what it hears also tell it (AccNotify).
// No exception leaves a paint: a painter that throws leaves its area as far as it got.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Accessibility.h"
#include "toolkit/Canvas.h"
#include "toolkit/Color.h"
#include "toolkit/Component.h"
#include "toolkit/DpiScale.h"
#include "toolkit/Geometry.h"

namespace nox {

class WinControl;
class AccessibleObject;

// A font made from a face name and a character height in pixels (negative: character
// height, as LOGFONT's lfHeight). The window-text colour is the default colour.
class Font {
 public:
  Font(const std::wstring& face, int height);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  HFONT Handle() const { return mHandle; }
  const std::wstring& Face() const { return mFace; }
  int Height() const { return mHeight; }
  TColor Color = kClWindowText;

 private:
  std::wstring mFace;
  int mHeight;
  HFONT mHandle;
};

class Control : public Component {
 public:
  Control(Component* owner, WinControl* parent);
  ~Control() override;

  WinControl* Parent() const { return mParent; }
  const Rect& Bounds() const { return mBounds; }
  int Left() const { return mBounds.Left; }
  int Top() const { return mBounds.Top; }
  int Width() const { return mBounds.Width(); }
  int Height() const { return mBounds.Height(); }
  virtual void SetBounds(int left, int top, int width, int height);

  bool Visible() const { return mVisible; }
  virtual void SetVisible(bool visible);
  bool Enabled() const { return mEnabled; }
  virtual void SetEnabled(bool enabled);

  // Own colour, or the parent's while ParentColor is set; may be a system colour reference.
  TColor Color() const;
  void SetColor(TColor color);
  bool ParentColor() const { return mParentColor; }
  void SetParentColor(bool value);
  // Own font, or the parent's while ParentFont is set (null when there is none).
  const nox::Font* Font() const;
  void SetFont(std::shared_ptr<nox::Font> font);
  bool ParentFont() const { return mParentFont; }

  virtual void Invalidate() = 0;
  virtual void Repaint() = 0;  // paint now

  // The DPI the control is laid out and painted for: its form's (96 without one).
  int Dpi() const;
  DpiScale Scale() const { return DpiScale{Dpi()}; }
  // The form's DPI changed: the control adjusts what it sized itself (the form then
  // gives every control its new font and bounds).
  virtual void DpiChanged() {}

  static COLORREF Resolve(TColor color);  // system colour references through GetSysColor

  // ---- What a screen reader hears.
  // The control as one element: role, name, value, states, default action, bounds.
  virtual AccElement AccDescribe() const;
  // The name a reader says: the one set, else what the control shows as its caption.
  std::wstring AccName() const { return mAccName.empty() ? AccCaption() : mAccName; }
  // For a control whose caption does not say what it does, or that has none.
  void SetAccessibleName(const std::wstring& name) { mAccName = name; }
  // A reader's default action (a press, a toggle); false when the control has none.
  virtual bool AccDoDefaultAction() { return false; }
  // Shown, as a reader counts it: a window by its own visibility, else the flag.
  virtual bool AccShown() const { return Visible(); }
  // Tells readers that the control's state or value changed (EVENT_OBJECT_...); a
  // control that is not in its parent's tree (hidden) tells nothing.
  void AccNotify(DWORD event) const;

 protected:
  virtual void FontChanged() {}
  virtual std::wstring AccCaption() const { return std::wstring(); }
  // Visible and enabled from the control's fields (its parent's too).
  AccFacts AccFieldFacts() const;
  // The DPI of a control without a parent (a form).
  void SetOwnDpi(int dpi) { mOwnDpi = dpi; }
  Rect mBounds;

 private:
  friend class WinControl;
  WinControl* mParent;
  bool mVisible = true;
  bool mEnabled = true;
  TColor mColor = kClBtnFace;
  bool mParentColor = true;
  std::shared_ptr<nox::Font> mFont;
  bool mParentFont = true;
  int mOwnDpi = kDesignDpi;
  std::wstring mAccName;
};

class GraphicControl : public Control {
 public:
  GraphicControl(Component* owner, WinControl* parent);
  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void Invalidate() override;
  void Repaint() override;
  // Paints in control coordinates: (0, 0) is the control's top-left corner.
  virtual void Paint(Canvas& canvas) = 0;
  // An opaque control paints every pixel of its bounds: it is painted through a back
  // buffer, so a repaint does not flicker.
  virtual bool Opaque() const { return false; }
  // Paints the control on a device context whose origin is the parent's client origin.
  void PaintOn(HDC parentDc);
};

class WinControl : public Control {
 public:
  WinControl(Component* owner, WinControl* parent);
  ~WinControl() override;

  HWND Handle() const { return mHandle; }
  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void Invalidate() override;
  void Repaint() override;

  std::wstring Text() const;
  void SetText(const std::wstring& text);
  int ControlId() const;
  void SetControlId(int id);
  // Tab order among the windowed children of the same parent (0 first). The keyboard
  // navigation follows the windows' z-order, which the parent keeps in tab order.
  int TabOrder() const { return mTabOrder; }
  void SetTabOrder(int order);
  bool TabStop() const;
  void SetTabStop(bool value);
  void SetFocus();
  bool Focused() const;
  // Mouse capture: all mouse input goes to this control until released.
  void SetMouseCapture(bool capture);
  bool MouseCaptured() const;
  // True when the window's UI state says focus rectangles are hidden (UISF_HIDEFOCUS:
  // the user has not used the keyboard in this window yet).
  bool FocusCuesHidden() const;
  // The client area's size.
  Size ClientSize() const;

  // Child controls in creation order.
  const std::vector<Control*>& Controls() const { return mControls; }
  WinControl* FindChild(HWND child) const;

  // ---- What a screen reader hears (see Control).
  AccElement AccDescribe() const override;  // a client area named by the caption
  bool AccShown() const override;
  // The children as a reader meets them: the shown child controls, windowed or not, in
  // the order of the screen. Child ids 1.. are the parts, then these children.
  std::vector<Control*> AccChildren() const;
  // Parts of the control that are no controls of their own (a spin button's arrows).
  virtual int AccPartCount() const { return 0; }
  // Part 1..AccPartCount(); its bounds in the control's client coordinates.
  virtual AccElement AccDescribePart(int part) const;
  virtual bool AccDoPartAction(int part);
  // The system's own object answers the role, states, text, value and caret (standard
  // edits); ours adds the name and the children.
  virtual bool AccWrapsSystemObject() const { return false; }
  // Carries out a reader's default action of the control (part 0) or of one of its parts
  // once the current message is done: the reader's call returns before a click's work
  // (a run, a message box) begins.
  void PostAccAction(int part);
  // The object handed to readers, once one asked (the COM shell keeps it here).
  AccessibleObject*& AccessibleSlot() { return mAccessible; }

  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static WinControl* FromHandle(HWND hwnd);

 protected:
  // Creates the window. A registered class of ours passes `this` at creation; a system
  // class (EDIT, BUTTON) is subclassed right after. Children get the parent's font.
  void CreateHandle(const wchar_t* className, DWORD style, DWORD exStyle, HWND parentOrOwner,
                    bool ownClass);
  void DestroyHandle();
  void FontChanged() override;
  void ApplyTabOrder();
  void PaintGraphicChildren(HDC dc);

  // Every message comes here; the switch hands each to its handler.
  virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);

  virtual LRESULT WmPaint(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WmEraseBkgnd(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WmCommand(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WmDrawItem(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WmChar(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WmGetDlgCode(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WmMouse(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WmCaptureChanged(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WmClose(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WmKeyDown(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WmKeyUp(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WmSetFocus(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WmKillFocus(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WmSize(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WmEnable(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WmSetText(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WmUpdateUIState(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WmPrintClient(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT WmCancelMode(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT WmGetObject(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT WmAccAction(UINT msg, WPARAM wParam, LPARAM lParam);
  static bool IsAccActionMessage(UINT msg);
  // Visible, enabled, focusable (a tab stop, or a form) and focused from the window.
  AccFacts AccWindowFacts() const;
  std::wstring AccCaption() const override { return Text(); }

  // Notifications a parent routes back to the child they concern; true when handled.
  virtual bool CommandNotify(WORD code);
  virtual bool DrawItem(const DRAWITEMSTRUCT& item);

 private:
  friend class Control;
  void NcDestroy();

  HWND mHandle = nullptr;
  WNDPROC mOldProc = nullptr;  // set for subclassed system windows
  int mTabOrder = -1;
  std::vector<Control*> mControls;
  AccessibleObject* mAccessible = nullptr;
};

class CustomControl : public WinControl {
 public:
  CustomControl(Component* owner, WinControl* parent);
  static const wchar_t* ClassName() { return L"TNoxCustomControl"; }

 protected:
  // A control of a window class of its own (class styles such as CS_DBLCLKS chosen by it).
  CustomControl(Component* owner, WinControl* parent, const wchar_t* className, UINT classStyle);
  virtual void Paint(Canvas& canvas) = 0;
  // Clears the whole client area in the control's colour before Paint.
  virtual void EraseBackground(Canvas& canvas);
  // The whole paint (erase, Paint, graphic children) into a back buffer, then onto dc.
  void PaintTo(HDC dc);
  LRESULT WmPaint(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmPrintClient(UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT WmEraseBkgnd(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

class GroupBox : public WinControl {
 public:
  GroupBox(Component* owner, WinControl* parent);
  void SetCaption(const std::wstring& caption) { SetText(caption); }
  void SetEnabled(bool enabled) override;  // repaints the controls inside

 protected:
  // The parent clips its children, so the box clears its own inside in its colour.
  LRESULT WmEraseBkgnd(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace nox
