// The dialog as a screen reader in the host's process reads it (Active Accessibility): the
// elements of every control, what the reader can do with them, the events of a run, and
// objects held after the plug-in was finalized and freed. The test host never initialises
// COM on its thread, as many hosts do not.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "dialog/ControlIds.h"
#include "support/FileBytes.h"
#include "support/TestHost.h"

using namespace nox;
using nox::test::TestHost;

namespace {

const IID kIidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// An element: an object and a child id of it.
struct Element {
  IAccessible* object = nullptr;  // owned
  LONG id = CHILDID_SELF;
  Element() = default;
  Element(IAccessible* o, LONG i) : object(o), id(i) {}
  Element(Element&& o) noexcept : object(o.object), id(o.id) { o.object = nullptr; }
  Element(const Element&) = delete;
  ~Element() {
    if (object) object->Release();
  }
  VARIANT Id() const {
    VARIANT v;
    V_VT(&v) = VT_I4;
    V_I4(&v) = id;
    return v;
  }
  std::wstring Text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) const {
    BSTR b = nullptr;
    std::wstring s;
    if (object && SUCCEEDED((object->*get)(Id(), &b)) && b) s = b;
    SysFreeString(b);
    return s;
  }
  std::wstring Name() const { return Text(&IAccessible::get_accName); }
  std::wstring Value() const { return Text(&IAccessible::get_accValue); }
  std::wstring Action() const { return Text(&IAccessible::get_accDefaultAction); }
  LONG Number(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*)) const {
    VARIANT v;
    VariantInit(&v);
    const LONG n = object && SUCCEEDED((object->*get)(Id(), &v)) && V_VT(&v) == VT_I4 ? V_I4(&v) : -1;
    VariantClear(&v);
    return n;
  }
  LONG Role() const { return Number(&IAccessible::get_accRole); }
  LONG State() const { return Number(&IAccessible::get_accState); }
  RECT Location() const {
    LONG l = 0, t = 0, w = 0, h = 0;
    if (object) object->accLocation(&l, &t, &w, &h, Id());
    return RECT{l, t, l + w, t + h};
  }
  HRESULT Press() const { return object->accDoDefaultAction(Id()); }
};

Element FromWindow(HWND hwnd) {
  IAccessible* a = nullptr;
  AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible, reinterpret_cast<void**>(&a));
  return Element(a, CHILDID_SELF);
}

// A child as AccessibleChildren gives it: its own object, or an id of the parent's.
Element FromVariant(IAccessible* parent, VARIANT& v) {
  if (V_VT(&v) == VT_DISPATCH) {
    IAccessible* a = nullptr;
    if (V_DISPATCH(&v)) V_DISPATCH(&v)->QueryInterface(kIidAccessible, reinterpret_cast<void**>(&a));
    VariantClear(&v);
    return Element(a, CHILDID_SELF);
  }
  parent->AddRef();
  return Element(parent, V_VT(&v) == VT_I4 ? V_I4(&v) : -1);
}

std::vector<Element> Children(const Element& parent) {
  LONG count = 0;
  parent.object->get_accChildCount(&count);
  std::vector<VARIANT> raw(static_cast<size_t>(count) + 1);
  LONG got = 0;
  AccessibleChildren(parent.object, 0, count, raw.data(), &got);
  std::vector<Element> out;
  for (LONG i = 0; i < got; ++i) out.push_back(FromVariant(parent.object, raw[static_cast<size_t>(i)]));
  return out;
}

// Events of this process, with the element's value or state read as a reader reads them
// when they arrive.
struct Event {
  DWORD event;
  HWND hwnd;
  LONG child;
  std::wstring value;
  LONG state;
};
std::vector<Event> gEvents;

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
  if (object != OBJID_CLIENT || (event != EVENT_OBJECT_STATECHANGE && event != EVENT_OBJECT_VALUECHANGE)) return;
  IAccessible* a = nullptr;
  VARIANT v;
  VariantInit(&v);
  Event e{event, hwnd, child, L"", -1};
  if (SUCCEEDED(AccessibleObjectFromEvent(hwnd, static_cast<DWORD>(object), static_cast<DWORD>(child), &a, &v)) && a) {
    Element el(a, V_I4(&v));
    e.value = el.Value();
    e.state = el.State();
  }
  gEvents.push_back(e);
}

class AccessibilityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host.Loaded());
    ASSERT_EQ(host.Initialize(), 1);
    host.Activate();
    mDialog = TestHost::Dialog();
    ASSERT_NE(mDialog, nullptr);
    gEvents.clear();
    mHook = SetWinEventHook(EVENT_OBJECT_STATECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr, &OnEvent,
                            GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  }
  void TearDown() override {
    if (mHook) UnhookWinEvent(mHook);
  }
  HWND Item(int id) const { return GetDlgItem(mDialog, id); }
  // The events since the last call about one window (and child id), pumped in first.
  std::vector<Event> EventsOf(HWND hwnd, LONG child = CHILDID_SELF) {
    TestHost::Pump(50);
    std::vector<Event> out;
    for (const Event& e : gEvents)
      if (e.hwnd == hwnd && e.child == child) out.push_back(e);
    gEvents.clear();
    return out;
  }
  TestHost host;
  HWND mDialog = nullptr;
  HWINEVENTHOOK mHook = nullptr;
};

RECT OnScreen(HWND dialog, int left, int top, int width, int height) {
  RECT r{left, top, left + width, top + height};
  MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST_F(AccessibilityTest, EveryControlHasItsNameRoleStatesAndValue) {
  SetWindowTextW(Item(IdEdFolder), L"C:\\Noxfade\\");
  SetFocus(Item(IdButStart));  // another test's window may take it back at any moment
  const Element dialog = FromWindow(mDialog);
  ASSERT_NE(dialog.object, nullptr) << "the dialog answers without COM initialised by the host";
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE) << "a host's later STA is welcome";
  CoUninitialize();
  EXPECT_EQ(dialog.Name(), L"Plugin for Noxfade v1.2");
  EXPECT_EQ(dialog.Role(), ROLE_SYSTEM_CLIENT);

  const LONG kFocusable = STATE_SYSTEM_FOCUSABLE, kRead = STATE_SYSTEM_READONLY;
  const struct Row {
    int id;  // 0: no window
    const wchar_t* name;
    LONG role;
    LONG statesOn, statesOff;
    const wchar_t* value;   // null: checked below
    const wchar_t* action;  // null: not checked
    RECT at;                // at 96 DPI, in the dialog's client area
  } rows[] = {
      {0, L"Noxfade 1.2 installation folder", ROLE_SYSTEM_STATICTEXT, kRead, kFocusable, L"", L"", {8, 6, 149, 13}},
      {IdEdFolder, L"Noxfade 1.2 installation folder", ROLE_SYSTEM_TEXT, kFocusable, kRead, L"C:\\Noxfade\\", nullptr, {8, 21, 281, 21}},
      {IdButDir, L"Browse for the Noxfade folder", ROLE_SYSTEM_PUSHBUTTON, kFocusable, STATE_SYSTEM_FOCUSED, L"", L"Press", {294, 19, 43, 24}},
      {0, L"Progress", ROLE_SYSTEM_PROGRESSBAR, kRead, kFocusable, L"0%", L"", {8, 50, 329, 22}},
      {IdMemoLog, L"Log", ROLE_SYSTEM_TEXT, kRead | kFocusable, 0, nullptr, nullptr, {8, 80, 329, 217}},
      {0, L"Strength", ROLE_SYSTEM_STATICTEXT, kRead, kFocusable, L"", L"", {7, 311, 42, 13}},
      {IdEdStrength, L"Strength", ROLE_SYSTEM_TEXT, kFocusable, kRead, L"80", nullptr, {53, 308, 52, 22}},
      {IdCBScale8bit, L"Image is 8 bit", ROLE_SYSTEM_CHECKBUTTON, kFocusable, STATE_SYSTEM_CHECKED, L"", L"Check", {118, 310, 86, 17}},
      {IdButHelp, L"Help", ROLE_SYSTEM_PUSHBUTTON, kFocusable, STATE_SYSTEM_UNAVAILABLE, L"", L"Press", {217, 303, 37, 29}},
      {IdButStart, L"Start", ROLE_SYSTEM_PUSHBUTTON, kFocusable, STATE_SYSTEM_UNAVAILABLE, L"", L"Press", {260, 303, 78, 29}},
  };
  const std::vector<Element> children = Children(dialog);
  ASSERT_EQ(children.size(), std::size(rows)) << "every visible control, in the order of the screen";
  for (size_t i = 0; i < children.size(); ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE(i);
    const Element& e = children[i];
    EXPECT_EQ(e.Name(), r.name);
    EXPECT_EQ(e.Role(), r.role);
    EXPECT_EQ(e.State() & (r.statesOn | r.statesOff | STATE_SYSTEM_INVISIBLE), r.statesOn);
    if (r.value) {
      EXPECT_EQ(e.Value(), r.value);
    }
    if (r.action) {
      EXPECT_EQ(e.Action(), r.action);
    }
    // A client area, as the system's objects have it (an edit's lies within its border).
    RECT want = OnScreen(mDialog, r.at.left, r.at.top, r.at.right, r.at.bottom);
    if (r.id) {
      GetClientRect(Item(r.id), &want);
      MapWindowPoints(Item(r.id), nullptr, reinterpret_cast<POINT*>(&want), 2);
    }
    const RECT got = e.Location();
    EXPECT_TRUE(EqualRect(&want, &got));
    if (r.id) {  // the window's own object is the same element
      const Element own = FromWindow(Item(r.id));
      EXPECT_EQ(own.Name(), r.name);
      EXPECT_EQ(own.State(), children[i].State());
    }
  }
  EXPECT_EQ(children[4].Value(), TestHost::Text(Item(IdMemoLog)));

  // The gauge and Start are found where they are.
  VARIANT hit;
  const RECT gauge = OnScreen(mDialog, 8, 50, 329, 22);
  ASSERT_EQ(dialog.object->accHitTest((gauge.left + gauge.right) / 2, (gauge.top + gauge.bottom) / 2, &hit), S_OK);
  EXPECT_EQ(FromVariant(dialog.object, hit).Name(), L"Progress");
  const RECT start = OnScreen(mDialog, 260, 303, 78, 29);
  ASSERT_EQ(dialog.object->accHitTest(start.left + 3, start.bottom - 2, &hit), S_OK);
  EXPECT_EQ(V_VT(&hit), VT_DISPATCH) << "a windowed control as its own object";
  EXPECT_EQ(FromVariant(dialog.object, hit).Name(), L"Start");
  if (GetFocus() == Item(IdButStart)) {
    EXPECT_TRUE(children[9].State() & STATE_SYSTEM_FOCUSED);
    ASSERT_EQ(dialog.object->get_accFocus(&hit), S_OK);
    EXPECT_EQ(FromVariant(dialog.object, hit).Name(), L"Start");
  }

  // The invisible test box says so.
  const Element test = FromWindow(Item(IdCBTestImage));
  EXPECT_EQ(test.Role(), ROLE_SYSTEM_CHECKBUTTON);
  EXPECT_TRUE(test.State() & STATE_SYSTEM_INVISIBLE);
}

