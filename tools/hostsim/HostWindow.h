// The stand-in host's main window: the image scaled to fit, and the menus File, Edit,
// Host and Plugins.
#pragma once

#include <windows.h>

#include <string>

#include "DisplayStretch.h"
#include "HostSession.h"
#include "PluginModule.h"

namespace nox {

class HostWindow {
 public:
  HostWindow(HostSession& session, PluginModule& plugin);
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  bool Create(HINSTANCE instance, bool visible, std::wstring& error);
  HWND Window() const { return window_; }

  // Adds "Plugins > <name>", which activates the plug-in.
  void AddPluginMenu(const std::wstring& name);
  // Loads an image file as the current image.
  bool OpenFile(const std::wstring& path, std::wstring& error);
  // Takes up the session's current samples: new picture, title, menus, repaint.
  void ImageChanged();

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

  void OnCommand(WORD id);
  void OnPaint();
  void OnSize();
  void OnClose();
  void OnDestroy();

  void OnFileOpen();
  void OnFileSaveAs();
  void OnFileClose();
  void OnEditUndo();
  void OnHostVersion(int64_t version);
  void OnPluginActivate();

  bool RefuseWhileBusy();
  void UpdateMenus();
  void ShowError(const std::wstring& text);

  HostSession& session_;
  PluginModule& plugin_;
  HWND window_ = nullptr;
  HMENU menu_ = nullptr;
  DisplayPicture picture_;
  std::wstring fileName_;
};

}  // namespace nox
