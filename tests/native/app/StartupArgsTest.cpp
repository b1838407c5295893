#include <gtest/gtest.h>

#include "app/StartupArgs.h"

using zorvik::isHiddenStart;

TEST(StartupArgs, HideAfterTheLastSlashInAnyCase) {
  EXPECT_TRUE(isHiddenStart("/hide"));
  EXPECT_TRUE(isHiddenStart("/HIDE"));
  EXPECT_TRUE(isHiddenStart("/Hide "));
  EXPECT_TRUE(isHiddenStart("zorvik://start/hide"));
  EXPECT_TRUE(isHiddenStart("\"zorvik://open/hide\""));
  EXPECT_TRUE(isHiddenStart("/other /hide"));
}

TEST(StartupArgs, AnythingElseStartsShown) {
  EXPECT_FALSE(isHiddenStart(""));
  EXPECT_FALSE(isHiddenStart("hide"));        // no slash
  EXPECT_FALSE(isHiddenStart("/hidden"));
  EXPECT_FALSE(isHiddenStart("/hide/"));      // the text after the last slash is empty
  EXPECT_FALSE(isHiddenStart("/hide /show"));
  EXPECT_FALSE(isHiddenStart("/hid"));
  EXPECT_FALSE(isHiddenStart("zorvik://start/show"));
}
