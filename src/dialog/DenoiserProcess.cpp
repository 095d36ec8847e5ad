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
  explicit UniqueHandle(HANDLE h) : mHandle(h) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : mHandle(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~UniqueHandle() { Reset(); }

  HANDLE Get() const { return mHandle; }
  bool Valid() const { return mHandle != nullptr && mHandle != INVALID_HANDLE_VALUE; }
  HANDLE Release() {
    HANDLE h = mHandle;
    mHandle = nullptr;
    return h;
  }
  void Reset(HANDLE h = nullptr) {
    if (Valid()) CloseHandle(mHandle);
    mHandle = h;
  }

 private:
  HANDLE mHandle = nullptr;
};

constexpr DWORD kReadBufferSize = 512;          // a read takes at most 511 bytes, then a NUL
constexpr DWORD kPauseAfterChunkMs = 10;        // rhythm while output flows
constexpr DWORD kIdleWaitMs = 50;               // longest time without looking at messages
constexpr DWORD kTerminationWaitMs = 5000;      // for the process to go after a stop
constexpr UINT kStoppedExitCode = 1;

// Jobs of earlier runs whose output had ended while processes of them still ran. Their
// processes end when the handles are closed: at unload, or with the host's process.
std::vector<HANDLE> gLeftoverJobs;

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

// True unless the job is known to hold no running process.
bool JobMayHoldProcesses(HANDLE job) {
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
  if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info,
                                 nullptr)) {
    return true;
  }
  return info.ActiveProcesses > 0;
}

// A process attribute list naming the only handles a child inherits. Invalid when the
// system offers none; the child then inherits every inheritable handle, as before.
class HandleList {
 public:
  explicit HandleList(std::vector<HANDLE>& handles) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    if (size == 0) return;
    mBuffer.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(mBuffer.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
    if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles.data(),
                                   handles.size() * sizeof(HANDLE), nullptr, nullptr)) {
      DeleteProcThreadAttributeList(list);
      return;
    }
    mList = list;
  }
  ~HandleList() {
    if (mList) DeleteProcThreadAttributeList(mList);
  }
  HandleList(const HandleList&) = delete;
  HandleList& operator=(const HandleList&) = delete;
  bool Valid() const { return mList != nullptr; }
  LPPROC_THREAD_ATTRIBUTE_LIST Get() const { return mList; }

 private:
  std::vector<char> mBuffer;  // the list refers to `handles`, which outlive it
  LPPROC_THREAD_ATTRIBUTE_LIST mList = nullptr;
};

// The active ANSI code page, as far as cutting its characters goes.
AnsiCodePage ActiveAnsiCodePage() {
  AnsiCodePage codePage;
  const UINT acp = GetACP();
  if (acp == CP_UTF8) {
    codePage.kind = AnsiCodePage::Kind::Utf8;
    return codePage;
  }
  CPINFO info{};
  if (!GetCPInfo(acp, &info) || info.MaxCharSize < 2) return codePage;
  codePage.kind = AnsiCodePage::Kind::DoubleByte;
  for (int i = 0; i + 1 < MAX_LEADBYTES && (info.LeadByte[i] != 0 || info.LeadByte[i + 1] != 0);
       i += 2) {
    codePage.leadByteRanges.emplace_back(info.LeadByte[i], info.LeadByte[i + 1]);
  }
  return codePage;
}

// The bytes of one chunk in the system's ANSI code page, as text.
std::wstring ChunkText(const std::string& bytes) {
  if (bytes.empty()) return std::wstring();
  const int length = static_cast<int>(bytes.size());
  const int wide = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
  if (wide <= 0) return std::wstring();
  std::wstring text(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, text.data(), wide);
  return text;
}

void ApplyChunk(const std::wstring& chunk, DenoiserUi& ui) {
  const ChunkEffect effect = InterpretChunk(chunk);
  if (effect.progress) ui.SetProgress(*effect.progress);
  for (const std::wstring& line : effect.lines) ui.AppendLog(line);
}

class DenoiserProcess {
 public:
  DenoiserProcess(DenoiserUi& ui, DWORD leftoverWarningMs)
      : mUi(ui), mLeftoverWarningMs(leftoverWarningMs) {}

