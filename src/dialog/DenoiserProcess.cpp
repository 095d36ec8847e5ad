#include "dialog/DenoiserProcess.h"

#include <windows.h>

#include <vector>

#include "dialog/DenoiserOutput.h"

namespace nox {

namespace {

// Owns one kernel handle; closes it when it goes out of scope.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : handle_(h) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~UniqueHandle() { Reset(); }

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Release() {
    HANDLE h = handle_;
    handle_ = nullptr;
    return h;
  }
  void Reset(HANDLE h = nullptr) {
    if (Valid()) CloseHandle(handle_);
    handle_ = h;
  }

 private:
  HANDLE handle_ = nullptr;
};

constexpr DWORD kReadBufferSize = 512;          // a read takes at most 511 bytes, then a NUL
constexpr DWORD kPauseAfterChunkMs = 10;        // rhythm while output flows
constexpr DWORD kIdleWaitMs = 50;               // longest time without looking at messages
constexpr DWORD kTerminationWaitMs = 5000;      // for the process to go after a stop
constexpr UINT kStoppedExitCode = 1;

// A job whose processes are all ended when its last handle closes. Empty when the system
// refuses one; the run then goes on without it.
UniqueHandle CreateKillOnCloseJob() {
  UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
  if (!job.Valid()) return UniqueHandle();
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits,
                               sizeof limits)) {
    return UniqueHandle();
  }
  return job;
}

// The text of one read: the bytes up to the first NUL, in the system's ANSI code page.
std::wstring ChunkText(const char* bytes, DWORD count) {
  int length = 0;
  while (static_cast<DWORD>(length) < count && bytes[length] != '\0') ++length;
  if (length == 0) return std::wstring();
  const int wide = MultiByteToWideChar(CP_ACP, 0, bytes, length, nullptr, 0);
  if (wide <= 0) return std::wstring();
  std::wstring text(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes, length, text.data(), wide);
  return text;
}

void ApplyChunk(const std::wstring& chunk, DenoiserUi& ui) {
  const ChunkEffect effect = InterpretChunk(chunk);
  if (effect.progress) ui.SetProgress(*effect.progress);
  for (const std::wstring& line : effect.lines) ui.AppendLog(line);
}

class DenoiserProcess {
 public:
  explicit DenoiserProcess(DenoiserUi& ui) : ui_(ui) {}

