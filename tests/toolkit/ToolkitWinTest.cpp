// The windowed toolkit under Wine: forms and their deferred release, routing of
// notifications to child objects, graphic controls, timers and the keyboard filter.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>

#include "toolkit/Application.h"
#include "toolkit/Form.h"
#include "toolkit/GdiCanvas.h"
#include "toolkit/StdControls.h"
#include "toolkit/Timer.h"

using namespace nox;

namespace {

class TestForm : public Form {
 public:
  explicit TestForm(bool* destroyed) : Form(nullptr, L"NoxToolkitTestForm", false), mDestroyed(destroyed) {
    OnDestroy = [this] { *mDestroyed = true; };
    SetClientSize(120, 80);
  }
  bool Busy = false;

 protected:
  bool CanReleaseNow() const override { return !Busy; }

 private:
  bool* mDestroyed;
};

// A graphic control that paints a solid square: shows where its paint lands.
class Swatch : public GraphicControl {
 public:
  using GraphicControl::GraphicControl;
  void Paint(Canvas& canvas) override {
    canvas.SetBrushColor(0x0000FF);
    canvas.FillRect(Rect{0, 0, Width(), Height()});
  }
};

void Pump() { Application::Instance().ProcessMessages(); }

TEST(ToolkitWin, DeferredReleaseWaitsUntilTheFormCanGo) {
  bool destroyed = false;
  auto* form = new TestForm(&destroyed);
  HWND hwnd = form->Handle();
  ASSERT_TRUE(IsWindow(hwnd));
  EXPECT_TRUE(Application::Instance().IsLive(form));
  EXPECT_TRUE(Application::Instance().HookInstalled());

  form->Busy = true;
  form->Release();
  Pump();
  EXPECT_FALSE(destroyed) << "not while it cannot go";
  EXPECT_TRUE(form->ReleasePending());
  form->Busy = false;
  form->Release();
  Pump();
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_FALSE(Application::Instance().IsLive(form));
  EXPECT_FALSE(Application::Instance().HookInstalled()) << "the hook lives only while a form does";
}

TEST(ToolkitWin, ShowHideAndCloseOnlyHides) {
  bool destroyed = false;
  auto* form = new TestForm(&destroyed);
  int shows = 0;
  form->OnShow = [&] { ++shows; };
  form->Show();
  form->Show();  // already visible: no second OnShow
  EXPECT_EQ(shows, 1);
  SendMessageW(form->Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(form->Showing());
  EXPECT_FALSE(destroyed);
  form->Show();
  EXPECT_EQ(shows, 2);
  form->Free();
  EXPECT_TRUE(destroyed);
}

TEST(ToolkitWin, ChildNotificationsReachTheirObjectsAndExceptionsStayInside) {
  bool destroyed = false;
  auto* form = new TestForm(&destroyed);
  auto* plain = new Button(form, form);
  plain->SetBounds(5, 5, 60, 20);
  auto* drawn = new Button(form, form, true);
  drawn->SetBounds(5, 30, 60, 20);
  int clicks = 0;
  plain->OnClick = [&] { ++clicks; };
  SendMessageW(plain->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
  plain->Click();  // programmatic click runs the same handler
  EXPECT_EQ(clicks, 2);

  int drawItems = 0;
  drawn->OnDrawItem = [&](const DRAWITEMSTRUCT& item) {
    ++drawItems;
    EXPECT_EQ(item.hwndItem, drawn->Handle());
  };
  form->Show();
  UpdateWindow(form->Handle());
  RedrawWindow(drawn->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_GE(drawItems, 1) << "WM_DRAWITEM routed back to the owner-drawn button";

  plain->OnClick = [] { throw std::runtime_error("handler failure"); };
  SendMessageW(plain->Handle(), BM_CLICK, 0, 0);  // must not leave the window procedure
  SUCCEED();
  form->Free();
}

TEST(ToolkitWin, GraphicControlPaintsOnItsParentWithinItsBounds) {
  bool destroyed = false;
  auto* form = new TestForm(&destroyed);
  auto* swatch = new Swatch(form, form);
  swatch->SetBounds(10, 10, 20, 15);
  form->Show();
  UpdateWindow(form->Handle());
  swatch->Repaint();
  HDC dc = GetDC(form->Handle());
  EXPECT_EQ(GetPixel(dc, 10, 10), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 29, 24), RGB(255, 0, 0));
  EXPECT_NE(GetPixel(dc, 30, 24), RGB(255, 0, 0)) << "right column outside the bounds";
  EXPECT_NE(GetPixel(dc, 29, 25), RGB(255, 0, 0)) << "bottom row outside the bounds";
  ReleaseDC(form->Handle(), dc);
  form->Free();
}

TEST(ToolkitWin, TimerTicksThroughProcessMessagesAndCaptureFollowsTheControl) {
  Timer timer(nullptr);
  int ticks = 0;
  timer.OnTimer = [&] { ++ticks; };
  timer.SetInterval(10);
  timer.SetEnabled(true);
  const DWORD until = GetTickCount() + 2000;
  while (ticks < 2 && static_cast<int>(until - GetTickCount()) > 0) {
    Pump();
    Sleep(5);
  }
  EXPECT_GE(ticks, 2);
  timer.SetEnabled(false);
  const int stopped = ticks;
  Sleep(40);
  Pump();
  EXPECT_EQ(ticks, stopped);

  bool destroyed = false;
  auto* form = new TestForm(&destroyed);
  auto* edit = new Edit(form, form);
  edit->SetMouseCapture(true);
  EXPECT_TRUE(edit->MouseCaptured());
  edit->SetMouseCapture(false);
  EXPECT_FALSE(edit->MouseCaptured());
  form->Free();
}

TEST(ToolkitWin, MemoKeepsLinesAndTabLeavesIt) {
  bool destroyed = false;
  auto* form = new TestForm(&destroyed);
  auto* memo = new Memo(form, form);
  memo->SetBounds(5, 5, 100, 40);
  memo->SetTabOrder(0);
  auto* edit = new Edit(form, form);
  edit->SetBounds(5, 50, 100, 20);
  edit->SetTabOrder(1);
  memo->Append(L"first");
  memo->Append(L"");
  memo->Append(L"third");
  memo->Append(L"folder:\rC:\\x\nend");  // its line breaks show as line breaks
  EXPECT_EQ(memo->Text(), L"first\r\n\r\nthird\r\nfolder:\r\nC:\\x\r\nend");
  EXPECT_EQ(memo->Lines(), (std::vector<std::wstring>{L"first", L"", L"third", L"folder:", L"C:\\x", L"end"}));
  memo->SetLines({L"a\rb", L"c"});
  EXPECT_EQ(memo->Text(), L"a\r\nb\r\nc");
  memo->Clear();
  EXPECT_TRUE(memo->Lines().empty());

  form->Show();
  // Parallel tests share Wine's desktop and may take the focus away: try a few times.
  bool moved = false;
  for (int attempt = 0; attempt < 20 && !moved; ++attempt) {
    SetForegroundWindow(form->Handle());
    memo->SetFocus();
    if (!memo->Focused()) {
      Sleep(25);
      Pump();
      continue;
    }
    PostMessageW(memo->Handle(), WM_KEYDOWN, VK_TAB, 0);
    Pump();
    moved = edit->Focused();
  }
  EXPECT_TRUE(moved) << "Tab moves on from the read-only memo";
  form->Free();
}

// A log of some 2 MB: the memo keeps about the last megabyte, drops only whole lines from
// the top (what remains runs on without a gap), and shows its newest line. An edit control
// at its default limit keeps the first 30,000 characters and drops the rest.
TEST(ToolkitWin, MemoKeepsTheNewestLinesOfALongLogInView) {
  bool destroyed = false;
  auto* form = new TestForm(&destroyed);
  auto* memo = new Memo(form, form);
  memo->SetBounds(5, 5, 110, 70);
  constexpr int kLines = 4200;
  const std::wstring padding(490, L'.');
  for (int i = 0; i < kLines; ++i) memo->Append(L"line " + std::to_wstring(i) + L" " + padding);
  memo->Append(L"ERROR: the outcome");

  const std::vector<std::wstring> lines = memo->Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.back(), L"ERROR: the outcome");
  const int firstKept = std::stoi(lines.front().substr(5));
  EXPECT_GT(firstKept, 0) << "the oldest lines made room";
  size_t characters = 0;
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    ASSERT_EQ(lines[i], L"line " + std::to_wstring(firstKept + static_cast<int>(i)) + L" " + padding)
        << "line " << i << " of what is kept";
    characters += lines[i].size() + 2;
  }
  EXPECT_EQ(firstKept + static_cast<int>(lines.size()) - 1, kLines);
  EXPECT_GT(characters, 500000u) << "a good part of the log stays";
  EXPECT_LE(characters, 1100000u) << "and it is bounded";

  const LRESULT lastLineStart =
      SendMessageW(memo->Handle(), EM_LINEINDEX, static_cast<WPARAM>(lines.size() - 1), 0);
  const LRESULT at = SendMessageW(memo->Handle(), EM_POSFROMCHAR, static_cast<WPARAM>(lastLineStart), 0);
  RECT client{};
  GetClientRect(memo->Handle(), &client);
  EXPECT_GE(static_cast<short>(HIWORD(at)), 0);
  EXPECT_LT(static_cast<short>(HIWORD(at)), client.bottom) << "the newest line is in view";

  form->Release();
  Pump();
  EXPECT_TRUE(destroyed);
}

}  // namespace
