// The capture page's index tables and the names it saves under.
#include "devlink/ScreenCaptureChoices.h"

#include <gtest/gtest.h>

namespace zorvik {
namespace {

TEST(ScreenCaptureChoices, AutomaticNameAtNineFiveSevenOnThirdFebruary) {
  EXPECT_EQ(autoSaveFileName(2, 3, 9, 5, 7, captureFormatExtension(0)), "0203-090507.jpg");
  EXPECT_EQ(autoSaveFileName(12, 31, 23, 59, 59, captureFormatExtension(3)), "1231-235959.bmp");
}

TEST(ScreenCaptureChoices, IndexesOutsideTheListsFallBack) {
  EXPECT_EQ(captureQuality(4), 70);
  EXPECT_EQ(captureQuality(7), 100);
  EXPECT_EQ(captureQuality(-1), 100);
  EXPECT_STREQ(captureFormatExtension(4), "jpg");
  EXPECT_STREQ(captureFormatExtension(-1), "jpg");
}

TEST(ScreenCaptureChoices, ExtensionPicksTheEncoderIgnoringCase) {
  EXPECT_EQ(captureMimeType(pathExtension("C:\\shots\\a.PNG")), "image/png");
  EXPECT_EQ(captureMimeType(pathExtension("C:\\shots\\a.Jpg")), "image/jpeg");
  EXPECT_EQ(captureMimeType(pathExtension("C:\\my.shots\\noext")), "");
  EXPECT_EQ(captureMimeType("jpeg"), "");
  EXPECT_EQ(resolutionText(480, 800), "480x800");
}

}  // namespace
}  // namespace zorvik
