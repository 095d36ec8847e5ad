#include "HostSession.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

namespace nox {
namespace {

int64_t Address(void* p) { return reinterpret_cast<int64_t>(p); }

HostImage Ramp(int32_t width, int32_t height, bool colour) {
  HostImage image = HostImage::Blank(width, height, colour, 16);
  for (size_t i = 0; i < image.SampleCount(); ++i) {
    image.plane0[i] = 20000.0f + static_cast<float>(i);
    if (colour) {
      image.plane2[i] = 30000.0f + static_cast<float>(i);
      image.plane3[i] = 40000.0f + static_cast<float>(i);
    }
  }
  return image;
}

// What a plug-in does through the C callback: fetch, save undo, replace every sample of
// plane 0 by `result`, blend with the undo copy at 80 % when the host is newer than
// 804, refresh. Returns the samples of plane 0 it left.
std::vector<float> PlugInRun(HostCallback host, float result) {
  const int64_t h = host(CmdGetCurrentImage, kCurrentImageQuery, 0, 0);
  if (h == 0) return {};
  int32_t width = -1, height = -1;
  host(CmdGetImageSize, h, Address(&width), Address(&height));
  float* planes[3] = {};
  const int64_t indexes[3] = {0, 2, 3};
  for (int i = 0; i < 3; ++i) host(CmdGetPlane, h, Address(&planes[i]), indexes[i]);
  const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
  host(CmdSaveUndo, h, 0, 0);
  for (size_t i = 0; i < n; ++i) planes[0][i] = result;
  if (host(CmdGetHostVersion, 0, 0, 0) > 804) {
    float* undo[3] = {};
    for (int i = 0; i < 3; ++i) host(CmdGetUndoPlane, h, Address(&undo[i]), indexes[i]);
    for (size_t i = 0; i < n; ++i) planes[0][i] = planes[0][i] * 0.8f + undo[0][i] * 0.2f;
  }
  host(CmdRefreshImage, h, kRefreshRedraw, 0);
  return std::vector<float>(planes[0], planes[0] + n);
}

class HostSessionTest : public ::testing::Test {
 protected:
  int64_t Run(uint8_t command, int64_t a1, int64_t a2, int64_t a3) {
    return session.Execute(command, a1, a2, a3);
  }
  std::ostringstream log;
  HostSession session{log};
};

TEST_F(HostSessionTest, WithoutAnImageEveryImageCommandIsRefusedAndLogged) {
  EXPECT_EQ(Run(CmdGetCurrentImage, kCurrentImageQuery, 0, 0), 0);
  EXPECT_TRUE(log.str().empty());
  float* plane = reinterpret_cast<float*>(Address(&log));  // anything but null
  EXPECT_EQ(Run(CmdGetPlane, 0, Address(&plane), 0), 0);
  EXPECT_EQ(plane, nullptr);
  int32_t w = 7, h = 7;
  Run(CmdGetImageSize, 0x10001, Address(&w), Address(&h));
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  EXPECT_NE(log.str().find("unknown image handle"), std::string::npos);
}

TEST_F(HostSessionTest, MonochromeImageAnswersPlanes0To3WithOneAddress) {
  session.SetImage(Ramp(4, 3, false));
  const int64_t h = Run(CmdGetCurrentImage, kCurrentImageQuery, 0, 0);
  ASSERT_NE(h, 0);
  int32_t width = 0, height = 0;
  Run(CmdGetImageSize, h, Address(&width), Address(&height));
  EXPECT_EQ(width, 4);
  EXPECT_EQ(height, 3);
  float* p[4] = {};
  for (int64_t index : {0, 2, 3}) Run(CmdGetPlane, h, Address(&p[index]), index);
  EXPECT_EQ(p[0], session.Image().plane0.data());
  EXPECT_EQ(p[2], p[0]);
  EXPECT_EQ(p[3], p[0]);
  EXPECT_TRUE(log.str().empty()) << log.str();
}

TEST_F(HostSessionTest, ColourImageAnswersGreenRedBlueForPlanes023) {
  session.SetImage(Ramp(2, 2, true));
  const int64_t h = session.Handle();
  float* p[4] = {};
  for (int64_t index : {0, 2, 3}) Run(CmdGetPlane, h, Address(&p[index]), index);
  EXPECT_EQ(p[0][1], 20001.0f);
  EXPECT_EQ(p[2][1], 30001.0f);
  EXPECT_EQ(p[3][1], 40001.0f);
  float* bad = p[0];
  EXPECT_EQ(Run(CmdGetPlane, h, Address(&bad), 4), 0);
  EXPECT_EQ(bad, nullptr);
  EXPECT_NE(log.str().find("no plane with index 4"), std::string::npos);
}

TEST_F(HostSessionTest, HandlesChangeWithTheImageAndStaleOnesAreRefused) {
  session.SetImage(Ramp(2, 2, false));
  const int64_t first = session.Handle();
  session.SetImage(Ramp(3, 3, false));
  const int64_t second = session.Handle();
  EXPECT_NE(first, second);
  EXPECT_NE(second, 0);
  float* plane = nullptr;
  Run(CmdGetPlane, first, Address(&plane), 0);
  EXPECT_EQ(plane, nullptr);
  Run(CmdGetPlane, second, Address(&plane), 0);
  EXPECT_EQ(plane, session.Image().plane0.data());

  // Closed: no current image, and its handle names nothing; the next image has a new one.
  Run(CmdSaveUndo, second, 0, 0);
  ASSERT_TRUE(session.HasUndo());
  session.CloseImage();
  EXPECT_EQ(Run(CmdGetCurrentImage, kCurrentImageQuery, 0, 0), 0);
  EXPECT_FALSE(session.HasUndo());
  Run(CmdGetPlane, second, Address(&plane), 0);
  EXPECT_EQ(plane, nullptr);
  session.SetImage(Ramp(1, 1, false));
  EXPECT_NE(session.Handle(), second);
}

TEST_F(HostSessionTest, UndoCopyIsTakenOnSaveUndoAndSwappedBack) {
  session.SetImage(Ramp(2, 1, true));
  const int64_t h = session.Handle();
  float* undo = reinterpret_cast<float*>(1);
  Run(CmdGetUndoPlane, h, Address(&undo), 0);
  EXPECT_EQ(undo, nullptr);
  EXPECT_NE(log.str().find("no undo copy"), std::string::npos);
  EXPECT_FALSE(session.SwapUndo());

  Run(CmdSaveUndo, h, 0, 0);
  session.Image().plane2[0] = 1.0f;
  float* undoRed = nullptr;
  Run(CmdGetUndoPlane, h, Address(&undoRed), 2);
  ASSERT_NE(undoRed, nullptr);
  EXPECT_NE(undoRed, session.Image().plane2.data());
  EXPECT_EQ(undoRed[0], 30000.0f);

  ASSERT_TRUE(session.SwapUndo());
  EXPECT_EQ(session.Image().plane2[0], 30000.0f);
  ASSERT_TRUE(session.SwapUndo());
  EXPECT_EQ(session.Image().plane2[0], 1.0f);

  session.SetImage(Ramp(2, 1, false));
  EXPECT_FALSE(session.HasUndo());
  Run(CmdSaveUndo, session.Handle(), 0, 0);
  float* u[4] = {};
  for (int64_t index : {0, 2, 3}) Run(CmdGetUndoPlane, session.Handle(), Address(&u[index]), index);
  EXPECT_NE(u[0], nullptr);
  EXPECT_EQ(u[2], u[0]);
  EXPECT_EQ(u[3], u[0]);
}

TEST_F(HostSessionTest, OddRequestsAreAnsweredZeroAndLoggedWithoutThrowing) {
  session.SetImage(Ramp(1, 1, false));
  EXPECT_EQ(Run(5, 1, 2, 3), 0);
  EXPECT_NE(log.str().find("unknown command 5"), std::string::npos);
  EXPECT_EQ(Run(CmdGetCurrentImage, 4095, 0, 0), 0);
  EXPECT_EQ(Run(CmdGetPlane, session.Handle(), 0, 0), 0);
  EXPECT_EQ(Run(CmdGetImageSize, session.Handle(), 0, 0), 0);
  session.SetRefreshHandler([] { throw std::runtime_error("display failed"); });
  EXPECT_EQ(Run(CmdRefreshImage, session.Handle(), 1, 0), 0);
  EXPECT_NE(log.str().find("display failed"), std::string::npos);
}

// The whole exchange through the C callback, as a plug-in makes it.
TEST_F(HostSessionTest, APlugInRunThroughTheCallbackBlendsOnlyAbove804) {
  int refreshes = 0;
  session.SetRefreshHandler([&] { ++refreshes; });
  session.BindCallback();
  EXPECT_TRUE(PlugInRun(&HostSession::Callback, 0.0f).empty());

  session.SetImage(Ramp(3, 1, false));
  EXPECT_EQ(session.Version(), 805);
  std::vector<float> left = PlugInRun(&HostSession::Callback, 1000.0f);
  EXPECT_EQ(left, (std::vector<float>{0.8f * 1000.0f + 0.2f * 20000.0f, 0.8f * 1000.0f + 0.2f * 20001.0f,
                                      0.8f * 1000.0f + 0.2f * 20002.0f}));
  EXPECT_EQ(session.Image().plane0, left);
  EXPECT_EQ(refreshes, 1);

  session.SetVersion(804);
  left = PlugInRun(&HostSession::Callback, 1000.0f);
  EXPECT_EQ(left, (std::vector<float>{1000.0f, 1000.0f, 1000.0f}));
  EXPECT_EQ(refreshes, 2);
  ASSERT_TRUE(session.SwapUndo());  // Edit > Undo gives the previous run's result back
  EXPECT_FLOAT_EQ(session.Image().plane0[0], 4800.0f);
  EXPECT_TRUE(log.str().empty()) << log.str();
}

}  // namespace
}  // namespace nox
