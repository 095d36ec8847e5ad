#include "toolkit/AccessibleObject.h"

#include <oleacc.h>

#include <new>
#include <vector>

#include "toolkit/Application.h"
#include "toolkit/Control.h"
#include "toolkit/GdiCanvas.h"

namespace nox {

class AccessibleObject;

namespace {

// MinGW's liboleacc.a has IID_IAccessible as an import thunk, not as the GUID itself.
const IID kIidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// True when the thread is in a single-threaded apartment, ours (made now, and kept) or
// the host's.
bool EnsureApartment() {
  const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (hr == S_FALSE) CoUninitialize();  // it had one: our call is balanced at once
  return hr == S_OK || hr == S_FALSE;
}

HRESULT GiveText(const std::wstring& text, BSTR* out, HRESULT whenEmpty) {
  if (text.empty()) return whenEmpty;
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

void GiveId(VARIANT* out, LONG id) {
  V_VT(out) = VT_I4;
  V_I4(out) = id;
}

// A windowed control's client area (as the system's client objects have it), a graphic
// control's bounds, on the screen.
RECT ScreenRect(const Control& control) {
  if (const auto* w = dynamic_cast<const WinControl*>(&control); w && w->Handle()) {
    RECT r{};
    GetClientRect(w->Handle(), &r);
    MapWindowPoints(w->Handle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  RECT r = ToRECT(control.Bounds());
  if (control.Parent() && control.Parent()->Handle())
    MapWindowPoints(control.Parent()->Handle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

AccessibleObject* ObjectOf(WinControl& control);

}  // namespace

// One control's object; see AccessibleObject.h. Every method opens an EntryScope (a way
// into the module's code) and lets no exception out.
class AccessibleObject final : public IAccessible {
 public:
  AccessibleObject(WinControl& control, IAccessible* system)
      : mControl(&control), mSystem(system), mThread(GetCurrentThreadId()) {}

  void Disconnect() {
    mControl = nullptr;
    if (mSystem) mSystem->Release();
    mSystem = nullptr;
    CoDisconnectObject(static_cast<IUnknown*>(this), 0);
  }

  // ---- IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    EntryScope entry;
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, kIidAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override {
    EntryScope entry;
    return static_cast<ULONG>(InterlockedIncrement(&mRefs));
  }
  STDMETHODIMP_(ULONG) Release() override {
    EntryScope entry;
    const LONG left = InterlockedDecrement(&mRefs);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // ---- IDispatch: no type information; readers call IAccessible directly.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    EntryScope entry;
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    EntryScope entry;
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    EntryScope entry;
    return E_NOTIMPL;
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    EntryScope entry;
    return E_NOTIMPL;
  }

  // ---- IAccessible
  STDMETHODIMP get_accParent(IDispatch** parent) override {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    return Answer([&]() -> HRESULT {
      if (WinControl* p = mControl->Parent()) {
        *parent = DispatchOf(p);
        return *parent ? S_OK : S_FALSE;
      }
      // A form: the system's object of its window (frame, caption, client).
      return AccessibleObjectFromWindow(mControl->Handle(), static_cast<DWORD>(OBJID_WINDOW),
                                        IID_IDispatch, reinterpret_cast<void**>(parent));
    });
  }

  STDMETHODIMP get_accChildCount(LONG* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return Answer([&]() -> HRESULT {
      *count = static_cast<LONG>(mControl->AccPartCount()) + static_cast<LONG>(mControl->AccChildren().size());
      return S_OK;
    });
  }

  STDMETHODIMP get_accChild(VARIANT id, IDispatch** child) override {
    if (!child) return E_POINTER;
    *child = nullptr;
    return Answer([&]() -> HRESULT {
      const Target t = Resolve(id);
      if (!t.valid || t.self) return E_INVALIDARG;
      if (t.child) *child = DispatchOf(t.child);
      return *child ? S_OK : S_FALSE;  // a part or a graphic control: an element of ours
    });
  }

  STDMETHODIMP get_accName(VARIANT id, BSTR* name) override {
    if (!name) return E_POINTER;
    *name = nullptr;
    return Answer([&]() -> HRESULT {
      const Target t = Resolve(id);
      if (!t.valid) return E_INVALIDARG;
      return GiveText(Element(t).name, name, S_FALSE);
    });
  }

  STDMETHODIMP get_accValue(VARIANT id, BSTR* value) override {
    if (!value) return E_POINTER;
    *value = nullptr;
    return Answer([&]() -> HRESULT {
      const Target t = Resolve(id);
      if (!t.valid) return E_INVALIDARG;
      if (Forwarded(t)) return mSystem->get_accValue(id, value);
      const AccElement e = Element(t);
      if (e.value.empty() && e.role != AccRole::Text) return DISP_E_MEMBERNOTFOUND;
      *value = SysAllocStringLen(e.value.data(), static_cast<UINT>(e.value.size()));
      return *value ? S_OK : E_OUTOFMEMORY;
    });
  }

  STDMETHODIMP get_accDescription(VARIANT id, BSTR* text) override {
    if (!text) return E_POINTER;
    *text = nullptr;
    return Answer([&]() -> HRESULT {
      const Target t = Resolve(id);
      if (!t.valid) return E_INVALIDARG;
      return Forwarded(t) ? mSystem->get_accDescription(id, text) : S_FALSE;
    });
  }

  STDMETHODIMP get_accRole(VARIANT id, VARIANT* role) override {
    if (!role) return E_POINTER;
    VariantInit(role);
    return Answer([&]() -> HRESULT {
      const Target t = Resolve(id);
      if (!t.valid) return E_INVALIDARG;
      if (Forwarded(t)) return mSystem->get_accRole(id, role);
      GiveId(role, static_cast<LONG>(Element(t).role));
      return S_OK;
    });
  }

  STDMETHODIMP get_accState(VARIANT id, VARIANT* state) override {
    if (!state) return E_POINTER;
    VariantInit(state);
    return Answer([&]() -> HRESULT {
      const Target t = Resolve(id);
      if (!t.valid) return E_INVALIDARG;
      LONG bits = static_cast<LONG>(Element(t).states);
      if (Forwarded(t)) {
        // The system's states with ours: a read-only edit says so on every system.
        VARIANT system;
        VariantInit(&system);
        if (SUCCEEDED(mSystem->get_accState(id, &system)) && V_VT(&system) == VT_I4) bits |= V_I4(&system);
        VariantClear(&system);
      }
      GiveId(state, bits);
      return S_OK;
    });
  }

  STDMETHODIMP get_accHelp(VARIANT id, BSTR* text) override {
    if (!text) return E_POINTER;
    *text = nullptr;
    return Answer([&]() -> HRESULT {
      const Target t = Resolve(id);
      if (!t.valid) return E_INVALIDARG;
      return Forwarded(t) ? mSystem->get_accHelp(id, text) : S_FALSE;
    });
  }

  STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT id, LONG* topic) override {
    if (!file || !topic) return E_POINTER;
    *file = nullptr;
    *topic = -1;
    return Answer([&]() -> HRESULT { return Resolve(id).valid ? S_FALSE : E_INVALIDARG; });
  }

  STDMETHODIMP get_accKeyboardShortcut(VARIANT id, BSTR* text) override {
    if (!text) return E_POINTER;
    *text = nullptr;
    return Answer([&]() -> HRESULT {
      const Target t = Resolve(id);
      if (!t.valid) return E_INVALIDARG;
      return Forwarded(t) ? mSystem->get_accKeyboardShortcut(id, text) : S_FALSE;
    });
  }

  STDMETHODIMP get_accFocus(VARIANT* focus) override {
    if (!focus) return E_POINTER;
    VariantInit(focus);
    return Answer([&]() -> HRESULT {
      const HWND at = GetFocus();
      if (!at) return S_FALSE;
      if (at == mControl->Handle()) {
        GiveId(focus, CHILDID_SELF);
        return S_OK;
      }
      for (Control* c : mControl->AccChildren()) {
        const auto* w = dynamic_cast<WinControl*>(c);
        if (w && w->Handle() && (w->Handle() == at || IsChild(w->Handle(), at))) {
          V_VT(focus) = VT_DISPATCH;
          V_DISPATCH(focus) = DispatchOf(c);
          return V_DISPATCH(focus) ? S_OK : S_FALSE;
        }
      }
      return S_FALSE;
    });
  }

  STDMETHODIMP get_accSelection(VARIANT* selection) override {
    if (!selection) return E_POINTER;
    VariantInit(selection);
    return Answer([&]() -> HRESULT { return S_FALSE; });
  }

  STDMETHODIMP get_accDefaultAction(VARIANT id, BSTR* action) override {
    if (!action) return E_POINTER;
    *action = nullptr;
    return Answer([&]() -> HRESULT {
      const Target t = Resolve(id);
      if (!t.valid) return E_INVALIDARG;
      if (Forwarded(t)) return mSystem->get_accDefaultAction(id, action);
      return GiveText(Element(t).defaultAction, action, S_FALSE);
    });
  }

  STDMETHODIMP accSelect(LONG flags, VARIANT id) override {
    return Answer([&]() -> HRESULT {
      const Target t = Resolve(id);
      if (!t.valid) return E_INVALIDARG;
      if (Forwarded(t)) return mSystem->accSelect(flags, id);
      if (flags != SELFLAG_TAKEFOCUS) return DISP_E_MEMBERNOTFOUND;
      WinControl* w = t.self ? mControl : dynamic_cast<WinControl*>(t.child);
      if (!w || !(Element(t).states & kAccFocusable)) return S_FALSE;
      w->SetFocus();
      return S_OK;
    });
  }

  STDMETHODIMP accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT id) override {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    return Answer([&]() -> HRESULT {
      const Target t = Resolve(id);
      if (!t.valid) return E_INVALIDARG;
      if (Forwarded(t)) return mSystem->accLocation(left, top, width, height, id);
      const RECT r = TargetRect(t);
      *left = r.left;
      *top = r.top;
      *width = r.right - r.left;
      *height = r.bottom - r.top;
      return S_OK;
    });
  }

  STDMETHODIMP accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    if (!end) return E_POINTER;
    VariantInit(end);
    return Answer([&]() -> HRESULT {
      const Target t = Resolve(start);
      if (!t.valid) return E_INVALIDARG;
      const LONG count = ChildCount();
      const LONG from = V_I4(&start);
      LONG to = 0;
      if (t.self && direction == NAVDIR_FIRSTCHILD) to = 1;
      else if (t.self && direction == NAVDIR_LASTCHILD) to = count;
      else if (!t.self && (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN || direction == NAVDIR_RIGHT))
        to = from + 1;
      else if (!t.self && (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP || direction == NAVDIR_LEFT))
        to = from - 1;
      if (to < 1 || to > count) return S_FALSE;
      GiveChild(end, to);
      return S_OK;
    });
  }

  STDMETHODIMP accHitTest(LONG x, LONG y, VARIANT* child) override {
    if (!child) return E_POINTER;
    VariantInit(child);
    return Answer([&]() -> HRESULT {
      const RECT self = ScreenRect(*mControl);
      if (!PtInRect(&self, POINT{x, y})) return S_FALSE;
      std::vector<Rect> rects;
      const LONG count = ChildCount();
      for (LONG i = 1; i <= count; ++i) {
        VARIANT v;
        GiveId(&v, i);
        rects.push_back(FromRECT(TargetRect(Resolve(v))));
      }
      const int hit = AccHitTest(rects, Point{x, y});
      if (hit < 0)
        GiveId(child, CHILDID_SELF);
      else
        GiveChild(child, hit + 1);
      return S_OK;
    });
  }

  STDMETHODIMP accDoDefaultAction(VARIANT id) override {
    return Answer([&]() -> HRESULT {
      const Target t = Resolve(id);
      if (!t.valid) return E_INVALIDARG;
      if (Forwarded(t)) return mSystem->accDoDefaultAction(id);
      if (Element(t).defaultAction.empty()) return DISP_E_MEMBERNOTFOUND;
      if (t.self || t.part) {
        mControl->PostAccAction(t.part);
      } else if (auto* w = dynamic_cast<WinControl*>(t.child)) {
        w->PostAccAction(0);
      } else {
        return DISP_E_MEMBERNOTFOUND;
      }
      return S_OK;
    });
  }

  STDMETHODIMP put_accName(VARIANT, BSTR) override {
    return Answer([&]() -> HRESULT { return DISP_E_MEMBERNOTFOUND; });
  }

  STDMETHODIMP put_accValue(VARIANT id, BSTR value) override {
    return Answer([&]() -> HRESULT {
      const Target t = Resolve(id);
      if (!t.valid) return E_INVALIDARG;
      return Forwarded(t) ? mSystem->put_accValue(id, value) : DISP_E_MEMBERNOTFOUND;
    });
  }

 private:
  ~AccessibleObject() {
    if (mSystem) mSystem->Release();
  }

  // Child id CHILDID_SELF, a part (1..parts) or a child control (after the parts).
  struct Target {
    bool valid = false;
    bool self = false;
    int part = 0;
    Control* child = nullptr;
  };

  // The call as a way into the module: answered only while the control is there, on its
  // own thread; nothing thrown leaves.
  template <class F>
  HRESULT Answer(F&& answer) {
    EntryScope entry;
    try {
      if (!mControl || !mControl->Handle()) return RPC_E_DISCONNECTED;
      if (GetCurrentThreadId() != mThread) return RPC_E_WRONG_THREAD;
      return answer();
    } catch (...) {
      return E_FAIL;
    }
  }

  LONG ChildCount() const {
    return static_cast<LONG>(mControl->AccPartCount()) + static_cast<LONG>(mControl->AccChildren().size());
  }

  Target Resolve(const VARIANT& id) const {
    Target t;
    if (V_VT(&id) != VT_I4) return t;
    const LONG n = V_I4(&id);
    if (n == CHILDID_SELF) {
      t.valid = t.self = true;
      return t;
    }
    const LONG parts = mControl->AccPartCount();
    if (n >= 1 && n <= parts) {
      t.valid = true;
      t.part = static_cast<int>(n);
      return t;
    }
    const std::vector<Control*> children = mControl->AccChildren();
    const LONG k = n - parts - 1;
    if (k >= 0 && k < static_cast<LONG>(children.size())) {
      t.valid = true;
      t.child = children[static_cast<size_t>(k)];
    }
    return t;
  }

  AccElement Element(const Target& t) const {
    if (t.self) return mControl->AccDescribe();
    if (t.part) return mControl->AccDescribePart(t.part);
    return t.child->AccDescribe();
  }

  bool Forwarded(const Target& t) const { return t.self && mSystem; }

  RECT TargetRect(const Target& t) const {
    if (t.self) return ScreenRect(*mControl);
    if (t.child) return ScreenRect(*t.child);
    RECT r = ToRECT(mControl->AccDescribePart(t.part).bounds);
    MapWindowPoints(mControl->Handle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }

  // A windowed child as its own object, a part or a graphic child as its id.
  void GiveChild(VARIANT* out, LONG id) const {
    VARIANT v;
    GiveId(&v, id);
    const Target t = Resolve(v);
    if (IDispatch* d = t.child ? DispatchOf(t.child) : nullptr) {
      V_VT(out) = VT_DISPATCH;
      V_DISPATCH(out) = d;
    } else {
      GiveId(out, id);
    }
  }

  static IDispatch* DispatchOf(Control* control) {
    auto* w = dynamic_cast<WinControl*>(control);
    AccessibleObject* object = w ? ObjectOf(*w) : nullptr;
    if (!object) return nullptr;
    object->AddRef();
    return static_cast<IDispatch*>(object);
  }

  LONG mRefs = 1;  // the control's reference, until it is disconnected
  WinControl* mControl;
  IAccessible* mSystem;
  DWORD mThread;
};

namespace {

AccessibleObject* ObjectOf(WinControl& control) {
  AccessibleObject*& slot = control.AccessibleSlot();
  if (slot || !control.Handle()) return slot;
  IAccessible* system = nullptr;
  if (control.AccWrapsSystemObject() &&
      FAILED(CreateStdAccessibleObject(control.Handle(), OBJID_CLIENT, kIidAccessible,
                                       reinterpret_cast<void**>(&system))))
    system = nullptr;
  slot = new (std::nothrow) AccessibleObject(control, system);
  if (!slot) {
    if (system) system->Release();
    return nullptr;
  }
  // A reader may hold the object, and call or release it, after the host freed us.
  Application::Instance().PinModule();
  return slot;
}

}  // namespace

LRESULT AnswerAccessibleClient(WinControl& control, WPARAM wParam) {
  if (!EnsureApartment()) return 0;
  AccessibleObject* object = ObjectOf(control);
  if (!object) return 0;
  const LRESULT result = LresultFromObject(kIidAccessible, wParam, static_cast<IAccessible*>(object));
  return result > 0 ? result : 0;
}

void DisconnectAccessible(WinControl& control) {
  AccessibleObject*& slot = control.AccessibleSlot();
  AccessibleObject* object = slot;
  if (!object) return;
  slot = nullptr;
  object->Disconnect();
  object->Release();
}

}  // namespace nox
