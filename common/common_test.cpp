#include "common/common.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "testing/temp_dir.h"

namespace {

using test_support::TempDir;

// ---- chazhi ----

TEST(common, ChazhiEmptyAndSinglePointTables) {
  EXPECT_EQ(chazhi(nullptr, nullptr, 0, 5.0f), 0.0f);
  EXPECT_EQ(chazhi(nullptr, nullptr, -3, 5.0f), 0.0f);
  const float xs[] = {2.0f};
  const float ys[] = {7.5f};
  EXPECT_EQ(chazhi(xs, ys, 1, -100.0f), 7.5f);
  EXPECT_EQ(chazhi(xs, ys, 1, 2.0f), 7.5f);
  EXPECT_EQ(chazhi(xs, ys, 1, 100.0f), 7.5f);
}

TEST(common, ChazhiInsideTheTable) {
  const float xs[] = {0.0f, 10.0f, 20.0f, 40.0f};
  const float ys[] = {0.0f, 100.0f, 50.0f, 50.0f};
  struct Case {
    float x;
    float y;
  };
  const Case cases[] = {
      {0.0f, 0.0f},   {5.0f, 50.0f},  {2.5f, 25.0f},  {10.0f, 100.0f},  // shared end: first segment
      {15.0f, 75.0f}, {20.0f, 50.0f}, {30.0f, 50.0f}, {40.0f, 50.0f},
  };
  for (const Case& c : cases) EXPECT_EQ(chazhi(xs, ys, 4, c.x), c.y) << c.x;
}

TEST(common, ChazhiComputedInDoubleAndRoundedOnce) {
  const float xs[] = {0.0f, 3.0f};
  const float ys[] = {0.0f, 1.0f};
  for (float x : {0.1f, 1.0f, 1.7f, 2.9f}) {
    double exact = (1.0 - 0.0) * (static_cast<double>(x) - 0.0) / (3.0 - 0.0);
    EXPECT_EQ(chazhi(xs, ys, 2, x), static_cast<float>(exact)) << x;
  }
  const float bx[] = {16777216.0f, 16777218.0f};
  const float by[] = {1.0f, 3.0f};
  EXPECT_EQ(chazhi(bx, by, 2, 16777217.0f), 1.0f);  // x itself is a float: 16777216
  const float cx[] = {1.0f, 1.0f + 1.0f / 1024.0f};
  const float cy[] = {0.1f, 0.2f};
  double expected = static_cast<double>(0.1f) +
                    (static_cast<double>(0.2f) - static_cast<double>(0.1f)) *
                        (static_cast<double>(1.0f + 1.0f / 2048.0f) - 1.0) / (1.0 / 1024.0);
  EXPECT_EQ(chazhi(cx, cy, 2, 1.0f + 1.0f / 2048.0f), static_cast<float>(expected));
}

TEST(common, ChazhiDescendingSegments) {
  const float xs[] = {40.0f, 20.0f, 10.0f};
  const float ys[] = {4.0f, 2.0f, 1.0f};
  EXPECT_EQ(chazhi(xs, ys, 3, 30.0f), 3.0f);
  EXPECT_EQ(chazhi(xs, ys, 3, 15.0f), 1.5f);
  EXPECT_EQ(chazhi(xs, ys, 3, 20.0f), 2.0f);
}

TEST(common, ChazhiFirstEnclosingSegmentInTableOrder) {
  // Both the first and the third segments enclose 5.
  const float xs[] = {0.0f, 10.0f, 20.0f, 0.0f};
  const float ys[] = {0.0f, 10.0f, 0.0f, 100.0f};
  EXPECT_EQ(chazhi(xs, ys, 4, 5.0f), 5.0f);
  EXPECT_EQ(chazhi(xs, ys, 4, 15.0f), 5.0f);
}

TEST(common, ChazhiZeroLengthSegmentGivesItsFirstY) {
  const float xs[] = {5.0f, 5.0f, 10.0f};
  const float ys[] = {1.0f, 2.0f, 3.0f};
  EXPECT_EQ(chazhi(xs, ys, 3, 5.0f), 1.0f);
  const float same[] = {5.0f, 5.0f};
  const float ys2[] = {8.0f, 9.0f};
  EXPECT_EQ(chazhi(same, ys2, 2, 5.0f), 8.0f);
  EXPECT_EQ(chazhi(same, ys2, 2, 6.0f), 8.0f);  // outside: the first of the nearest points
}

TEST(common, ChazhiOutsideTheTableTheNearestPoint) {
  const float xs[] = {10.0f, 20.0f, 30.0f};
  const float ys[] = {1.0f, 2.0f, 3.0f};
  EXPECT_EQ(chazhi(xs, ys, 3, 0.0f), 1.0f);
  EXPECT_EQ(chazhi(xs, ys, 3, 9.999f), 1.0f);
  EXPECT_EQ(chazhi(xs, ys, 3, 31.0f), 3.0f);
  EXPECT_EQ(chazhi(xs, ys, 3, 1e10f), 3.0f);
  // So far away that every point is equally near: the first one.
  EXPECT_EQ(chazhi(xs, ys, 3, 1e30f), 1.0f);
  EXPECT_EQ(chazhi(xs, ys, 3, std::numeric_limits<float>::infinity()), 1.0f);
  // Not sorted: the nearest point by distance, not an end of the table.
  const float mixed[] = {10.0f, 30.0f, 20.0f, 25.0f};
  const float my[] = {1.0f, 3.0f, 2.0f, 4.0f};
  EXPECT_EQ(chazhi(mixed, my, 4, 40.0f), 3.0f);
  EXPECT_EQ(chazhi(mixed, my, 4, 0.0f), 1.0f);
  // Ties: the first such point.
  const float twice[] = {8.0f, 2.0f, 8.0f};
  const float ty[] = {1.0f, 2.0f, 3.0f};
  EXPECT_EQ(chazhi(twice, ty, 3, 9.0f), 1.0f);
}

TEST(common, ChazhiNotANumberGivesTheFirstY) {
  const float xs[] = {10.0f, 20.0f};
  const float ys[] = {1.0f, 2.0f};
  EXPECT_EQ(chazhi(xs, ys, 2, std::numeric_limits<float>::quiet_NaN()), 1.0f);
}

// ---- Project name ----

TEST(common, ProjectNameSetAndCleared) {
  std::string name = "stale";
  SetProjName("");
  EXPECT_EQ(GetProjName(nullptr, name), 0);
  SetProjName("demo");
  EXPECT_NE(GetProjName(nullptr, name), 0);
  EXPECT_EQ(name, "demo");
  SetProjName("\xc9\xb3\xc8\xfd\xb6\xce");  // GBK kept as bytes
  EXPECT_NE(GetProjName(nullptr, name), 0);
  EXPECT_EQ(name, "\xc9\xb3\xc8\xfd\xb6\xce");
  SetProjName("");
  EXPECT_EQ(GetProjName(nullptr, name), 0);
}

// ---- Overwrite question ----

TEST(common, AskOverFileMissingFileMayBeWrittenWithoutAsking) {
  TempDir dir;
  EXPECT_NE(mAskOverFile(dir.File("nothing.here").c_str()), 0);
  EXPECT_NE(mAskOverFile(dir.File("\xb2\xe3\xce\xbb.po1").c_str()), 0);
}

TEST(common, AskOverFileAsksForALinkLeadingNowhere) {
  // Without a user interface every question is answered no.
  TempDir dir;
  std::filesystem::create_symlink(dir / "nowhere", dir / "map.po1");
  EXPECT_EQ(mAskOverFile(dir.File("map.po1").c_str()), 0);
}

}  // namespace
