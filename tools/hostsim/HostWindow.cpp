#include "HostWindow.h"

#include <commdlg.h>

#include <algorithm>
#include <filesystem>

#include "PluginDialog.h"

namespace nox {

namespace {

constexpr wchar_t kWindowClass[] = L"HostsimMainWindow";
constexpr wchar_t kAppTitle[] = L"hostsim";

enum MenuId : WORD {
  IdFileOpen = 40001,
  IdFileSaveAs,
  IdFileClose,
  IdFileExit,
  IdEditUndo,
  IdHostVersion804,
  IdHostVersion805,
  IdPluginActivate,
};

constexpr wchar_t kImageFilter[] =
    L"Images (*.tif;*.tiff;*.png)\0*.tif;*.tiff;*.png\0All files (*.*)\0*.*\0";

HMENU BuildMenu() {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenuW(file, MF_STRING, IdFileOpen, L"&Open...");
  AppendMenuW(file, MF_STRING, IdFileSaveAs, L"Save &as...");
  AppendMenuW(file, MF_STRING, IdFileClose, L"&Close");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(file, MF_STRING, IdFileExit, L"E&xit");
  HMENU edit = CreatePopupMenu();
  AppendMenuW(edit, MF_STRING, IdEditUndo, L"&Undo");
  HMENU host = CreatePopupMenu();
  AppendMenuW(host, MF_STRING, IdHostVersion804, L"Version 804 (no blending)");
  AppendMenuW(host, MF_STRING, IdHostVersion805, L"Version 805");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), L"&Edit");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(host), L"&Host");
  return bar;
}

// The largest rectangle of the picture's proportions centred in the client area.
RECT FitRect(const RECT& client, int32_t width, int32_t height) {
  const double cw = client.right - client.left;
  const double ch = client.bottom - client.top;
  const double scale = std::min(cw / width, ch / height);
  const int w = std::max(1, static_cast<int>(width * scale));
  const int h = std::max(1, static_cast<int>(height * scale));
  RECT r;
  r.left = client.left + (static_cast<int>(cw) - w) / 2;
  r.top = client.top + (static_cast<int>(ch) - h) / 2;
  r.right = r.left + w;
  r.bottom = r.top + h;
  return r;
}

}  // namespace

HostWindow::HostWindow(HostSession& session, PluginModule& plugin)
    : session_(session), plugin_(plugin) {}

bool HostWindow::Create(HINSTANCE instance, bool visible, std::wstring& error) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = Procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  wc.lpszClassName = kWindowClass;
  if (RegisterClassExW(&wc) == 0) {
    error = L"cannot register the main window class";
    return false;
  }
  menu_ = BuildMenu();
  window_ = CreateWindowExW(0, kWindowClass, kAppTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                            CW_USEDEFAULT, 900, 700, nullptr, menu_, instance, this);
  if (window_ == nullptr) {
    error = L"cannot create the main window";
    return false;
  }
  UpdateMenus();
  if (visible) {
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
  }
  return true;
}

void HostWindow::AddPluginMenu(const std::wstring& name) {
  HMENU plugins = CreatePopupMenu();
  AppendMenuW(plugins, MF_STRING, IdPluginActivate, name.empty() ? L"(unnamed plug-in)" : name.c_str());
  AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(plugins), L"&Plugins");
  DrawMenuBar(window_);
}

bool HostWindow::OpenFile(const std::wstring& path, std::wstring& error) {
  HostImage image;
  std::string reason;
  if (!LoadHostImage(std::filesystem::path(path), image, reason)) {
    error = std::filesystem::u8path(reason).wstring();
    return false;
  }
  session_.SetImage(std::move(image));
  fileName_ = std::filesystem::path(path).filename().wstring();
  ImageChanged();
  return true;
}

void HostWindow::ImageChanged() {
  picture_ = session_.HasImage()
                 ? RenderForDisplay(session_.Image(), ChooseStretchLevels(session_.Image()))
                 : DisplayPicture();
  std::wstring title = kAppTitle;
  if (session_.HasImage()) {
    const HostImage& image = session_.Image();
    title += L" - " + fileName_ + L" (" + std::to_wstring(image.width) + L" x " +
             std::to_wstring(image.height) + (image.colour ? L", colour, " : L", grey, ") +
             std::to_wstring(image.bitsPerSample) + L"-bit)";
  }
  SetWindowTextW(window_, title.c_str());
  UpdateMenus();
  InvalidateRect(window_, nullptr, FALSE);
  UpdateWindow(window_);
}

