#include "dialog/Workflow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "dialog/RunSequence.h"
#include "imageio/TiffWriter.h"
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace nox {
namespace {

RangeCheck Check(std::vector<float> plane, bool eightBit) {
  return CheckImageRange(plane.data(), static_cast<int64_t>(plane.size()), eightBit);
}

TEST(RangeCheck, SixteenBitModeNeedsASampleAboveTenThousand) {
  EXPECT_FALSE(Check({0, 10000.0f, 3}, false).accepted);
  EXPECT_STREQ(kMsgRangeTooLow, Check({0, 10000.0f, 3}, false).refusal);
  EXPECT_TRUE(Check({0, 10000.5f, 3}, false).accepted);
  // The scan stops at the first sample above the floor.
  EXPECT_FLOAT_EQ(10001.0f, Check({5, 10001.0f, 60000.0f}, false).peak);
}

TEST(RangeCheck, LowPeaksGetTheEightBitHintOnlyWithinTheBand) {
  for (float peak : {50.0f, 255.0f, 256.0f}) {
    EXPECT_STREQ(kMsgSeemsEightBit, Check({1, peak}, false).refusal) << peak;
  }
  for (float peak : {49.5f, 256.5f, 0.0f}) {
    EXPECT_STREQ(kMsgRangeTooLow, Check({1, peak}, false).refusal) << peak;
  }
}

TEST(RangeCheck, EightBitModeAllowsUpTo259) {
  EXPECT_TRUE(Check({259.0f}, true).accepted);
  EXPECT_STREQ(kMsgNotEightBit, Check({259.5f}, true).refusal);
  // All zero or negative: a peak of 0 is refused for 16 bits, accepted for 8 bits.
  EXPECT_FALSE(Check({-4, 0, -1}, false).accepted);
  EXPECT_TRUE(Check({-4, 0, -1}, true).accepted);
  EXPECT_TRUE(Check({}, true).accepted);
}

TEST(RangeCheck, NotANumberNeverBecomesThePeak) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  RangeCheck r = Check({nan, 100.0f, nan}, true);
  EXPECT_TRUE(r.accepted);
  EXPECT_FLOAT_EQ(100.0f, r.peak);
  EXPECT_FALSE(InRange(nan, 50.0f, 256.0f));
}

TEST(TempFileName, FollowsPositionAndTickCount) {
  EXPECT_EQ(L"Temp2340567160.tif", TempFileName(1234, 56, 1234567));
  EXPECT_EQ(L"Temp0050070000.tif", TempFileName(5, 7, 0));
  EXPECT_EQ(L"Temp-005-0120000.tif", TempFileName(-5, -12, 0));
  // The tick count wraps at 2^32; the last field never exceeds four digits.
  EXPECT_EQ(L"Temp0000009999.tif", TempFileName(0, 0, 9999u * 16u + 15u));
  EXPECT_EQ(18u, TempFileName(999, 999, 0xFFFFFFFFu).size());
  // Later candidates advance the last number, wrapping within four digits.
  EXPECT_EQ(L"Temp2340567163.tif", TempFileCandidate(1234, 56, 1234567, 3));
  EXPECT_EQ(L"Temp0000000001.tif", TempFileCandidate(0, 0, 9999u * 16u, 2));
}

// The file system of a temporary folder, in memory: which names exist, and what the claim
// did, in order.
class FakeFolder final : public TempFileSystem {
 public:
  std::set<std::wstring> files;
  bool failCreate = false;
  std::vector<std::wstring> created, deleted;

  Created CreateNew(const std::wstring& path) override {
    if (failCreate) return Created::kFailed;
    if (!files.insert(path).second) return Created::kTaken;
    created.push_back(path);
    return Created::kCreated;
  }
  bool Exists(const std::wstring& path) override { return files.count(path) != 0; }
  void Delete(const std::wstring& path) override {
    deleted.push_back(path);
    files.erase(path);
  }
};

// The run's names are claimed: the first candidate whose input this run created and whose
// "Out" partner was not there; it deletes only what it created itself.
TEST(TempFileClaim, TakesTheFirstFreePairAndTouchesNoOtherFile) {
  const std::wstring dir = L"C:\\T\\";
  const auto in = [&](const wchar_t* last) { return dir + L"Temp005007" + last + L".tif"; };
  const auto out = [&](const wchar_t* last) { return dir + L"OutTemp005007" + last + L".tif"; };
  using Outcome = TempFileClaim::Outcome;
  const struct Case {
    const char* what;
    uint32_t tick;
    std::vector<std::wstring> present;
    bool failCreate;
    Outcome outcome;
    std::wstring input;                 // when claimed
    std::vector<std::wstring> deleted;  // by the claim
  } cases[] = {
      {"a free folder", 16 * 42, {}, false, Outcome::kClaimed, in(L"0042"), {}},
      {"another run's input", 16 * 42, {in(L"0042")}, false, Outcome::kClaimed, in(L"0043"), {}},
      {"a stale result: the input created for it goes again", 16 * 42, {out(L"0042")}, false,
       Outcome::kClaimed, in(L"0043"), {in(L"0042")}},
      {"both of a pair, then a stale result", 16 * 42, {in(L"0042"), out(L"0042"), out(L"0043")},
       false, Outcome::kClaimed, in(L"0044"), {in(L"0043")}},
      {"the last number wraps within 0..9999", 16 * 9999, {in(L"9999")}, false,
       Outcome::kClaimed, in(L"0000"), {}},
      {"no file can be created", 16 * 42, {}, true, Outcome::kFailed, L"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeFolder folder;
    folder.files.insert(c.present.begin(), c.present.end());
    folder.failCreate = c.failCreate;
    const TempFileClaim claim = ClaimTempFiles(dir, 5, 7, c.tick, folder);
    EXPECT_EQ(claim.outcome, c.outcome);
    EXPECT_EQ(claim.input, c.input);
    if (c.outcome == Outcome::kClaimed) {
      EXPECT_EQ(claim.output, dir + L"Out" + claim.input.substr(dir.size()));
      EXPECT_TRUE(folder.Exists(claim.input)) << "the input is held by its empty file";
      EXPECT_FALSE(folder.Exists(claim.output));
    }
    EXPECT_EQ(folder.deleted, c.deleted);
    for (const std::wstring& file : c.present) EXPECT_TRUE(folder.Exists(file)) << "kept";
  }

  // Every candidate taken: the claim gives up after a bounded number of names and leaves
  // the folder as it found it.
  FakeFolder full;
  for (int i = 0; i < 10000; ++i) full.files.insert(dir + L"Out" + TempFileCandidate(5, 7, 0, i));
  const std::size_t before = full.files.size();
  EXPECT_EQ(ClaimTempFiles(dir, 5, 7, 0, full).outcome, Outcome::kAllTaken);
  EXPECT_EQ(full.created.size(), static_cast<std::size_t>(kTempNameAttempts));
  EXPECT_EQ(full.deleted, full.created);
  EXPECT_EQ(full.files.size(), before);
}

// The check before the export asks the exchange's own limit (whose edges the writer's and
// the readers' tests hold) and refuses with its own line; an empty image is the export's.
TEST(ExchangeRefusal, RefusesBeforeTheExportWhatCannotComeBack) {
  EXPECT_EQ(ExchangeRefusal(65535, 10922, true), nullptr);
  EXPECT_STREQ(ExchangeRefusal(65535, 10923, true), kMsgTooLarge);  // 6 bytes a pixel
  EXPECT_STREQ(ExchangeRefusal(65536, 1, false), kMsgTooLarge);
  EXPECT_EQ(ExchangeRefusal(0, 5, false), nullptr);
}

TEST(Blend, WeightsTheResultByStrength) {
  std::vector<float> plane{1000.0f, 0.0f, 65535.0f};
  const std::vector<float> undo{2000.0f, 100.0f, 65535.0f};
  BlendPlane(plane.data(), undo.data(), 3, StrengthWeights(80.0));
  EXPECT_FLOAT_EQ(1200.0f, plane[0]);
  EXPECT_FLOAT_EQ(20.0f, plane[1]);
  EXPECT_FLOAT_EQ(65535.0f, plane[2]);
}

TEST(Blend, UnchangedImageBlendsBackToItselfWithinOneUlp) {
  std::vector<float> plane{12345.0f, 1.0f, 40000.5f};
  const std::vector<float> undo = plane;
  for (double strength : {5.0, 33.0, 50.0, 95.0}) {
    std::vector<float> p = plane;
    BlendPlane(p.data(), undo.data(), 3, StrengthWeights(strength));
    for (size_t i = 0; i < p.size(); ++i) {
      EXPECT_LE(std::fabs(p[i] - undo[i]), std::nextafter(undo[i], 1e9f) - undo[i]) << strength;
    }
  }
}

TEST(Blend, OnlyNewHostsBelowFullStrengthBlend) {
  EXPECT_FALSE(ShouldBlend(804, 80));
  EXPECT_TRUE(ShouldBlend(805, 99));
  EXPECT_FALSE(ShouldBlend(805, 100));
}


// ---- the whole run against a host that serves images from memory, in a real folder.

namespace test {
std::vector<unsigned char> ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
}  // namespace test

// The host: images by handle, the current one, and every call as text. A closed image's
// planes stay allocated (in `closed`) so that the test can tell they were not written.
struct FakeImage {
  int32_t width = 0, height = 0;
  bool mono = false;
  std::vector<float> planes[3], undo[3];
};
struct FakeHost {
  std::map<ImageHandle, FakeImage> images;
  std::vector<FakeImage> closed;
  ImageHandle current = 0;
  bool servePlanes = true;
  std::vector<std::string> calls;

  static FakeHost* sActive;
  static int64_t Callback(uint8_t command, int64_t a1, int64_t a2, int64_t a3) {
    return sActive->Serve(command, a1, a2, a3);
  }
  int64_t Serve(uint8_t command, int64_t a1, int64_t a2, int64_t a3) {
    const auto name = [&](const char* what, bool withIndex) {
      calls.push_back(what + ("(" + std::to_string(a1)) +
                      (withIndex ? "," + std::to_string(a3) : std::string()) + ")");
    };
    const auto it = images.find(a1);
    const auto slot = [&](int64_t index) { return it->second.mono || index == 0 ? 0 : index == 2 ? 1 : 2; };
    const auto put = [](int64_t address, auto value) {
      *reinterpret_cast<decltype(value)*>(static_cast<intptr_t>(address)) = value;
    };
    switch (command) {
      case CmdGetCurrentImage: calls.push_back("GetCurrentImage"); return current;
      case CmdGetHostVersion: calls.push_back("GetHostVersion"); return 900;
      case CmdGetImageSize:
        name("GetImageSize", false);
        if (it != images.end()) put(a2, it->second.width), put(a3, it->second.height);
        return 0;
      case CmdGetPlane:
      case CmdGetUndoPlane: {
        const bool undo = command == CmdGetUndoPlane;
        name(undo ? "GetUndoPlane" : "GetPlane", true);
        if (it != images.end() && (servePlanes || undo))
          put(a2, (undo ? it->second.undo : it->second.planes)[slot(a3)].data());
        return 0;
      }
      case CmdSaveUndo:
        name("SaveUndo", false);
        if (it != images.end())
          for (int i = 0; i < 3; ++i) it->second.undo[i] = it->second.planes[i];
        return 0;
      case CmdRefreshImage: name("RefreshImage", false); return 0;
      default: calls.push_back("Unknown"); return 0;
    }
  }
  // Takes the image away as the host frees it, keeping its planes for the test to look at.
  void Close(ImageHandle h) {
    closed.push_back(std::move(images.at(h)));
    images.erase(h);
    if (current == h) current = 0;
  }
};
FakeHost* FakeHost::sActive = nullptr;

FakeImage MakeImage(int32_t width, int32_t height, bool mono, float offset) {
  FakeImage img{width, height, mono, {}, {}};
  for (int p = 0; p < (mono ? 1 : 3); ++p) {
    for (int32_t i = 0; i < width * height; ++i)
      img.planes[p].push_back(static_cast<float>((i * 7919 + p * 21011 + 12345) % 50000) + offset);
  }
  return img;
}

PlaneSet PlanesOf(FakeImage& img) {
  float* second = img.mono ? img.planes[0].data() : img.planes[1].data();
  float* third = img.mono ? img.planes[0].data() : img.planes[2].data();
  return {img.planes[0].data(), second, third, img.width, img.height};
}

// The dialog: its log and settings, and a denoiser given by each test.
class FakeSite final : public RunSite {
 public:
  std::wstring folder;
  std::vector<std::wstring> log;
  double strength = 100.0;
  bool abandoned = false;
  std::function<DenoiserRunResult(const std::wstring& in, const std::wstring& out)> denoiser;

  bool Abandoned() override { return abandoned; }
  void ClearLog() override { log.clear(); }
  void AppendLog(const std::wstring& line) override { log.push_back(line); }
  bool EightBit() override { return false; }
  double Strength() override { return strength; }
  int64_t StrengthInteger() override { return static_cast<int64_t>(std::nearbyint(strength)); }
  std::wstring TempFolder() override { return folder; }
  NameSeed TempNameSeed() override { return {5, 7, 16 * 42}; }
  bool CopyTestImage(bool, const std::wstring&) override { return false; }
  DenoiserRunResult RunDenoiser(const std::wstring& in, const std::wstring& out, bool) override {
    return denoiser(in, out);
  }
  LocalTime Now() override { return {2026, 12, 10, 14, 3, 22}; }
};

// The folder, on disk: the export and the reader work on real files.
class DiskFiles final : public RunFiles {
 public:
  std::optional<uint64_t> freeBytes = uint64_t{1} << 40;
  Created CreateNew(const std::wstring& path) override {
    if (Exists(path)) return Created::kTaken;
    std::FILE* f = std::fopen(std::filesystem::path(path).string().c_str(), "wbx");
    if (!f) return Created::kFailed;
    std::fclose(f);
    return Created::kCreated;
  }
  bool Exists(const std::wstring& path) override { return std::filesystem::exists(path); }
  void Delete(const std::wstring& path) override {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
  std::optional<uint64_t> FreeBytes(const std::wstring&) override { return freeBytes; }
  bool MoveNew(const std::wstring& from, const std::wstring& to) override {
    if (Exists(to)) return false;
    std::error_code error;
    std::filesystem::rename(from, to, error);
    return !error;
  }
};

DenoiserRunResult Finished(uint32_t exitCode = 0) {
  DenoiserRunResult r;
  r.executableFound = true;
  r.code = DenoiserCode::Finished;
  r.exited = true;
  r.exitCode = exitCode;
  return r;
}

std::vector<std::string> Head(const std::string& h) {
  return {"GetCurrentImage", "GetImageSize(" + h + ")", "GetPlane(" + h + ",0)",
          "GetPlane(" + h + ",2)", "GetPlane(" + h + ",3)"};
}
std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class RunStartTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  // A fresh host with one colour image, current, and an empty folder of the test's own.
  void Reset() {
    FakeHost::sActive = &host;
    host = FakeHost();
    site.log.clear();
    site.abandoned = false;
    site.folder = dir.wstring() + static_cast<wchar_t>(std::filesystem::path::preferred_separator);
    host.images[1] = MakeImage(8, 6, false, 10001.0f);
    host.current = 1;
    before = host.images[1];
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override {
    FakeHost::sActive = nullptr;
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
      names.push_back(entry.path().filename().wstring());
    std::sort(names.begin(), names.end());
    return names;
  }

  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() /
      ("nfrun_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
       std::to_string(std::rand()));
  FakeHost host;
  FakeSite site;
  DiskFiles files;
  FakeImage before;
};

// The host changes the image while the denoiser works, in every way a user can; the result
// goes into the planes only when the run's image is still current as it was exported, and
// into planes asked for after the run. Otherwise nothing of the host's is touched, the
// result is kept, and one line says where.
TEST_F(RunStartTest, TheResultGoesOnlyIntoTheRunsImageAsItIsNow) {
  EXPECT_EQ(KeptResultName({2026, 1, 2, 3, 4, 5}, 2), L"Noxfade result 2026-01-02 03.04.05 (3).tif");
  enum class Act { kClose, kReplace, kResize, kMovePlanes, kToGrey, kNoPlanes, kStop, kAbandon };
  const std::vector<std::string> again = Head("1") + Head("1");  // asked for again after the run
  const std::vector<std::string> applied =
      again + std::vector<std::string>{"SaveUndo(1)", "GetHostVersion", "RefreshImage(1)"};
  const std::vector<std::string> toClosed = Head("1") + std::vector<std::string>{"GetCurrentImage"};
  const auto kept = [](const wchar_t* fate) {
    return std::wstring(fate) + L"; Noxfade's result is kept in @";
  };
  const struct Case {
    const char* what;
    Act act;
    bool writes;         // the denoiser writes its result
    uint32_t exitCode;
    std::vector<std::string> calls;
    std::vector<std::wstring> log;  // the run's own lines; "@" stands for the kept file's path
    bool intoPlanes;     // the result is in the image's planes now
    double strength = 100.0;
    int taken = 0;  // kept names in use before the run
  } cases[] = {
      {"its planes moved, same size", Act::kMovePlanes, true, 0, applied, {}, true},
      {"its planes moved, blended", Act::kMovePlanes, true, 0,
       again + std::vector<std::string>{"SaveUndo(1)", "GetHostVersion", "GetUndoPlane(1,0)",
                                        "GetUndoPlane(1,2)", "GetUndoPlane(1,3)", "RefreshImage(1)"},
       {}, true, 80.0},
      {"stopped, still current", Act::kStop, false, 0, applied, {}, false},
      {"closed", Act::kClose, true, 0, toClosed, {kept(kMsgImageClosed)}, false},
      {"closed, the first kept name taken", Act::kClose, true, 0, toClosed, {kept(kMsgImageClosed)}, false,
       100.0, 1},
      {"closed, every kept name taken: it stays under its own", Act::kClose, true, 0, toClosed,
       {kept(kMsgImageClosed)}, false, 100.0, kKeptNameAttempts},
      {"closed, a failing denoiser's result", Act::kClose, true, 3, toClosed,
       {L"ERROR: Noxfade ended with exit code 3", kept(kMsgImageClosed)}, false},
      {"closed, no result", Act::kClose, false, 0, toClosed, {kMsgNoResult}, false},
      {"another image current", Act::kReplace, true, 0, toClosed, {kept(kMsgImageReplaced)}, false},
      {"resized", Act::kResize, true, 0, again, {kept(kMsgImageReshaped)}, false},
      {"turned grey", Act::kToGrey, true, 0, again, {kept(kMsgImageReshaped)}, false},
      {"no planes any more", Act::kNoPlanes, true, 0, again, {kept(kMsgImageReshaped)}, false},
      {"the host let the plug-in go", Act::kAbandon, true, 0, Head("1"), {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    site.strength = c.strength;
    std::set<std::wstring> names;
    for (int i = 0; i < c.taken; ++i) {
      names.insert(KeptResultName(site.Now(), i));
      std::ofstream(std::filesystem::path(site.folder + KeptResultName(site.Now(), i))) << 'x';
    }
    const BlendWeights w = StrengthWeights(c.strength);
    std::string written;
    FakeImage fresh;  // image 1 as the host holds it after the change
    site.denoiser = [&](const std::wstring& in, const std::wstring& out) {
      EXPECT_TRUE(std::filesystem::exists(in)) << "the export is there";
      if (c.writes) {
        FakeImage result = before;
        for (auto& plane : result.planes)
          for (float& x : plane) x = 65535.0f - x;
        EXPECT_TRUE(WriteTiff16(PlanesOf(result), out));
        const auto bytes = test::ReadBytes(out);
        written.assign(bytes.begin(), bytes.end());
      }
      DenoiserRunResult run = Finished(c.exitCode);
      switch (c.act) {
        case Act::kClose: host.Close(1); break;
        case Act::kReplace: host.images[2] = MakeImage(8, 6, false, 2.0f); host.current = 2; break;
        case Act::kResize: host.Close(1); host.images[1] = MakeImage(6, 8, false, 3.0f); host.current = 1; break;
        case Act::kMovePlanes: host.Close(1); host.images[1] = MakeImage(8, 6, false, 4.0f); host.current = 1; break;
        case Act::kToGrey: host.Close(1); host.images[1] = MakeImage(8, 6, true, 5.0f); host.current = 1; break;
        case Act::kNoPlanes: host.servePlanes = false; break;
        case Act::kAbandon: site.abandoned = true; break;
        case Act::kStop: run.code = DenoiserCode::Cancelled; break;
      }
      if (host.images.count(1) != 0) fresh = host.images[1];
      return run;
    };
    RunStart(&FakeHost::Callback, site, files);

    EXPECT_EQ(host.calls, c.calls);
    const std::wstring keptName =
        c.taken < kKeptNameAttempts ? KeptResultName(site.Now(), c.taken) : L"OutTemp0050070042.tif";
    const std::wstring keptPath = site.folder + keptName;
    std::vector<std::wstring> log = c.log;
    for (std::wstring& line : log)
      if (line.back() == L'@') line = line.substr(0, line.size() - 1) + keptPath;
    EXPECT_EQ(site.log, log);

    // The planes given before the run are written only while they are still the image's;
    // the image's planes now hold the result, or what the host put there.
    for (const FakeImage& gone : host.closed) {
      for (int p = 0; p < 3; ++p) EXPECT_EQ(gone.planes[p], before.planes[p]) << "freed planes written";
    }
    if (host.images.count(1) != 0) {
      const FakeImage& now = host.images.at(1);
      for (int p = 0; p < 3; ++p) {
        for (std::size_t i = 0; i < now.planes[p].size(); ++i) {
          float expected = c.intoPlanes ? 65535.0f - before.planes[p][i] : fresh.planes[p][i];
          if (c.intoPlanes && c.strength < 100.0) BlendPlane(&expected, &fresh.planes[p][i], 1, w);
          if (now.planes[p][i] != expected) {
            ADD_FAILURE() << "plane " << p << " sample " << i << ": " << now.planes[p][i];
            break;
          }
        }
      }
    }
    if (host.images.count(2) != 0) {
      EXPECT_EQ(host.images.at(2).planes[0], MakeImage(8, 6, false, 2.0f).planes[0]) << "the other image";
    }

    // The run's own names are gone, no file was replaced; a kept result holds the
    // denoiser's bytes.
    const bool keeps = !c.log.empty() && c.log.back().back() == L'@';
    if (keeps) names.insert(keptName);
    EXPECT_EQ(Names(), std::vector<std::wstring>(names.begin(), names.end()));
    if (c.taken > 0) {
      EXPECT_EQ(test::ReadBytes(site.folder + KeptResultName(site.Now(), 0)).size(), 1u);
    }
    if (keeps) {
      const auto bytes = test::ReadBytes(std::filesystem::path(keptPath));
      EXPECT_EQ(std::string(bytes.begin(), bytes.end()), written) << "bit for bit";
    }
  }
}

// Before anything is written the temporary folder's free space is compared with what the
// run writes there: the export, a result of its size and the margin.
TEST_F(RunStartTest, ARunThatWouldNotFitIsRefusedBeforeTheExport) {
  const uint64_t needed = RunDiskBytes(8, 6, true);
  EXPECT_EQ(needed, 2u * 8u * 6u * 6u + kRunDiskMargin);
  EXPECT_EQ(RunDiskBytes(8, 6, false) - kRunDiskMargin, 2u * 8u * 6u * 2u) << "grey: one sample";
  const uint64_t mb = uint64_t{1} << 20;
  const struct Case {
    std::optional<uint64_t> free;
    std::wstring refusal;  // empty: the run goes on
  } cases[] = {
      {needed - 1, L"ERROR: the temporary folder has 16 MB free; a run on this image needs 17 MB; "
                   L"the image is unchanged."},
      {0, L"ERROR: the temporary folder has 0 MB free; a run on this image needs 17 MB; the "
          L"image is unchanged."},
      {needed, L""},
      {std::nullopt, L""},  // not known: not refused
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.free ? std::to_string(*c.free) : "unknown");
    Reset();
    files.freeBytes = c.free;
    bool ran = false;
    site.denoiser = [&](const std::wstring&, const std::wstring&) {
      ran = true;
      return Finished(4);
    };
    RunStart(&FakeHost::Callback, site, files);
    EXPECT_EQ(ran, c.refusal.empty());
    if (!c.refusal.empty()) {
      EXPECT_EQ(site.log, std::vector<std::wstring>{c.refusal});
      EXPECT_EQ(host.calls, Head("1"));
    }
    EXPECT_TRUE(Names().empty()) << "nothing written, or nothing left";
  }
  EXPECT_EQ(RoomRefusal(40 * mb - 1, 40 * mb + 1).substr(0, 56),
            L"ERROR: the temporary folder has 39 MB free; a run on thi");
}

}  // namespace
}  // namespace nox