// What a reader does: presses, toggles and steps, each change told once.
TEST_F(AccessibilityTest, ActionsChangeTheControlsAndAreTold) {
  const Element box = FromWindow(Item(IdCBScale8bit));
  ASSERT_EQ(box.Press(), S_OK);
  EXPECT_EQ(EventsOf(Item(IdCBScale8bit)).size(), 1u) << "by the default action";
  EXPECT_EQ(SendMessageW(Item(IdCBScale8bit), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(box.State() & STATE_SYSTEM_CHECKED);
  EXPECT_EQ(box.Action(), L"Uncheck");
  SendMessageW(Item(IdCBScale8bit), WM_CHAR, L' ', 0);
  std::vector<Event> told = EventsOf(Item(IdCBScale8bit));
  ASSERT_EQ(told.size(), 1u) << "by the space bar";
  EXPECT_FALSE(told[0].state & STATE_SYSTEM_CHECKED);
  SendMessageW(Item(IdCBScale8bit), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(Item(IdCBScale8bit), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  told = EventsOf(Item(IdCBScale8bit));
  ASSERT_EQ(told.size(), 1u) << "by a click";
  EXPECT_TRUE(told[0].state & STATE_SYSTEM_CHECKED);

  const Element strength = FromWindow(Item(IdEdStrength));
  const std::vector<Element> spin = Children(strength);
  ASSERT_EQ(spin.size(), 1u);
  EXPECT_EQ(spin[0].Role(), ROLE_SYSTEM_SPINBUTTON);
  const std::vector<Element> arrows = Children(spin[0]);
  ASSERT_EQ(arrows.size(), 2u);
  EXPECT_EQ(arrows[0].Name() + L"," + arrows[1].Name(), L"Down,Up");
  EXPECT_EQ(arrows[1].Action(), L"Press");
  const struct {
    size_t arrow;
    const wchar_t* value;
  } steps[] = {{1, L"85"}, {1, L"90"}, {0, L"85"}};
  for (const auto& s : steps) {
    ASSERT_EQ(arrows[s.arrow].Press(), S_OK);
    told = EventsOf(Item(IdEdStrength));
    ASSERT_EQ(told.size(), 1u) << "one value change per step";
    EXPECT_EQ(told[0].value, s.value);
  }
  SendMessageW(Item(IdEdStrength), WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(EventsOf(Item(IdEdStrength)).size(), 1u) << "the Up key";

  // Start unavailable and back; pressed, it runs (no image: the log says so).
  EnableWindow(Item(IdButStart), FALSE);
  const Element start = FromWindow(Item(IdButStart));
  EXPECT_TRUE(start.State() & STATE_SYSTEM_UNAVAILABLE);
  EnableWindow(Item(IdButStart), TRUE);
  EXPECT_EQ(EventsOf(Item(IdButStart)).size(), 2u);
  ASSERT_EQ(start.Press(), S_OK);
  EXPECT_EQ(EventsOf(Item(IdMemoLog)).empty(), false);
  EXPECT_EQ(TestHost::LogLines(), std::vector<std::wstring>{L"Please open an image."});
  EXPECT_EQ(host.Calls.size(), 1u);
}

// One run of a denoiser that prints its progress: the gauge tells each new whole percent
// once, Start goes unavailable and back, and the log's last event shows its last line.
TEST_F(AccessibilityTest, TheEventsOfARun) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"acc test " + std::to_wstring(GetCurrentProcessId()) + L"\\";
  const std::wstring script = folder + L"script.txt";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(CopyFileW((TestHost::ExeFolder() + L"scripted_denoiser.exe").c_str(), (folder + L"noxfade.exe").c_str(), FALSE));
  ASSERT_TRUE(nox::test::WriteFileBytes(script,
      "out 10.0%\\r\\n\nsleep 150\nout 10.4%\\r\\n\nsleep 150\nout 20.0%\\r\\n\nsleep 150\nout 50.0%\\r\\n\nsleep 150\n"
      "out Backend: test\\r\\n\nsleep 150\n"));
  SetEnvironmentVariableW(L"SCRIPTED_DENOISER_SCRIPT", script.c_str());
  SetWindowTextW(Item(IdEdFolder), folder.c_str());
  host.CurrentImage = host.AddImage(16, 16, true, 10000.5f);
  EventsOf(nullptr);
  ASSERT_EQ(TestHost::SendPluginCommand(kPluginCmdStart, kPluginCmdStart), 1);
  TestHost::Pump(100);
  const std::vector<Event> all = gEvents;
  SetEnvironmentVariableW(L"SCRIPTED_DENOISER_SCRIPT", nullptr);
  for (const wchar_t* f : {L"script.txt", L"noxfade.exe"}) DeleteFileW((folder + f).c_str());
  RemoveDirectoryW(folder.c_str());

  std::vector<std::wstring> gauge, start;
  size_t lastGauge = 0, firstStart = all.size(), lastStart = 0, log = 0;
  for (size_t i = 0; i < all.size(); ++i) {
    const Event& e = all[i];
    if (e.hwnd == mDialog && e.child == 4 && e.event == EVENT_OBJECT_VALUECHANGE) {
      EXPECT_TRUE(gauge.empty() || gauge.back() != e.value) << "once per whole percent";
      gauge.push_back(e.value);
      lastGauge = i;
    } else if (e.hwnd == Item(IdButStart) && e.event == EVENT_OBJECT_STATECHANGE) {
      start.push_back(e.state & STATE_SYSTEM_UNAVAILABLE ? L"off" : L"on");
      firstStart = std::min(firstStart, i);
      lastStart = i;
    } else if (e.hwnd == Item(IdMemoLog) && e.event == EVENT_OBJECT_VALUECHANGE) {
      ++log;
    }
  }
  ASSERT_GE(gauge.size(), 2u) << "a percentage, then the reset";
  EXPECT_EQ(gauge.back(), L"0%") << "reset at the end";
  EXPECT_EQ(start, (std::vector<std::wstring>{L"off", L"on"}));
  EXPECT_LT(firstStart, lastGauge);
  EXPECT_LT(lastGauge, lastStart);
  EXPECT_GE(log, 4u) << "cleared, then each of its lines";
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(all.back().hwnd, Item(IdMemoLog)) << "the run's end is told on the log";
  const std::vector<std::wstring> lines = TestHost::LogLines();
  EXPECT_EQ(all.back().value.substr(all.back().value.rfind(L'\n') + 1), lines.back());
}

// Elements held across pi_finalize and FreeLibrary answer "disconnected", and their
// Release runs in code that is still there.
TEST_F(AccessibilityTest, HeldElementsOutliveThePlugin) {
  std::vector<Element> held;
  held.push_back(FromWindow(mDialog));
  held.push_back(FromWindow(Item(IdButStart)));
  held.push_back(FromWindow(Item(IdEdStrength)));  // wraps the system's object
  for (const Element& e : held) ASSERT_NE(e.object, nullptr);
  const std::wstring name = held[1].Name();
  EXPECT_EQ(name, L"Start");
  host.Finalize();
  TestHost::Pump(100);
  EXPECT_TRUE(TestHost::DialogWindows().empty());
  host.Unload();
  for (const Element& e : held) {
    BSTR b = nullptr;
    EXPECT_EQ(e.object->get_accName(e.Id(), &b), RPC_E_DISCONNECTED);
    LONG count = -1;
    EXPECT_EQ(e.object->get_accChildCount(&count), RPC_E_DISCONNECTED);
  }
  held.clear();  // the last references
}

}  // namespace