LRESULT CALLBACK HostWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      auto* self = static_cast<HostWindow*>(create->lpCreateParams);
      self->window_ = window;
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr) return self->Dispatch(message, wParam, lParam);
  } catch (...) {
    MessageBeep(MB_ICONERROR);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT HostWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return 0;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint fills every pixel
    case WM_SIZE:
      OnSize();
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

void HostWindow::OnCommand(WORD id) {
  switch (id) {
    case IdFileOpen: OnFileOpen(); break;
    case IdFileSaveAs: OnFileSaveAs(); break;
    case IdFileClose: OnFileClose(); break;
    case IdFileExit: PostMessageW(window_, WM_CLOSE, 0, 0); break;
    case IdEditUndo: OnEditUndo(); break;
    case IdHostVersion804: OnHostVersion(804); break;
    case IdHostVersion805: OnHostVersion(805); break;
    case IdPluginActivate: OnPluginActivate(); break;
    default: break;
  }
}

void HostWindow::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window_, &ps);
  RECT client;
  GetClientRect(window_, &client);
  if (!picture_.bgr.empty() && client.right > 0 && client.bottom > 0) {
    const RECT target = FitRect(client, picture_.width, picture_.height);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture_.width;
    info.bmiHeader.biHeight = -picture_.height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, target.left, target.top, target.right - target.left,
                  target.bottom - target.top, 0, 0, picture_.width, picture_.height,
                  picture_.bgr.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    ExcludeClipRect(dc, target.left, target.top, target.right, target.bottom);
  }
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH)));
  EndPaint(window_, &ps);
}

void HostWindow::OnSize() { InvalidateRect(window_, nullptr, FALSE); }

void HostWindow::OnClose() {
  if (RefuseWhileBusy()) return;
  plugin_.Finalize();
  DestroyWindow(window_);
}

void HostWindow::OnDestroy() { PostQuitMessage(0); }

// Opening another image or closing this one is allowed during a plug-in's run, as a real
// host allows it: the image's planes are freed, and the plug-in must not write into them.
void HostWindow::OnFileOpen() {
  wchar_t path[MAX_PATH] = {};
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = window_;
  ofn.lpstrFilter = kImageFilter;
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  if (!GetOpenFileNameW(&ofn)) return;
  std::wstring error;
  if (!OpenFile(path, error)) ShowError(error);
}

void HostWindow::OnFileClose() {
  if (!session_.HasImage()) return;
  session_.CloseImage();
  fileName_.clear();
  ImageChanged();
}

void HostWindow::OnFileSaveAs() {
  if (!session_.HasImage()) return;
  wchar_t path[MAX_PATH] = {};
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = window_;
  ofn.lpstrFilter = L"TIFF (*.tif)\0*.tif\0PNG (*.png)\0*.png\0";
  ofn.lpstrDefExt = L"tif";
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  if (!GetSaveFileNameW(&ofn)) return;
  std::string reason;
  if (!SaveHostImage(session_.Image(), std::filesystem::path(path), reason)) {
    ShowError(std::filesystem::u8path(reason).wstring());
  }
}

void HostWindow::OnEditUndo() {
  if (RefuseWhileBusy()) return;
  if (session_.SwapUndo()) ImageChanged();
}

void HostWindow::OnHostVersion(int64_t version) {
  session_.SetVersion(version);
  UpdateMenus();
}

void HostWindow::OnPluginActivate() { plugin_.Activate(); }

// Undo and exit wait for the end of a plug-in's run.
bool HostWindow::RefuseWhileBusy() {
  if (!PluginBusy()) return false;
  MessageBoxW(window_, L"The plug-in is working on the image; wait for the end of its run.",
              kAppTitle, MB_OK | MB_ICONINFORMATION);
  return true;
}

void HostWindow::UpdateMenus() {
  EnableMenuItem(menu_, IdFileSaveAs, session_.HasImage() ? MF_ENABLED : MF_GRAYED);
  EnableMenuItem(menu_, IdFileClose, session_.HasImage() ? MF_ENABLED : MF_GRAYED);
  EnableMenuItem(menu_, IdEditUndo, session_.HasUndo() ? MF_ENABLED : MF_GRAYED);
  CheckMenuItem(menu_, IdHostVersion804, session_.Version() == 804 ? MF_CHECKED : MF_UNCHECKED);
  CheckMenuItem(menu_, IdHostVersion805, session_.Version() == 805 ? MF_CHECKED : MF_UNCHECKED);
}

void HostWindow::ShowError(const std::wstring& text) {
  MessageBoxW(window_, text.c_str(), kAppTitle, MB_OK | MB_ICONERROR);
}

}  // namespace nox
