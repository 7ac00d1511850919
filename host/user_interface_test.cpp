#include "host/user_interface.h"

#include <gtest/gtest.h>

namespace host {
namespace {

using What = console::Declined::What;

TEST(WhatFollows, SaysWhetherTheExportGoesOn) {
  struct Case {
    Command command;
    console::Declined declined;
    std::string follows;
  };
  const Case cases[] = {
      {Command::OilUnexpelled, {What::Dialog, "10002", "5"}, "沿用建议的间距 5 继续"},
      {Command::OilExpulsion, {What::Dialog, "10002", ""}, "沿用建议的间距 继续"},
      {Command::OilExpulsion, {What::Dialog, "GetOilDlg", "5"}, "导出到此结束，正在写的图不保留"},
      {Command::Gas, {What::Dialog, "10002", "8"}, "导出到此结束"},
      {Command::Gas, {What::Dialog, "10003", ""}, "导出到此结束"},
      {Command::Saturation, {What::Dialog, "PreSaLayerDlg", ""}, "导出到此结束"},
      {Command::OilGeneration, {What::Overwrite, "H1.so1", ""}, "导出到此结束，不再生成后面的图"},
      {Command::OilExpulsion,
       {What::Question, "请问您还想继续生成深层排油强度图吗?", ""},
       "不生成深层排油强度图，导出到此结束"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WhatFollows(c.command, c.declined), c.follows) << c.declined.name;
  }
}

}  // namespace
}  // namespace host
