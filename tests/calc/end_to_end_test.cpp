// Runs the built dipview-calc program through the shell, as a script would.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "dipview/version.h"

#include "calc_test_support.h"

namespace dipview::calc {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

RunResult RunProgram(const std::string& args, const std::string& input = "") {
  // ctest runs each test in a process of its own, possibly at the same time.
  const std::string stem = testing::TempDir() + "dipview_calc_" + std::to_string(::getpid());
  const std::string in = stem + ".in";
  const std::string out = stem + ".out";
  const std::string err = stem + ".err";
  std::ofstream(in, std::ios::binary) << input;
  const std::string command =
      "'" DIPVIEW_CALC_PATH "' " + args + " <'" + in + "' >'" + out + "' 2>'" + err + "'";
  const int status = std::system(command.c_str());
  RunResult result;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadFile(out);
  result.err = ReadFile(err);
  for (const std::string& path : {in, out, err}) {
    std::remove(path.c_str());
  }
  return result;
}

TEST(EndToEndTest, StartUpTable) {
  const RunResult run = RunProgram("");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "Fault:         Single Phase (Phase A)\n"
            "Angles:        Z12 90, Z0 90, ZF 90 degrees\n"
            "Ratios:        Z0/Z12 2.5, ZF/Z12 0\n"
            "Proximity:     50\n"
            "Transformers:  HV-MV DY, MV-C1 DY, C1-C2 DY\n"
            "\n"
            "Bus                                |Va|  Va deg    |Vb|  Vb deg    |Vc|  Vc deg\n"
            "Substation HV                     0.499       0   1.092  -127.6   1.092   127.5\n"
            "Substation MV and Along Feeder    0.838   -36.6   0.838  -143.5   0.999      90\n"
            "Customer Level 1                  0.949   -65.9   0.777    -180   0.949    65.8\n"
            "Customer Level 2                  0.999   -90.1   0.838   143.4   0.838    36.5\n"
            "\n"
            "Sequence voltages                  |V0|  V0 deg    |V1|  V1 deg    |V2|  V2 deg\n"
            "Substation HV                     0.277    -180   0.888       0   0.111   179.9\n");
}

TEST(EndToEndTest, StartUpCsv) {
  const RunResult run = RunProgram("--format csv");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, std::string(kCsvHeader) + std::string(kStartUpRow));
  // The figure that shows every single-precision step was taken: 0.49999999999980405.
  EXPECT_EQ(Fields(Lines(run.out).at(1))[10], "0.499");
}

TEST(EndToEndTest, StartUpJson) {
  const RunResult run = RunProgram("--format=json");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "{\"fault\":\"single\",\"z12_angle\":90,\"z0_angle\":90,\"zf_angle\":90,"
            "\"z0_ratio\":2.5,\"zf_ratio\":0,\"proximity\":50,\"hv_mv\":\"DY\",\"mv_c1\":\"DY\","
            "\"c1_c2\":\"DY\",\"hv_a_mag\":0.499,\"hv_a_ang\":0,\"hv_b_mag\":1.092,"
            "\"hv_b_ang\":-127.6,\"hv_c_mag\":1.092,\"hv_c_ang\":127.5,\"mv_a_mag\":0.838,"
            "\"mv_a_ang\":-36.6,\"mv_b_mag\":0.838,\"mv_b_ang\":-143.5,\"mv_c_mag\":0.999,"
            "\"mv_c_ang\":90,\"c1_a_mag\":0.949,\"c1_a_ang\":-65.9,\"c1_b_mag\":0.777,"
            "\"c1_b_ang\":-180,\"c1_c_mag\":0.949,\"c1_c_ang\":65.8,\"c2_a_mag\":0.999,"
            "\"c2_a_ang\":-90.1,\"c2_b_mag\":0.838,\"c2_b_ang\":143.4,\"c2_c_mag\":0.838,"
            "\"c2_c_ang\":36.5,\"v0_mag\":0.277,\"v0_ang\":-180,\"v1_mag\":0.888,\"v1_ang\":0,"
            "\"v2_mag\":0.111,\"v2_ang\":179.9}\n");
}

