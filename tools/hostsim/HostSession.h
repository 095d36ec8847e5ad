// The host side of the plug-in protocol: the current image, its undo copy, the host's
// version number and the seven service commands. Portable, so the commands can be
// exercised without windows.
#pragma once

#include <functional>
#include <optional>
#include <ostream>

#include "HostImage.h"
#include "host/HostProtocol.h"

namespace nox {

class HostSession {
 public:
  static constexpr int64_t kDefaultVersion = 805;

  // Problems with a plug-in's requests (unknown commands, handles, plane indexes, null
  // addresses) are reported on `diagnostics`, one line each.
  explicit HostSession(std::ostream& diagnostics);
  ~HostSession();
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  // Makes `image` the current image under a new handle; the undo copy is dropped.
  void SetImage(HostImage image);
  // Closes the current image, as a host frees it: its planes and undo copy go, and its
  // handle is current no more.
  void CloseImage();
  bool HasImage() const { return image_.has_value(); }
  const HostImage& Image() const { return *image_; }
  HostImage& Image() { return *image_; }
  ImageHandle Handle() const { return image_ ? handle_ : 0; }

  bool HasUndo() const { return undo_.has_value(); }
  // Exchanges the image with its undo copy (a second call redoes). False without a copy.
  bool SwapUndo();

  int64_t Version() const { return version_; }
  void SetVersion(int64_t version) { version_ = version; }

  // Called by CmdRefreshImage after the plug-in has written the planes.
  void SetRefreshHandler(std::function<void()> handler) { onRefresh_ = std::move(handler); }

  // Told of every command before it is carried out (done false) and after (done true), for
  // hostsim --timings.
  void SetCommandObserver(std::function<void(uint8_t command, bool done)> observer) {
    onCommand_ = std::move(observer);
  }

  // Carries out one command of the host protocol. Never throws.
  int64_t Execute(uint8_t command, int64_t arg1, int64_t arg2, int64_t arg3) noexcept;

  // The HostCallback handed to the plug-in; it forwards to the session made current by
  // BindCallback (one host session per process).
  static int64_t Callback(uint8_t command, int64_t arg1, int64_t arg2, int64_t arg3);
  void BindCallback();

 private:
  int64_t Carry(uint8_t command, int64_t arg1, int64_t arg2, int64_t arg3) noexcept;
  int64_t GetPlane(const char* name, bool undo, int64_t handle, int64_t address, int64_t index);
  int64_t GetImageSize(int64_t handle, int64_t widthAddress, int64_t heightAddress);
  int64_t RefreshImage(int64_t handle);
  int64_t SaveUndo(int64_t handle);
  int64_t GetCurrentImage(int64_t query);
  bool KnownHandle(const char* name, int64_t handle);
  int64_t Refuse(const std::string& what);

  std::ostream& diagnostics_;
  std::optional<HostImage> image_;
  std::optional<HostImage> undo_;
  ImageHandle handle_ = 0;
  ImageHandle lastHandle_ = 0;
  int64_t version_ = kDefaultVersion;
  std::function<void()> onRefresh_;
  std::function<void(uint8_t, bool)> onCommand_;
};

}  // namespace nox
