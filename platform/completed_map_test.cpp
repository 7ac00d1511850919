#include "platform/completed_map.h"

#include <gtest/gtest.h>
#include <strataplot/observers.h>

namespace {

struct Recorder final : strataplot::CompletedMapObserver {
  std::vector<strataplot::CompletedMap> maps;
  std::vector<float> firstValues;
  void MapCompleted(const strataplot::CompletedMap& map) override {
    maps.push_back(map);
    firstValues.assign(map.values.begin(), map.values.end());
  }
};

// The public observer gets the hook's maps with their texts in UTF-8 (bytes
// that do not convert shown as U+FFFD) and the grid as it was; removed, it
// gets nothing more.
TEST(CompletedMapObserverTest, GetsEachMapInUtf8UntilRemoved) {
  const std::uint8_t mask[] = {1, 0, 1, 1};
  const float values[] = {1.5f, 2.5f, 3.5f};
  platform::CompletedMap map;
  map.fileName = "\xc9\xb3\xc8\xfd\xb6\xce.po1";  // 沙三段.po1
  map.title = "\xc5\xc5\xd3\xcd\xff";             // 排油 and a lone byte
  map.unit = "t";
  map.interval = 12;
  map.originX = 1;
  map.cellSizeY = 2;
  map.rowCount = 2;
  map.columnCount = 2;
  map.mask = mask;
  map.values = values;

  Recorder recorder;
  strataplot::InstallCompletedMapObserver(&recorder);
  platform::ReportCompletedMap(map);
  strataplot::InstallCompletedMapObserver(nullptr);
  platform::ReportCompletedMap(map);

  ASSERT_EQ(recorder.maps.size(), 1u);
  const strataplot::CompletedMap& got = recorder.maps[0];
  EXPECT_EQ(got.fileName, "沙三段.po1");
  EXPECT_EQ(got.title, "排油\xef\xbf\xbd");
  EXPECT_EQ(got.unit, "t");
  EXPECT_EQ(got.interval, 12);
  EXPECT_EQ(got.originX, 1);
  EXPECT_EQ(got.cellSizeY, 2);
  EXPECT_EQ(got.rowCount, 2);
  EXPECT_EQ(got.columnCount, 2);
  EXPECT_EQ(got.mask.size(), 4u);
  EXPECT_EQ(recorder.firstValues, (std::vector<float>{1.5f, 2.5f, 3.5f}));
}

}  // namespace