TEST(EndToEndTest, BatchOfSeveralRows) {
  const RunResult run = RunProgram("--batch --z0-ratio 1",
                                   "fault,proximity,hv_mv\n"
                                   "single,0,DY\n"
                                   "three,50,DY\n"
                                   "phase-phase,100,YY\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  const std::vector<std::string> rows = Lines(run.out);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0] + "\n", kCsvHeader);
  // A bolted fault at the bus with Z0 = Z12: |Va| = 0 at HV, 1/sqrt(3) on A and B below a DY.
  EXPECT_EQ(rows[1],
            "single,90,90,90,1,0,0,DY,DY,DY,0,-90.1,1,-120,0.999,120,0.577,-60,0.577,-120,"
            "0.999,90,0.881,-79.2,0.333,-180,0.881,79.1,0.999,-90.1,0.577,120,0.577,60,"
            "0.333,-180,0.666,0,0.333,179.9");
  // Half way to a bolted three-phase fault: a balanced set of half the prefault voltage.
  EXPECT_TRUE(rows[2].starts_with("three,90,90,90,1,0,50,DY,DY,DY,0.5,0,0.5,-120.1,0.5,120,"))
      << rows[2];
  // At the far end the bus sees the prefault voltages.
  EXPECT_TRUE(rows[3].starts_with("phase-phase,90,90,90,1,0,100,YY,DY,DY,1,0,1,-120.1,1,120,"))
      << rows[3];
}

TEST(EndToEndTest, BatchStopsAtABadLine) {
  const RunResult run = RunProgram("--batch", "z12_angle\n10\n20\n30.5.5\n40\n");
  EXPECT_EQ(run.status, 2);
  const std::vector<std::string> rows = Lines(run.out);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_TRUE(rows[1].starts_with("single,10,90,")) << rows[1];
  EXPECT_TRUE(rows[2].starts_with("single,20,90,")) << rows[2];
  EXPECT_EQ(run.err,
            "dipview-calc: line 4, column z12_angle: '30.5.5' has '.5' after the number; allowed: "
            "a number of degrees from 0 to 90\n");
}

TEST(EndToEndTest, BadOption) {
  const RunResult run = RunProgram("--proximity 50 --zf-ratio 4");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "dipview-calc: --zf-ratio: '4' is out of range; allowed: a number from 0.0 to 3.0\n");
}

TEST(EndToEndTest, HelpAndVersion) {
  const RunResult help = RunProgram("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("Usage: dipview-calc [OPTION]...\n")) << help.out;
  EXPECT_EQ(help.err, "");
  const RunResult version = RunProgram("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(version.out.starts_with("dipview-calc (DIPVIEW) " + std::string(kVersionText) +
                                      "\nCopyright (C) "))
      << version.out;
}

}  // namespace
}  // namespace dipview::calc

namespace dipview::calc {
namespace {

/// Width and height from a PNG's header chunk, or {0, 0} if it is not a PNG.
std::pair<int, int> PngSize(const std::string& bytes) {
  if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0) {
    return {0, 0};
  }
  auto be32 = [&](std::size_t at) {
    int v = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      v = v * 256 + static_cast<unsigned char>(bytes[at + i]);
    }
    return v;
  };
  return {be32(16), be32(20)};
}

class PictureTest : public testing::Test {
 protected:
  std::string Path(const std::string& name) const {
    return testing::TempDir() + "dipview_png_" + std::to_string(::getpid()) + "_" + name;
  }
};