  DenoiserProcessResult Run(const std::wstring& commandLine, const std::wstring& workingFolder) {
    DenoiserProcessResult result;
    if (!Launch(commandLine, workingFolder)) {
      result.code = DenoiserCode::LaunchFailed;
      return result;
    }
    const Followed followed = FollowOutput();
    if (followed == Followed::Failed || followed == Followed::StoppedDenoiser) {
      Stop();
      result.code = followed == Followed::Failed ? DenoiserCode::CommunicationFailed
                                                 : DenoiserCode::Cancelled;
      return result;
    }
    if (followed == Followed::StoppedWaiting) {
      Stop();  // the denoiser has ended: this ends what it left running
      result.leftoversEnded = true;
    } else if (!WaitForExit()) {
      Stop();
      result.code = mStop == StopRequest::None ? DenoiserCode::CommunicationFailed
                                               : DenoiserCode::Cancelled;
      return result;
    }
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(mProcess.Get(), &exitCode)) {
      result.code = DenoiserCode::CommunicationFailed;
      return result;
    }
    if (!result.leftoversEnded) KeepLeftovers();
    result.code = DenoiserCode::Finished;
    result.exited = true;
    result.exitCode = exitCode;
    return result;
  }

 private:
  enum class Followed { PipeClosed, StoppedDenoiser, StoppedWaiting, Failed };

  bool Launch(const std::wstring& commandLine, const std::wstring& workingFolder) {
    mJob = CreateKillOnCloseJob();

    // Neither end is inheritable while it is ours: a process another thread of the host
    // starts meanwhile must not inherit the write end, or our run would never see the
    // pipe end. The write end is inheritable only for the moment of our CreateProcessW.
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0)) return false;
    mReadEnd.Reset(readEnd);
    UniqueHandle write(writeEnd);

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup.StartupInfo;
    startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    startup.StartupInfo.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.StartupInfo.hStdOutput = write.Get();
    startup.StartupInfo.hStdError = write.Get();

    // The child inherits exactly its standard handles, none of the host's other ones.
    std::vector<HANDLE> inherited{write.Get()};
    DWORD flags = 0;
    const HANDLE input = startup.StartupInfo.hStdInput;
    if (input != nullptr && input != INVALID_HANDLE_VALUE &&
        GetHandleInformation(input, &flags) && (flags & HANDLE_FLAG_INHERIT)) {
      inherited.push_back(input);
    }
    HandleList handleList(inherited);
    DWORD creationFlags = CREATE_SUSPENDED;  // in the job before it can start children
    if (handleList.Valid()) {
      startup.StartupInfo.cb = sizeof startup;
      startup.lpAttributeList = handleList.Get();
      creationFlags |= EXTENDED_STARTUPINFO_PRESENT;
    }

    std::vector<wchar_t> command(commandLine.begin(), commandLine.end());
    command.push_back(L'\0');
    PROCESS_INFORMATION info{};
    SetHandleInformation(write.Get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    const BOOL created = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, creationFlags,
                                        nullptr, workingFolder.c_str(), &startup.StartupInfo, &info);
    SetHandleInformation(write.Get(), HANDLE_FLAG_INHERIT, 0);
    if (!created) return false;
    mProcess.Reset(info.hProcess);
    mThread.Reset(info.hThread);
    if (mJob.Valid() && !AssignProcessToJobObject(mJob.Get(), mProcess.Get())) {
      mJob.Reset();  // e.g. a host inside a job that allows no nested one: run without it
    }
    if (ResumeThread(mThread.Get()) == static_cast<DWORD>(-1)) {
      TerminateProcess(mProcess.Get(), kStoppedExitCode);
      return false;
    }
    // Closing our copy of the write end lets the pipe end when the child's copies close.
    write.Reset();
    return true;
  }

  // Reads until the pipe ends: the denoiser and every process that inherited its output have
  // closed it. While the denoiser's own process has ended and the output stays open and
  // silent, one warning line says that something it started still runs.
  Followed FollowOutput() {
    char buffer[kReadBufferSize];
    OutputBytes output(ActiveAnsiCodePage());
    bool exited = false;
    bool warned = false;
    ULONGLONG silentSince = 0;
    for (;;) {
      const StopRequest stop = PollStop();
      if (stop == StopRequest::StopDenoiser) return Followed::StoppedDenoiser;
      if (stop == StopRequest::StopWaiting) {
        return exited ? Followed::StoppedWaiting : Followed::StoppedDenoiser;
      }
      DWORD available = 0;
      if (!PeekNamedPipe(mReadEnd.Get(), nullptr, 0, nullptr, &available, nullptr)) {
        return EndOfOutput(output);  // ERROR_BROKEN_PIPE: every writer has closed it
      }
      if (available > 0) {
        DWORD read = 0;
        if (!ReadFile(mReadEnd.Get(), buffer, kReadBufferSize - 1, &read, nullptr) || read == 0) {
          return EndOfOutput(output);
        }
        buffer[read] = '\0';
        ApplyChunk(ChunkText(output.Take(buffer, read)), mUi);
        mUi.ProcessMessages();
        Sleep(kPauseAfterChunkMs);
        silentSince = GetTickCount64();
        continue;
      }
      if (!exited) {
        HANDLE process = mProcess.Get();
        const DWORD wait = MsgWaitForMultipleObjects(1, &process, FALSE, kIdleWaitMs, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) {
          exited = true;  // what it started may still hold the output
          silentSince = GetTickCount64();
          mUi.DenoiserExited();
        } else if (wait == WAIT_OBJECT_0 + 1) {
          mUi.ProcessMessages();
        } else if (wait == WAIT_FAILED) {
          return Followed::Failed;
        }
        continue;
      }
      if (!warned && GetTickCount64() - silentSince > mLeftoverWarningMs) {
        warned = true;
        mUi.AppendLog(kLogLeftoverRunning);
      }
      const DWORD wait = MsgWaitForMultipleObjects(0, nullptr, FALSE, kIdleWaitMs, QS_ALLINPUT);
      if (wait == WAIT_OBJECT_0) {
        mUi.ProcessMessages();
      } else if (wait == WAIT_FAILED) {
        return Followed::Failed;
      }
    }
  }

  // The pipe has ended: a character held back from the last read is converted as it is.
  Followed EndOfOutput(OutputBytes& output) {
    ApplyChunk(ChunkText(output.Flush()), mUi);
    return Followed::PipeClosed;
  }

  // After the output has ended the denoiser may still be at work (it closed its output
  // early): wait for its exit.
  bool WaitForExit() {
    HANDLE process = mProcess.Get();
    for (;;) {
      if (PollStop() != StopRequest::None) return false;
      const DWORD wait = MsgWaitForMultipleObjects(1, &process, FALSE, kIdleWaitMs, QS_ALLINPUT);
      if (wait == WAIT_OBJECT_0) return true;
      if (wait == WAIT_OBJECT_0 + 1) {
        mUi.ProcessMessages();
      } else if (wait == WAIT_FAILED) {
        return false;
      }
    }
  }

  StopRequest PollStop() {
    if (mStop == StopRequest::None) mStop = mUi.StopRequested();
    return mStop;
  }

  // Ends the process and everything it started; waits a little for it to go.
  void Stop() {
    if (!mProcess.Valid()) return;
    if (mJob.Valid()) {
      TerminateJobObject(mJob.Get(), kStoppedExitCode);
    } else {
      TerminateProcess(mProcess.Get(), kStoppedExitCode);
    }
    WaitForSingleObject(mProcess.Get(), kTerminationWaitMs);
  }

  // A normal end: processes of the job that still run no longer hold the output and are
  // left alone; the job is kept so that they still end with the module.
  void KeepLeftovers() {
    if (!mJob.Valid() || !JobMayHoldProcesses(mJob.Get())) return;
    std::vector<HANDLE> kept;
    for (HANDLE job : gLeftoverJobs) {
      if (JobMayHoldProcesses(job)) {
        kept.push_back(job);
      } else {
        CloseHandle(job);
      }
    }
    kept.push_back(mJob.Get());
    gLeftoverJobs.swap(kept);
    mJob.Release();
  }

  DenoiserUi& mUi;
  const DWORD mLeftoverWarningMs;
  StopRequest mStop = StopRequest::None;
  // Declared first, closed last: closing it ends whatever the denoiser left running.
  UniqueHandle mJob;
  UniqueHandle mReadEnd;
  UniqueHandle mProcess;
  UniqueHandle mThread;
};

}  // namespace

DenoiserProcessResult RunDenoiserProcess(const std::wstring& commandLine,
                                         const std::wstring& workingFolder, DenoiserUi& ui,
                                         std::uint32_t leftoverWarningMs) {
  try {
    DenoiserProcess process(ui, leftoverWarningMs);
    return process.Run(commandLine, workingFolder);
  } catch (...) {
    // The handles are closed by now; closing the job has ended the denoiser.
    DenoiserProcessResult result;
    result.code = DenoiserCode::CommunicationFailed;
    return result;
  }
}

void EndLeftoverDenoiserProcesses() {
  for (HANDLE job : gLeftoverJobs) {
    TerminateJobObject(job, kStoppedExitCode);
    CloseHandle(job);
  }
  gLeftoverJobs.clear();
}

}  // namespace nox
