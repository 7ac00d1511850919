// The saturation profile and its horizon dialog through the host program, in
// batch, byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "testing/host_harness.h"

namespace {

using namespace test_support;

std::string DataLine(int depth, const char* sa) {
  char line[64];
  std::snprintf(line, sizeof line, "%12d%12s\n", depth, sa);
  return line;
}

const std::string kLabels = "       Sa(%)    Depth(m)";
const std::string kZeroLine = "        0.00        0.00\n";
const std::string kEmptyTrailer = kZeroLine +
                                  "           0         500           0\n"
                                  "        0.00        0.00        1.00\n" +
                                  kLabels;
// Density 1, porosity 100, bitumen density 1: the saturation is the content.
const char* kDensity = "d\n0 1\n9000 1\n0 0\n1\n";
const char* kPorosity = "p\n0 100\n9000 100\n0 0\n";

class Saturation : public ::testing::Test {
 protected:
  void Profiles(const std::string& prefix, const char* content, const char* density = kDensity,
                const char* porosity = kPorosity) {
    WriteFile(dir_ / (prefix + ".ids"), density);
    WriteFile(dir_ / (prefix + ".ips"), porosity);
    WriteFile(dir_ / (prefix + ".ica"), content);
  }
  HostRun Run(std::vector<std::string> args, long fileSizeLimit = 0) {
    args.insert(args.begin(), {"-p", "demo", "--overwrite", "yes"});
    args.push_back("saturation");
    return RunHost(dir_.path(), args, fileSizeLimit);
  }
  std::string File(const std::string& name) { return ReadFile(dir_ / name).value_or("<missing>"); }

