#include "dialog/Workflow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

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

}  // namespace
}  // namespace nox