TEST_F(PictureTest, WritesTheWindowAtEachScale) {
  struct Row {
    const char* args;
    int width, height;
  } rows[] = {{"", 784, 584},
              {"--scale 2 --fault phase-phase", 1568, 1168},
              {"--scale=3", 2352, 1752},
              {"--labels --scale 2", 1568, 1168}};
  for (const Row& row : rows) {
    const std::string path = Path("scale.png");
    const RunResult run = RunProgram("--png '" + path + "' " + row.args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(PngSize(ReadFile(path)), std::make_pair(row.width, row.height)) << row.args;
    std::remove(path.c_str());
  }
  // --labels draws them over the same picture.
  const std::string plain = Path("plain.png");
  const std::string labelled = Path("labels.png");
  EXPECT_EQ(RunProgram("--png '" + plain + "'").status, 0);
  EXPECT_EQ(RunProgram("--png '" + labelled + "' --labels").status, 0);
  EXPECT_NE(ReadFile(labelled), ReadFile(plain));
  std::remove(plain.c_str());
  std::remove(labelled.c_str());
}

TEST_F(PictureTest, BadPathsFailCleanly) {
  const std::string dir = Path("dir");
  ASSERT_EQ(::mkdir(dir.c_str(), 0755), 0);
  // A file that cannot be written is a failure to write (1); a bad command
  // line is bad usage (2).
  struct Row {
    std::string args;
    int status;
    std::string message;
  } rows[] = {
      {"--png '" + dir + "/missing/a.png'", 1, "No such file or directory"},
      {"--png '" + dir + "'", 1, "Is a directory"},
      {"--png ''", 2, "empty file name"},
      {"--png x.png --batch", 2, "cannot be used with --batch"},
      {"--png x.png --format json", 2, "--png writes a picture instead of rows"},
      {"--png x.png --scale 5", 2, "allowed: a whole number from 1 to 4"},
      {"--png x.png --scale 1.5", 2, "allowed: a whole number from 1 to 4"},
      {"--svg '" + dir + "/missing/a.svg'", 1, "No such file or directory"},
      {"--png '" + dir + "/missing/a.SVG'", 1, "No such file or directory"},
      {"--svg '" + dir + "'", 1, "Is a directory"},
      {"--svg ''", 2, "empty file name; allowed: a file name for the SVG picture"},
      {"--svg x.svg --scale 2", 2, "an SVG picture has none"},
      {"--png x.svg --scale 2", 2, "an SVG picture has none"},
      {"--labels", 2, "--labels draws them on a --png or --svg picture"},
      {"--svg x.svg --sweep proximity=0:1:1", 2,
       "--svg draws one state and cannot be used with --sweep"},
      {"--svg x.svg --fault three --transformers DD,YY,DY --zf-ratio 0.7", 2,
       "--svg draws the window, which offers"},
  };
  for (const Row& row : rows) {
    const RunResult run = RunProgram(row.args);
    EXPECT_EQ(run.status, row.status) << row.args;
    EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
  ::chmod(dir.c_str(), 0555);
  if (::geteuid() != 0) {  // root may write anywhere
    const RunResult run = RunProgram("--png '" + dir + "/a.png'");
    EXPECT_EQ(run.status, 1);
  }
  ::chmod(dir.c_str(), 0755);
  EXPECT_EQ(::rmdir(dir.c_str()), 0) << "a partial file was left behind";
  EXPECT_EQ(::access("x.png", F_OK), -1);
  EXPECT_EQ(::access("x.svg", F_OK), -1);
  // The vector picture to standard output, whole.
  const RunResult svg = RunProgram("--svg -");
  EXPECT_EQ(svg.status, 0) << svg.err;
  EXPECT_TRUE(svg.out.starts_with("<?xml")) << svg.out.substr(0, 40);
  EXPECT_TRUE(svg.out.ends_with("</svg>\n")) << svg.out.substr(svg.out.size() - 40);
}

TEST_F(PictureTest, PlotsASweepAsPngOrSvg) {
  const std::string png = Path("sweep.png");
  RunResult run = RunProgram("--sweep proximity=0:100:1 --plot '" + png + "'");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(PngSize(ReadFile(png)), std::make_pair(1600, 500));
  std::remove(png.c_str());

  const std::string svgPath = Path("sweep.SVG");
  run = RunProgram("--fault phase-phase --sweep=z0-ratio=0.5:3:0.5 --plot='" + svgPath + "'");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  const std::string svg = ReadFile(svgPath);
  EXPECT_TRUE(svg.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"")) << svg.substr(0, 80);
  EXPECT_NE(svg.find("\n<svg width="), std::string::npos);
  EXPECT_NE(svg.find("viewBox=\"0 0 1600 500\""), std::string::npos);
  EXPECT_NE(svg.find(">Z0/Z12 magnitude ratio</text>"), std::string::npos);
  EXPECT_TRUE(svg.ends_with("</svg>\n")) << svg.substr(svg.size() - 40);
  std::remove(svgPath.c_str());
}

TEST_F(PictureTest, BadPlotPathsFailCleanly) {
  const std::string dir = Path("plotdir.svg");
  ASSERT_EQ(::mkdir(dir.c_str(), 0755), 0);
  const std::string sweep = "--sweep proximity=0:100:50 ";
  struct Row {
    std::string args;
    int status;
    std::string message;
  } rows[] = {
      {sweep + "--plot '" + dir + "/missing/a.png'", 1, "No such file or directory"},
      {sweep + "--plot '" + dir + "'", 1, "Is a directory"},
      {sweep + "--plot '" + dir + "/a.gif'", 2, "does not end in .png or .svg"},
      {sweep + "--plot a.svg --format csv", 2, "--plot writes a picture instead of rows"},
  };
  for (const Row& row : rows) {
    const RunResult run = RunProgram(row.args);
    EXPECT_EQ(run.status, row.status) << row.args;
    EXPECT_NE(run.err.find("dipview-calc: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(row.message), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
  EXPECT_EQ(::rmdir(dir.c_str()), 0) << "a partial file was left behind";
}

}  // namespace
}  // namespace dipview::calc