  TempDir dir_;
};

TEST_F(Saturation, WorkedExampleInBothBuilds) {
  Profiles("demo", "c\n1500.7 12.5\n3520.2 12.5\n0 0\n");
  std::string expected = " all\n";
  for (int depth = 1500; depth <= 3520; depth += 20) expected += DataLine(depth, "12.50");
  expected += kZeroLine + "           0        3500         300\n" +
              "        0.00       15.00        2.50\n" + kLabels;
  const char* messages[] = {
      "氯仿沥青A饱和度计算完毕.\\n\\t\\t\\n 结果在文件demo.dsa中. \",\"caption\":\"计算SA\","
      "\"icon\":\"information\",\"buttons\":\"ok\",\"owner\":\"window\"",
      "氯仿沥青A饱和度计算完毕.\\n\\t   \\n 结果在文件demo.dsa中\",\"caption\":\"计算SA\","
      "\"icon\":\"none\",\"buttons\":\"ok\",\"owner\":\"window\""};
  for (int build = 0; build < 2; ++build) {
    std::filesystem::remove(dir_ / "demo.dsa");
    HostRun run = Run({"--library", build == 0 ? "shared" : "static"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(File("demo.dsa"), expected) << "102 data lines";
    ASSERT_EQ(run.transcript.size(), 1u) << "nothing but the success message";
    EXPECT_TRUE(Contains(run.transcript[0], messages[build])) << run.transcript[0];
  }
}

TEST_F(Saturation, Trailer) {
  // The static build takes the axis end and tick in extended precision:
  // where 1.2 x SaMax or 0.2 x SaMax falls on a rounding boundary, it parts.
  const std::string at1000 = "           0        1500         100\n";
  struct Case {
    const char* content;
    std::string shared, fromStatic;  // the depth and saturation axis lines
  } cases[] = {
      {"c\n1000 4\n1100 4\n", at1000 + "        0.00        4.80        1.00\n", ""},
      {"c\n1000 2.7875\n", at1000 + "        0.00        3.35        1.00\n",
       at1000 + "        0.00        3.34        1.00\n"},
      {"c\n1000 6.075\n", at1000 + "        0.00        7.29        1.22\n",
       at1000 + "        0.00        7.29        1.21\n"},
      {"c\n1000 3e38\n", at1000 + "        0.00         inf ", ""},
      // All saturations at or below 0, depths short of 1000 m; the deepest depths.
      {"c\n500 -3\n620 -3\n",
       "           0         500           0\n        0.00        0.00        1.00\n", ""},
      {"c\n2147483000 1\n2147483520 1\n", "           0  2147483500   214748300\n", ""},
  };
  for (const Case& c : cases) {
    Profiles("demo", c.content);
    for (const char* library : {"shared", "static"}) {
      EXPECT_EQ(Run({"--library", library}).exitStatus, 0);
      bool isStatic = std::string(library) == "static" && !c.fromStatic.empty();
      EXPECT_TRUE(Contains(File("demo.dsa"), kZeroLine + (isStatic ? c.fromStatic : c.shared)))
          << c.content << library << "\n"
          << File("demo.dsa");
    }
  }
}

TEST_F(Saturation, Sampling) {
  struct Case {
    const char* content;
    std::string lines;  // the data lines, then the trailer's start
    const char* density = kDensity;
    const char* porosity = kPorosity;
  } cases[] = {
      // A span below 100 m is sampled every metre, 199 m too (199 / 100 is 1).
      {"c\n1000 1\n1001 1\n0 0\n", DataLine(1000, "1.00") + DataLine(1001, "1.00") + kZeroLine},
      {"c\n1000 1\n1199.9 1\n0 0\n", DataLine(1198, "1.00") + DataLine(1199, "1.00") + kZeroLine},
      {"c\n1200.5 1\n0 0\n", DataLine(1200, "1.00") + kZeroLine},
      // No terminating pair: the table ends with the file. Nothing after one is read.
      {"c\n1000 1\n2000 1\n", DataLine(1990, "1.00") + DataLine(2000, "1.00") + kZeroLine},
      {"c\n1000 1\n2000 1\n-1 -1 3000 x\n",
       DataLine(1990, "1.00") + DataLine(2000, "1.00") + kZeroLine},
      // A pair with only one number at or below 0 belongs to the table.
      {"c\n0 5.3\n100 5.3\n150 0\n-1 0\n900 7\n",
       " all\n" + DataLine(0, "5.30") + DataLine(1, "5.30")},
      {"c\n0 5.3\n100 5.3\n150 0\n-1 0\n900 7\n", DataLine(126, "2.54") + DataLine(127, "2.44")},
      {"c\n0 5.3\n100 5.3\n150 0\n-1 0\n900 7\n", DataLine(150, "0.00") + kZeroLine},
      // Last depth above the first, an empty table, an empty file: no data line.
      {"c\n2000 1\n1000 1\n0 0\n", " all\n" + kEmptyTrailer},
      {"c\n0 0\n1000 1\n", " all\n" + kEmptyTrailer},
      {"", " all\n" + kEmptyTrailer},
      // The bitumen density follows the terminating pair; without one it is 1.
      {"c\n1000 10\n", " all\n" + DataLine(1000, "10.00"), "d\n0 2.1\n0 0\n2.1\n3 x\n"},
      {"c\n1000 10\n", " all\n" + DataLine(1000, "10.00"), "d\n0 2.1\n-5 -5\n2.1\n"},
      {"c\n1000 10\n", " all\n" + DataLine(1000, "21.00"), "d\n0 2.1\n0 0\n"},
      {"c\n1000 10\n", " all\n" + DataLine(1000, "21.00"), "d\n0 2.1\n"},
      // No pore space (porosity 0 from 1050 m down, or a bitumen density of 0):
      // no line, and neither SaMax nor depthMax moves.
      {"c\n1000 1\n1100 1\n",
       DataLine(1049, "50.00") + kZeroLine +
           "           0        1500         100\n"
           "        0.00       60.00       10.00\n",
       kDensity, "p\n1000 100\n1050 0\n0 0\n"},
      {"c\n1000 1\n1100 1\n", " all\n" + kEmptyTrailer, "d\n0 1\n0 0\n0\n"},
  };
  for (const Case& c : cases) {
    Profiles("demo", c.content, c.density, c.porosity);
    EXPECT_EQ(Run({}).exitStatus, 0) << c.content;
    EXPECT_TRUE(Contains(File("demo.dsa"), c.lines)) << c.content << c.density << "\n"
                                                     << File("demo.dsa");
  }
}

TEST_F(Saturation, Failures) {
  const std::string sa = "\",\"caption\":\"计算SA\",";
  const std::string info = "\"icon\":\"information\",\"buttons\":\"ok\"";
  const std::string error = "\"icon\":\"error\",\"buttons\":\"ok\"";
  struct Case {
    const char* file;
    const char* content;  // nullptr: missing
    const char* library;
    std::string message;
  } cases[] = {
      {"demo.ids", nullptr, "shared",
       "打开源岩密度文件 demo.ids 失败\",\"caption\":null," + info + ",\"owner\":\"none\""},
      {"demo.ips", nullptr, "shared",
       "打开源岩孔隙度文件demo.ips错" + sa + info + ",\"owner\":\"window\""},
      {"demo.ica", nullptr, "shared", "打开氯仿沥青A含量文件demo.ica错" + sa + info},
      {"demo.ids", nullptr, "static",
       "打开源岩密度文件 demo.ids 失败\",\"caption\":\" \"," + error + ",\"owner\":\"window\""},
      {"demo.ica", nullptr, "static", "打开氯仿沥青A含量文件demo.ica错" + sa + error},
      // Damage is reported in the box of the file's open failure.
      {"demo.ids", "d\n0 1\nx 1\n0 0\n", "shared",
       "文件demo.ids数据有误或不全(第3行)\",\"caption\":null"},
      {"demo.ids", "d\n0 1\n0 0\n\nabc\n", "static",
       "文件demo.ids数据有误或不全(第5行)\",\"caption\":\" \""},
      {"demo.ips", "p\n0 100\n100 1e50\n", "shared", "文件demo.ips数据有误或不全(第3行)" + sa},
      // A depth without its value.
      {"demo.ica", "c\n1000 1\n2000 1\n0\n", "shared", "文件demo.ica数据有误或不全(第4行)"},
      // Sampled depths must be 32-bit integers.
      {"demo.ica", "c\n1e20 1\n2000 1\n0 0\n", "shared", "文件demo.ica数据有误或不全(第2行)"},
      {"demo.ica", "c\n1000 1\n\n2147483648 1\n", "shared", "文件demo.ica数据有误或不全(第4行)"},
  };
  for (const Case& c : cases) {
    Profiles("demo", "c\n1000 1\n0 0\n");
    if (c.content != nullptr)
      WriteFile(dir_ / c.file, c.content);
    else
      std::filesystem::remove(dir_ / c.file);
    HostRun run = Run({"--library", c.library});
    EXPECT_EQ(run.exitStatus, 1) << c.message;
    ASSERT_EQ(run.transcript.size(), 1u) << c.message;
    EXPECT_TRUE(Contains(run.transcript[0], "\"text\":\"" + c.message)) << run.transcript[0];
    EXPECT_FALSE(std::filesystem::exists(dir_ / "demo.dsa"));
  }
}

TEST_F(Saturation, ExistingProfile) {
  Profiles("demo", "c\n1000 1\n0 0\n");
  WriteFile(dir_ / "demo.dsa", "old");
  HostRun run = Run({"--overwrite", "no"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(File("demo.dsa"), "old");
  ASSERT_EQ(run.transcript.size(), 1u) << "the question only";

  // A profile that cannot be stored whole (a disk that fills up): nothing of
  // it is left and the earlier one stays.
  Profiles("demo", "c\n1000 1\n5000 2\n0 0\n");  // about 2.5 KB of profile
  run = Run({}, 2048);
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(Contains(run.transcript.back(), "\"text\":\"生成氯仿沥青A饱和度文件demo.dsa错\""));
  EXPECT_EQ(File("demo.dsa"), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()),
                          std::filesystem::directory_iterator()),
            4)
      << "the three profiles and the old one";

  // A name that is a link: the profile replaces the link, never its target.
  TempDir outside;
  std::filesystem::remove(dir_ / "demo.dsa");
  std::filesystem::create_symlink(outside / "theirs", dir_ / "demo.dsa");
  WriteFile(outside / "theirs", "theirs");
  run = Run({});
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_FALSE(std::filesystem::is_symlink(dir_ / "demo.dsa"));
  EXPECT_EQ(TempDir::Contents(outside / "theirs"), "theirs");
}

class HorizonDialog : public Saturation {
 protected:
  void Horizons(const std::vector<std::string>& names) {
    WriteProject(dir_, {"demo", 1, names, ""});
    for (const std::string& name : names) Profiles(name, "c\n1000 1\n");
  }
  HostRun Choose(const char* library, std::vector<std::string> args = {}) {
    args.insert(args.begin(), {"--library", library, "--mode", "2"});
    return Run(args);
  }
};

TEST_F(HorizonDialog, ListsTheHorizonsWithTheFirstSelected) {
  Horizons({"H1", "沙三段", "H3"});
  HostRun run = Choose("shared");
  EXPECT_EQ(run.exitStatus, 0);
  ASSERT_EQ(run.transcript.size(), 2u);
  EXPECT_EQ(run.transcript[0],
            "{\"type\":\"dialog\",\"template\":\"10001\",\"title\":\"选择层位\","
            "\"controls\":{\"1\":\"确     认 (&Y)\",\"2\":\"取     消 (&N)\",\"1061\":\"H1\"},"
            "\"items\":[\"H1\",\"沙三段\",\"H3\"],\"selected\":\"H1\",\"answer\":\"H1\",\"result\":"
            "\"ok\"}");
  EXPECT_TRUE(File("H1.dsa").starts_with("H1\n" + DataLine(1000, "1.00")));
  for (const char* library : {"shared", "static"}) {
    EXPECT_EQ(Choose(library, {"--horizon", "沙三段"}).exitStatus, 0);
    EXPECT_TRUE(File("沙三段.dsa").starts_with(Gbk("沙三段") + "\n")) << library;
    std::filesystem::remove(dir_ / "沙三段.dsa");
    run = Choose(library, {"--horizon", "cancel"});
    EXPECT_EQ(run.exitStatus, 1);
    ASSERT_EQ(run.transcript.size(), 1u) << "nothing after the dialog";
    EXPECT_FALSE(std::filesystem::exists(dir_ / "沙三段.dsa"));
  }
}

TEST_F(HorizonDialog, EmptyOrMissingHorizonFile) {
  const std::string ownedInfo =
      "\"caption\":null,\"icon\":\"information\",\"buttons\":\"ok\",\"owner\":\"window\"";
  const std::string noFile = "\"text\":\"打开烃源岩名文件 demo.isc 失败\",";
  struct Case {
    const char* library;
    bool missing;
    std::vector<std::string> records;  // parts of the transcript's records, in order
  } cases[] = {
      {"shared",
       false,
       {"\"text\":\"请选择一个烃源岩层位\"," + ownedInfo,
        "\"items\":[],\"selected\":null,\"answer\":\"\",\"result\":\"cancel\""}},
      {"shared", true, {noFile + ownedInfo, "请选择一个烃源岩层位", "\"items\":[]"}},
      // The static build confirms the empty field: the files have no name.
      {"static",
       true,
       {noFile + "\"caption\":\"\",\"icon\":\"error\",\"buttons\":\"ok\",\"owner\":\"none\"",
        "\"3008\":\"\"},\"items\":[],\"selected\":null,\"answer\":\"\",\"result\":\"ok\"",
        "打开源岩密度文件 .ids 失败"}},
  };
  for (const Case& c : cases) {
    Horizons({});
    if (c.missing) std::filesystem::remove(dir_ / "demo.isc");
    HostRun run = Choose(c.library);
    EXPECT_EQ(run.exitStatus, 1);
    ASSERT_EQ(run.transcript.size(), c.records.size()) << c.library;
    for (std::size_t i = 0; i < c.records.size(); ++i) {
      EXPECT_TRUE(Contains(run.transcript[i], c.records[i])) << run.transcript[i];
    }
  }
}

TEST_F(HorizonDialog, StaticBuildTakesAnyNameWhole) {
  std::vector<std::string> names;
  std::string items;
  for (int i = 1; i <= 35; ++i) {
    names.push_back("N" + std::to_string(i));
    items += (i > 1 ? ",\"" : "\"") + names.back() + "\"";
  }
  Horizons(names);
  HostRun run = Choose("static", {"--horizon", "N33"});
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_TRUE(Contains(run.transcript[0],
                       "\"template\":\"PreSaLayerDlg\",\"title\":\"选择层位\",\"controls\":{\"1\":"
                       "\"确     认 (&Y)\","
                       "\"2\":\"取     消 (&N)\",\"3008\":\"N1\"},\"items\":[" +
                           items + "],\"selected\":null"))
      << run.transcript[0];
  EXPECT_TRUE(std::filesystem::exists(dir_ / "N33.dsa"));

  std::string longName = "一个非常非常长的烃源岩层位名称";
  Profiles(longName, "c\n1000 1\n");
  EXPECT_EQ(Choose("static", {"--horizon", longName}).exitStatus, 0);
  EXPECT_TRUE(File(longName + ".dsa").starts_with(Gbk(longName) + "\n" + DataLine(1000, "1.00")));

  // A name must not lead out of the current directory.
  std::filesystem::create_directory(dir_ / "sub");
  Profiles("sub/x", "c\n1000 1\n");
  run = Choose("static", {"--horizon", "sub/x"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_TRUE(Contains(run.transcript.back(), "\"text\":\"层位名sub/x不能用作文件名\""));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "sub/x.dsa"));
}

TEST_F(HorizonDialog, ANameThatIsNotWholeTextIsListedAsMessagesShowItAndChosenWhole) {
  // 三段 is C8FD B6CE in GBK; C9 is a lead byte without its trail byte. The
  // list shows such a name as messages do, and the name chosen is the file's.
  struct Case {
    std::string name;    // in the horizon file (GBK)
    std::string listed;  // as the transcript shows the list entry
    std::string said;    // in the last message; empty: not named unsafe
  } cases[] = {
      {std::string("a\0b", 3), "a\\\\0b", "层位名a\\\\0b不能用作文件名"},
      {std::string("\xC9\0\xB3\xC8\xFD\xB6\xCE", 7), "\\\\xC9\\\\0\\\\xB3三段",
       "层位名\\\\xC9\\\\0\\\\xB3三段不能用作文件名"},
      {"H\xC9", "H\\\\xC9", ""},
  };
  Horizons({"a", "H2"});
  // Were a name taken back from the list's UTF-8, a byte it cannot show would
  // come back as "?": "H?" must not be read in the place of "H\xC9".
  Profiles("H?", "c\n1000 1\n");
  for (const Case& c : cases) {
    WriteFile(dir_ / "demo.isc", c.name + "\nH2\n");
    for (const char* library : {"shared", "static"}) {
      HostRun run = Choose(library);  // the first listed
      EXPECT_EQ(run.exitStatus, 1) << library << " " << c.listed;
      ASSERT_FALSE(run.transcript.empty());
      EXPECT_TRUE(Contains(run.transcript.front(), "\"items\":[\"" + c.listed + "\",\"H2\"]"))
          << run.transcript.front();
      if (!c.said.empty()) {
        EXPECT_TRUE(Contains(run.transcript.back(), "\"text\":\"" + c.said + "\""))
            << run.transcript.back();
      }
      EXPECT_FALSE(Contains(run.transcript.back(), "H?")) << run.transcript.back();
      EXPECT_FALSE(std::filesystem::exists(dir_ / "H?.dsa")) << library;
      EXPECT_FALSE(std::filesystem::exists(dir_ / "a.dsa")) << library;
    }
  }
}

}  // namespace
