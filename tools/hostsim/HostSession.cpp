#include "HostSession.h"

#include <string>

namespace nox {

namespace {

HostSession* boundSession = nullptr;

// Handles start well away from small integers, so that a plug-in passing a plane index,
// a version or the current-image query where a handle belongs is noticed.
constexpr ImageHandle kFirstHandle = 0x10001;

std::string Hex(int64_t value) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  auto v = static_cast<uint64_t>(value);
  do {
    text.insert(text.begin(), digits[v & 15]);
    v >>= 4;
  } while (v != 0);
  return "0x" + text;
}

}  // namespace

HostSession::HostSession(std::ostream& diagnostics) : diagnostics_(diagnostics) {}

HostSession::~HostSession() {
  if (boundSession == this) boundSession = nullptr;
}

void HostSession::SetImage(HostImage image) {
  image_ = std::move(image);
  undo_.reset();
  handle_ = lastHandle_ == 0 ? kFirstHandle : lastHandle_ + 1;
  lastHandle_ = handle_;
}

void HostSession::CloseImage() {
  image_.reset();
  undo_.reset();
}

bool HostSession::SwapUndo() {
  if (!image_ || !undo_) return false;
  std::swap(*image_, *undo_);
  return true;
}

void HostSession::BindCallback() { boundSession = this; }

int64_t HostSession::Callback(uint8_t command, int64_t arg1, int64_t arg2, int64_t arg3) {
  if (boundSession == nullptr) return 0;
  return boundSession->Execute(command, arg1, arg2, arg3);
}

int64_t HostSession::Execute(uint8_t command, int64_t arg1, int64_t arg2, int64_t arg3) noexcept {
  if (!onCommand_) return Carry(command, arg1, arg2, arg3);
  try {
    onCommand_(command, false);
  } catch (...) {  // an observer's failure does not fail the command
  }
  const int64_t result = Carry(command, arg1, arg2, arg3);
  try {
    onCommand_(command, true);
  } catch (...) {
  }
  return result;
}

int64_t HostSession::Carry(uint8_t command, int64_t arg1, int64_t arg2, int64_t arg3) noexcept {
  try {
    switch (command) {
      case CmdGetPlane:
        return GetPlane("GetPlane", false, arg1, arg2, arg3);
      case CmdGetImageSize:
        return GetImageSize(arg1, arg2, arg3);
      case CmdRefreshImage:
        return RefreshImage(arg1);
      case CmdSaveUndo:
        return SaveUndo(arg1);
      case CmdGetCurrentImage:
        return GetCurrentImage(arg1);
      case CmdGetHostVersion:
        return version_;
      case CmdGetUndoPlane:
        return GetPlane("GetUndoPlane", true, arg1, arg2, arg3);
      default:
        return Refuse("unknown command " + std::to_string(command) + " (" + Hex(arg1) + ", " +
                      Hex(arg2) + ", " + Hex(arg3) + ")");
    }
  } catch (const std::exception& e) {
    return Refuse(std::string("command ") + std::to_string(command) + " failed: " + e.what());
  } catch (...) {
    return Refuse("command " + std::to_string(command) + " failed");
  }
}

int64_t HostSession::Refuse(const std::string& what) {
  try {
    diagnostics_ << "hostsim: " << what << '\n';
    diagnostics_.flush();
  } catch (...) {
  }
  return 0;
}

bool HostSession::KnownHandle(const char* name, int64_t handle) {
  if (image_ && handle == handle_) return true;
  Refuse(std::string(name) + ": unknown image handle " + Hex(handle));
  return false;
}

int64_t HostSession::GetPlane(const char* name, bool undo, int64_t handle, int64_t address,
                              int64_t index) {
  if (address == 0) return Refuse(std::string(name) + ": null address for the plane pointer");
  auto* out = reinterpret_cast<float**>(address);
  *out = nullptr;
  if (!KnownHandle(name, handle)) return 0;
  if (undo && !undo_) return Refuse(std::string(name) + ": no undo copy has been saved");
  float* plane = (undo ? *undo_ : *image_).Plane(index);
  if (plane == nullptr) {
    return Refuse(std::string(name) + ": no plane with index " + std::to_string(index));
  }
  *out = plane;
  return 0;
}

int64_t HostSession::GetImageSize(int64_t handle, int64_t widthAddress, int64_t heightAddress) {
  if (widthAddress == 0 || heightAddress == 0) {
    return Refuse("GetImageSize: null address for the width or height");
  }
  auto* width = reinterpret_cast<int32_t*>(widthAddress);
  auto* height = reinterpret_cast<int32_t*>(heightAddress);
  *width = 0;
  *height = 0;
  if (!KnownHandle("GetImageSize", handle)) return 0;
  *width = image_->width;
  *height = image_->height;
  return 0;
}

int64_t HostSession::RefreshImage(int64_t handle) {
  if (!KnownHandle("RefreshImage", handle)) return 0;
  if (onRefresh_) onRefresh_();
  return 0;
}

int64_t HostSession::SaveUndo(int64_t handle) {
  if (!KnownHandle("SaveUndo", handle)) return 0;
  undo_ = *image_;
  return 0;
}

int64_t HostSession::GetCurrentImage(int64_t query) {
  if (query != kCurrentImageQuery) {
    return Refuse("GetCurrentImage: unexpected argument " + std::to_string(query));
  }
  return Handle();
}

}  // namespace nox