  DenoiserProcessResult Run(const std::wstring& commandLine, const std::wstring& workingFolder) {
    DenoiserProcessResult result;
    if (!Launch(commandLine, workingFolder)) {
      result.code = DenoiserCode::LaunchFailed;
      return result;
    }
    if (!FollowOutput() || !WaitForExit()) {
      Stop();
      result.code = cancelled_ ? DenoiserCode::Cancelled : DenoiserCode::CommunicationFailed;
      return result;
    }
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process_.Get(), &exitCode)) {
      result.code = DenoiserCode::CommunicationFailed;
      return result;
    }
    result.code = DenoiserCode::Finished;
    result.exited = true;
    result.exitCode = exitCode;
    return result;
  }

 private:
  bool Launch(const std::wstring& commandLine, const std::wstring& workingFolder) {
    job_ = CreateKillOnCloseJob();

    SECURITY_ATTRIBUTES inheritable{};
    inheritable.nLength = sizeof inheritable;
    inheritable.lpSecurityDescriptor = nullptr;
    inheritable.bInheritHandle = TRUE;
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return false;
    readEnd_.Reset(readEnd);
    UniqueHandle write(writeEnd);
    // Only the write end belongs in the child; our read end stays ours.
    SetHandleInformation(readEnd_.Get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = write.Get();
    startup.hStdError = write.Get();

    std::vector<wchar_t> command(commandLine.begin(), commandLine.end());
    command.push_back(L'\0');
    PROCESS_INFORMATION info{};
    // Suspended, so that it is in the job before it can start children of its own.
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                        nullptr, workingFolder.c_str(), &startup, &info)) {
      return false;
    }
    process_.Reset(info.hProcess);
    thread_.Reset(info.hThread);
    if (job_.Valid() && !AssignProcessToJobObject(job_.Get(), process_.Get())) {
      job_.Reset();  // e.g. a host inside a job that allows no nested one: run without it
    }
    if (ResumeThread(thread_.Get()) == static_cast<DWORD>(-1)) {
      TerminateProcess(process_.Get(), kStoppedExitCode);
      return false;
    }
    // Closing our copy of the write end lets the pipe end when the child's copies close.
    write.Reset();
    return true;
  }

  // Reads until the pipe ends, or the process has exited and what it wrote is drained (a
  // child of it may still hold the pipe open). False when stopped or on a failure.
  bool FollowOutput() {
    char buffer[kReadBufferSize];
    bool processEnded = false;
    for (;;) {
      if (CheckCancel()) return false;
      DWORD available = 0;
      if (!PeekNamedPipe(readEnd_.Get(), nullptr, 0, nullptr, &available, nullptr)) {
        return true;  // ERROR_BROKEN_PIPE: every writer has closed it
      }
      if (available > 0) {
        DWORD read = 0;
        if (!ReadFile(readEnd_.Get(), buffer, kReadBufferSize - 1, &read, nullptr) || read == 0) {
          return true;
        }
        buffer[read] = '\0';
        ApplyChunk(ChunkText(buffer, read), ui_);
        ui_.ProcessMessages();
        Sleep(kPauseAfterChunkMs);
        continue;
      }
      if (processEnded) return true;
      HANDLE process = process_.Get();
      const DWORD wait = MsgWaitForMultipleObjects(1, &process, FALSE, kIdleWaitMs, QS_ALLINPUT);
      if (wait == WAIT_OBJECT_0) {
        processEnded = true;  // one more look at the pipe drains what is left
      } else if (wait == WAIT_OBJECT_0 + 1) {
        ui_.ProcessMessages();
      } else if (wait == WAIT_FAILED) {
        return false;
      }
    }
  }

  bool WaitForExit() {
    HANDLE process = process_.Get();
    for (;;) {
      if (CheckCancel()) return false;
      const DWORD wait = MsgWaitForMultipleObjects(1, &process, FALSE, kIdleWaitMs, QS_ALLINPUT);
      if (wait == WAIT_OBJECT_0) return true;
      if (wait == WAIT_OBJECT_0 + 1) {
        ui_.ProcessMessages();
      } else if (wait == WAIT_FAILED) {
        return false;
      }
    }
  }

  bool CheckCancel() {
    if (!cancelled_ && ui_.CancelRequested()) cancelled_ = true;
    return cancelled_;
  }

  // Ends the process and everything it started; waits a little for it to go.
  void Stop() {
    if (!process_.Valid()) return;
    if (job_.Valid()) {
      TerminateJobObject(job_.Get(), kStoppedExitCode);
    } else {
      TerminateProcess(process_.Get(), kStoppedExitCode);
    }
    WaitForSingleObject(process_.Get(), kTerminationWaitMs);
  }

  DenoiserUi& ui_;
  bool cancelled_ = false;
  // Declared first, closed last: closing it ends whatever the denoiser left running.
  UniqueHandle job_;
  UniqueHandle readEnd_;
  UniqueHandle process_;
  UniqueHandle thread_;
};

}  // namespace

DenoiserProcessResult RunDenoiserProcess(const std::wstring& commandLine,
                                         const std::wstring& workingFolder, DenoiserUi& ui) {
  try {
    DenoiserProcess process(ui);
    return process.Run(commandLine, workingFolder);
  } catch (...) {
    // The handles are closed by now; closing the job has ended the denoiser.
    DenoiserProcessResult result;
    result.code = DenoiserCode::CommunicationFailed;
    return result;
  }
}

}  // namespace nox
