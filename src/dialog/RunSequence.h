// The Start workflow's run from the first host call to the last, portable: what it needs of
// the dialog and of the system comes through RunSite and RunFiles, so that the order of the
// host calls, the files and the log lines are decided here, once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "dialog/DenoiserRunner.h"
#include "dialog/Workflow.h"
#include "host/HostProtocol.h"

namespace nox {

// What a run needs of the dialog. The Win32 dialog implements it, and tests.
class RunSite {
 public:
  virtual ~RunSite() = default;
  // The host finalized the plug-in or took the dialog's window: the host is called no more.
  virtual bool Abandoned() = 0;
  virtual void ClearLog() = 0;
  virtual void AppendLog(const std::wstring& line) = 0;
  virtual bool EightBit() = 0;
  virtual double Strength() = 0;          // read after the denoiser, for the blend
  virtual int64_t StrengthInteger() = 0;  // Strength rounded, ties to even
  virtual std::wstring TempFolder() = 0;  // ends in the folder separator, or empty
  struct NameSeed {
    int32_t left = 0, top = 0;  // the dialog's place on the screen
    uint32_t tickCount = 0;
  };
  virtual NameSeed TempNameSeed() = 0;
  // With the invisible test-image option set, copies the sample image for a colour or grey
  // image over `input` and says whether it did; false without the option.
  virtual bool CopyTestImage(bool colour, const std::wstring& input) = 0;
  // Runs the denoiser on the run's files with Start disabled meanwhile; the thread's
  // messages are processed throughout, so the host may change anything meanwhile.
  virtual DenoiserRunResult RunDenoiser(const std::wstring& input, const std::wstring& output,
                                        bool smallImage) = 0;
  virtual LocalTime Now() = 0;
};

// The temporary folder as a run sees it, beyond the claim of its names.
class RunFiles : public TempFileSystem {
 public:
  // Free bytes of the folder's volume for this process; nothing when they cannot be read.
  virtual std::optional<uint64_t> FreeBytes(const std::wstring& folder) = 0;
  // Renames `from` to `to` when nothing is at `to`; never replaces a file.
  virtual bool MoveNew(const std::wstring& from, const std::wstring& to) = 0;
};

// The whole run of one Start: the current image, its checks, the export, the denoiser, and
// the result read into the image when it is still the run's, else kept in the temporary
// folder. Every host call goes through `host`, in the documented order; after any call that
// may have let the host act, the run ends at once when the site is abandoned.
void RunStart(HostCallback host, RunSite& site, RunFiles& files);

// Moves a result that cannot be applied out of the run's names: to the first free
// KeptResultName in `folder`, or, when none can be taken, leaves it where it is. Returns
// where it is now.
std::wstring KeepResult(const std::wstring& output, const std::wstring& folder,
                        const LocalTime& time, RunFiles& files);

}  // namespace nox
