#include "calc/batch.h"

#include <gtest/gtest.h>

#include <new>

#include "calc_test_support.h"

namespace dipview::calc {
namespace {

// The CSV row the command line gives for the same state.
std::string SingleRow(std::vector<std::string_view> args) {
  args.push_back("--format=csv");
  const RunResult run = RunInProcess(args);
  EXPECT_EQ(run.status, 0) << run.err;
  return Lines(run.out).at(1);
}

TEST(BatchTest, EachRowEqualsTheCommandLineResult) {
  const RunResult run = RunInProcess(
      {"--batch"},
      "c1_c2,proximity,zf_ratio,z0_ratio,zf_angle,z0_angle,z12_angle,fault,mv_c1,hv_mv\n"
      "YY,0,0.5,1,30,60,80,three,DY,YY\n"
      "DY,100,3,0.5,0,0,0,phase-phase,YY,DY\n"
      "DY,37,1.5,3,12.5,45,89.9,single,YY,YY\n");
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> rows = Lines(run.out);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0] + "\n", kCsvHeader);
  EXPECT_EQ(rows[1], SingleRow({"--fault", "three", "--z12-angle", "80", "--z0-angle", "60",
                                "--zf-angle", "30", "--z0-ratio", "1", "--zf-ratio", "0.5",
                                "--proximity", "0", "--transformers", "YY,DY,YY"}));
  EXPECT_EQ(rows[2], SingleRow({"--fault", "phase-phase", "--z12-angle", "0", "--z0-angle", "0",
                                "--zf-angle", "0", "--z0-ratio", "0.5", "--zf-ratio", "3",
                                "--proximity", "100", "--transformers", "DY,YY,DY"}));
  EXPECT_EQ(rows[3], SingleRow({"--fault", "single", "--z12-angle", "89.9", "--z0-angle", "45",
                                "--zf-angle", "12.5", "--z0-ratio", "3", "--zf-ratio", "1.5",
                                "--proximity", "37", "--transformers", "YY,YY,DY"}));
}

TEST(BatchTest, MissingColumnsTakeTheOptionValues) {
  const RunResult run = RunInProcess({"--batch", "--proximity", "0", "--transformers=YY,YY,YY"},
                                     "fault\nthree\nsingle\n");
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> rows = Lines(run.out);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1], SingleRow({"--fault=three", "--proximity=0", "--transformers=YY,YY,YY"}));
  EXPECT_EQ(rows[2], SingleRow({"--proximity=0", "--transformers=YY,YY,YY"}));
  // All YY: the four buses read the same.
  const std::vector<std::string> f = Fields(rows[2]);
  for (int bus = 1; bus < 4; ++bus) {
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(f[10 + 6 * bus + i], f[10 + i]) << "bus " << bus << " readout " << i;
    }
  }
}

TEST(BatchTest, StartUpDefaultsWithoutOptions) {
  const RunResult run = RunInProcess({"--batch"}, "proximity\n50\n");
  EXPECT_EQ(run.out, std::string(kCsvHeader) + std::string(kStartUpRow));
}

TEST(BatchTest, ToleratesCrLfBomBlanksAndBlankLines) {
  const std::string clean = "fault,proximity\nthree,20\nsingle,80\n";
  const RunResult expected = RunInProcess({"--batch"}, clean);
  ASSERT_EQ(expected.status, 0);
  for (const char* input : {
           "\xEF\xBB\xBF"
           "fault,proximity\r\nthree,20\r\nsingle,80\r\n",
           "\n \nfault , proximity\n\nthree,\t20\n  \nsingle , 80 \n\n",
           "fault,proximity\nthree,20\nsingle,80",
           // Byte order marks after blank lines, doubled, or on a line of their own.
           "\n\xEF\xBB\xBF\xEF\xBB\xBF"
           "fault,proximity\nthree,20\nsingle,80\n",
           "\xEF\xBB\xBF\r\n\xEF\xBB\xBF"
           "fault,proximity\nthree,20\nsingle,80\n",
           // RFC 4180 quotes, as spreadsheets write them, and names in any case.
           "\"fault\",\"proximity\"\r\n\"three\",\"20\"\r\n \"single\" , \" 80\" \r\n",
           "Fault,PROXIMITY\nThree,20\nSINGLE,80\n",
           // Result columns are read past, whatever they hold.
           "fault,hv_a_mag,proximity,C2_TYPE,c2_ca_ang\nthree,x,20,,\nsingle,\"1,\"\"2\n\",80,D_b,"
           "\n",
       }) {
    const RunResult run = RunInProcess({"--batch"}, input);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, expected.out) << input;
  }
  // Lines cut anywhere by the reads, and a line longer than the read buffer.
  EXPECT_EQ(RunInProcess({"--batch"}, clean, 1).out, expected.out);
  // The longest line allowed, read in pieces of every size down to one byte,
  // each scanned once: a line scanned again on every read would take hours.
  const std::string longLine =
      "fault,proximity\nthree," + std::string(kMaxBatchLineBytes - 8, ' ') + "20\nsingle,80\n";
  for (std::size_t chunk : {std::size_t{1}, std::size_t{4096}, kMaxBatchLineBytes}) {
    EXPECT_EQ(RunInProcess({"--batch"}, longLine, chunk).out, expected.out) << chunk;
  }
}

TEST(BatchTest, HeaderOnlyGivesTheHeaderOrNothing) {
  EXPECT_EQ(RunInProcess({"--batch"}, "fault\n").out, kCsvHeader);
  const RunResult json = RunInProcess({"--batch", "--format", "json"}, "fault\n");
  EXPECT_EQ(json.status, 0);
  EXPECT_EQ(json.out, "");
}

TEST(BatchTest, StopsAtTheFirstBadLineAfterTheRowsBeforeIt) {
  const RunResult run =
      RunInProcess({"--batch", "--format", "json"},
                   "proximity,fault\n10,single\n\n20,three\n30,tripple\n40,single\n");
  EXPECT_EQ(run.status, 2);
  const std::vector<std::string> rows = Lines(run.out);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_NE(rows[0].find("\"proximity\":10,"), std::string::npos);
  EXPECT_NE(rows[1].find("\"proximity\":20,"), std::string::npos);
  EXPECT_EQ(run.err,
            "dipview-calc: line 5, column fault: 'tripple' is not a fault type; allowed: single, "
            "phase-phase, two-phase-ground or three\n");
}

struct BadBatch {
  const char* what;
  std::string input;
  const char* message;
  int rowsBefore;
};

std::ostream& operator<<(std::ostream& os, const BadBatch& b) {
  return os << b.what;
}

class BadBatchTest : public testing::TestWithParam<BadBatch> {};

TEST_P(BadBatchTest, NamesTheLineAndExitsWithStatus2) {
  const RunResult run = RunInProcess({"--batch"}, GetParam().input);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "dipview-calc: " + std::string(GetParam().message) + "\n");
  const std::size_t lines = Lines(run.out).size();
  EXPECT_EQ(lines, GetParam().rowsBefore < 0 ? 0u : 1u + GetParam().rowsBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, BadBatchTest,
    testing::Values(
        BadBatch{"empty input", "",
                 "the input has no header line; expected a CSV header naming any of "
                 "fault,z12_angle,z0_angle,zf_angle,z0_ratio,zf_ratio,proximity,hv_mv,mv_c1,c1_c2,"
                 "phases",
                 -1},
        BadBatch{"semicolons", "fault;proximity\nsingle;0\n",
                 "line 1: the columns are separated by semicolons, as some spreadsheets save "
                 "CSV; separate them with commas (or save as JSON Lines)",
                 -1},
        BadBatch{"JSON Lines, an unknown key", "{\"fault\": \"three\"}\n{\"distance\": 3}\n",
                 "line 2: unknown key 'distance'; allowed: "
                 "fault,z12_angle,z0_angle,zf_angle,z0_ratio,zf_ratio,proximity,hv_mv,mv_c1,c1_c2,"
                 "phases",
                 1},
        BadBatch{"JSON Lines, an object not closed", "{\"fault\":\"single\"\n",
                 "line 1, byte 18: not JSON Lines: expected a comma or } after a value, found "
                 "the line's end",
                 -1},
        BadBatch{"JSON Lines, a bad value", "{\"proximity\": 7.5}\n",
                 "line 1, key proximity: '7.5' is not a whole number; allowed: a whole number "
                 "from 0 to 100",
                 0},
        BadBatch{"unknown column", "fault,distance\n",
                 "line 1: unknown column 'distance'; allowed: "
                 "fault,z12_angle,z0_angle,zf_angle,z0_ratio,zf_ratio,proximity,hv_mv,mv_c1,c1_c2,"
                 "phases",
                 -1},
        BadBatch{"empty column name", "\nfault,,proximity\n",
                 "line 2: unknown column ''; allowed: "
                 "fault,z12_angle,z0_angle,zf_angle,z0_ratio,zf_ratio,proximity,hv_mv,mv_c1,c1_c2,"
                 "phases",
                 -1},
        BadBatch{"repeated column", "proximity,fault,proximity\n",
                 "line 1: column 'proximity' appears twice", -1},
        BadBatch{"too few fields", "fault,proximity\nsingle,10\nthree\n",
                 "line 3: 1 field, but the header names 2 (fault,proximity)", 1},
        BadBatch{"too many fields", "fault,proximity\nsingle,10,\n",
                 "line 2: 3 fields, but the header names 2 (fault,proximity)", 0},
        BadBatch{"too few fields for the calculator's own header",
                 std::string(kCsvHeader) + "single,90\n",
                 "line 2: 2 fields, but the header names 40 (fault,z12_angle,z0_angle,zf_angle,"
                 "z0_ratio,zf_ratio,proximity,hv_mv,mv_c1,c1_c2,hv_a_mag,hv_a_ang,...)",
                 0},
        BadBatch{"empty value", "z12_angle,proximity\n45,10\n45,\n",
                 "line 3, column proximity: empty value; allowed: a whole number from 0 to 100", 1},
        BadBatch{"trailing garbage", "z12_angle\n45\n90x\n",
                 "line 3, column z12_angle: '90x' has 'x' after the number; allowed: a number of "
                 "degrees from 0 to 90",
                 1},
        BadBatch{"unknown connection", "hv_mv\nDY\nYY\nD Y\n",
                 "line 4, column hv_mv: 'D Y' is not a connection; allowed: DY, YY or DD", 2},
        // Messages show the input safely, whole bytes and all.
        BadBatch{"terminal escape", "fault\nsingle\x1b[2J\n",
                 "line 2, column fault: 'single\\x1b[2J' is not a fault type; allowed: single, "
                 "phase-phase, two-phase-ground or three",
                 0},
        BadBatch{"NUL byte", std::string("fault\nsin\0gle,\n", 15),
                 "line 2: 2 fields, but the header names 1 (fault)", 0},
        BadBatch{"NUL byte in a value", std::string("fault\nsin\0gle\n", 14),
                 "line 2, column fault: 'sin\\x00gle' is not a fault type; allowed: single, "
                 "phase-phase, two-phase-ground or three",
                 0},
        BadBatch{"long value", "z12_angle\n" + std::string(100000, '9') + "\n",
                 "line 2, column z12_angle: '9999999999999999999999999999999999999999...' "
                 "(100000 bytes) is out of range; allowed: a number of degrees from 0 to 90",
                 0},
        BadBatch{"byte order mark on a data line", "fault\n\xEF\xBB\xBFsingle\n",
                 "line 2, column fault: '\\xef\\xbb\\xbfsingle' is not a fault type; allowed: "
                 "single, phase-phase, two-phase-ground or three",
                 0},
        BadBatch{"byte order mark after a blank line",
                 "\n\xEF\xBB\xBF"
                 "falt\n",
                 "line 2: unknown column 'falt'; allowed: "
                 "fault,z12_angle,z0_angle,zf_angle,z0_ratio,zf_ratio,proximity,hv_mv,mv_c1,c1_c2,"
                 "phases",
                 -1},
        // Another encoding is named as such.
        BadBatch{"UTF-16 with its byte order mark",
                 std::string("\xFF\xFE"
                             "f\0a\0u\0l\0t\0\n\0",
                             14),
                 "line 1: input looks like UTF-16; save it as UTF-8", -1},
        BadBatch{"big-endian UTF-16", std::string("\0f\0a\0u\0l\0t\0\n", 12),
                 "line 1: input looks like UTF-16; save it as UTF-8", -1},
        BadBatch{"UTF-32", std::string("\xFF\xFE\0\0f\0\0\0\n\0\0\0", 12),
                 "line 1: input looks like UTF-32; save it as UTF-8", -1},
        BadBatch{"UTF-16 after the header", std::string("fault\nsingle\n\0t\0h\0r\0e\0e\0\n", 25),
                 "line 3: input looks like UTF-16; save it as UTF-8", 1},
        // Quotes as RFC 4180 has them, and nothing looser.
        BadBatch{"quote left open", "fault,proximity\nthree,\"20\n",
                 "line 2, field 2: the quote that opens it is not closed", 0},
        BadBatch{"text after a closing quote", "fault,proximity\n\"three\" x,20\n",
                 "line 2, field 1: 'x' after the closing quote; allowed: a comma or the line end",
                 0},
        BadBatch{"quote inside a field not in quotes", "fault,proximity\nthree,2\"0\"\n",
                 "line 2, field 2: '2\"0\"' holds a quote but does not start with one; allowed: a "
                 "field in quotes with each quote inside doubled",
                 0},
        BadBatch{"line end in quotes", "fault,proximity\n\"three\n\",20\nsingle,x\n",
                 "line 2, column fault: 'three\\x0a' is not a fault type; allowed: single, "
                 "phase-phase, two-phase-ground or three",
                 0},
        // Lines are limited, and so is the memory they take.
        BadBatch{"line too long", "fault\nthree\n" + std::string(kMaxBatchLineBytes + 1, ' '),
                 "line 3: longer than 1048576 bytes; allowed: lines of at most 1 MiB", 1},
        BadBatch{"header too long", std::string(kMaxBatchLineBytes + 1, 'f') + "\n",
                 "line 1: longer than 1048576 bytes; allowed: lines of at most 1 MiB", -1},
        BadBatch{"quote open too long", "fault\nthree\n\"" + std::string(kMaxBatchLineBytes, '\n'),
                 "line 3: a quoted field is still open after 1048576 bytes; is its closing quote "
                 "missing?",
                 1},
        // The phases are read after the fault, wherever the header puts them.
        BadBatch{"phases of another fault", "phases,fault\nbc,phase-phase\nbc,single\n",
                 "line 3, column phases: 'bc' does not name the phases of fault single; allowed: "
                 "a, b or c",
                 1},
        BadBatch{"empty phases", "fault,phases\nthree,\n",
                 "line 2, column phases: '' does not name the phases of fault three; allowed: abc",
                 0}));

// What the calculator writes as CSV, with or without the quotes a
// spreadsheet may add, reads back as a batch that gives the same rows.
TEST(BatchTest, ReadsItsOwnCsvBackToTheSameRows) {
  for (const std::vector<std::string_view>& extras : std::vector<std::vector<std::string_view>>{
           {}, {"--classify"}, {"--line-to-line"}, {"--classify", "--line-to-line"}}) {
    std::vector<std::string_view> args = extras;
    args.insert(args.end(), {"--fault", "phase-phase", "--sweep", "proximity=0:100:25", "--sweep",
                             "zf-angle=0:90:45"});
    const RunResult sweep = RunInProcess(args);
    ASSERT_EQ(sweep.status, 0) << sweep.err;
    std::string quoted;
    for (const std::string& line : Lines(sweep.out)) {
      for (const std::string& field : Fields(line)) {
        quoted += (quoted.empty() || quoted.back() == '\n' ? "\"" : ",\"") + field + "\"";
      }
      quoted += "\r\n";
    }
    args = extras;
    args.push_back("--batch");
    for (const std::string& input : {sweep.out, quoted}) {
      const RunResult batch = RunInProcess(args, input);
      EXPECT_EQ(batch.status, 0) << batch.err;
      EXPECT_EQ(batch.out, sweep.out) << input;
    }
  }
}

// JSON Lines, as --format json writes them, read back to the same rows.
TEST(BatchTest, ReadsItsOwnJsonLinesBackToTheSameRows) {
  const RunResult json = RunInProcess({"--classify", "--fault", "phase-phase", "--phases", "ca",
                                       "--format", "json", "--sweep", "proximity=0:100:50"});
  ASSERT_EQ(json.status, 0) << json.err;
  const RunResult batch = RunInProcess({"--classify", "--format", "json", "--batch"}, json.out);
  EXPECT_EQ(batch.status, 0) << batch.err;
  EXPECT_EQ(batch.out, json.out);
}

TEST(BatchTest, RunningOutOfMemoryExitsWithStatus1AndAMessage) {
  class Exhausted : public output::ByteSource {
   public:
    std::size_t Read(char*, std::size_t) override { throw std::bad_alloc(); }
  } in;
  output::StringSink out;
  output::StringSink err;
  const std::vector<std::string_view> args = {"--batch"};
  EXPECT_EQ(RunCalculator(args, in, out, err), 1);
  EXPECT_EQ(err.text, "dipview-calc: out of memory\n");
}

TEST(BatchTest, RowsGoOutBeforeWaitingForMoreInput) {
  // Hands out one line per read and notes how much output there was by then.
  class LineByLine : public output::ByteSource {
   public:
    LineByLine(std::vector<std::string> lines, const output::StringSink& out)
        : lines_(std::move(lines)), out_(out) {}
    std::size_t Read(char* buffer, std::size_t capacity) override {
      outputSeen.push_back(Lines(out_.text).size());
      if (next_ == lines_.size()) {
        return 0;
      }
      const std::string& line = lines_[next_++];
      EXPECT_LE(line.size(), capacity);
      return line.copy(buffer, capacity);
    }
    std::vector<std::size_t> outputSeen;

   private:
    std::vector<std::string> lines_;
    std::size_t next_ = 0;
    const output::StringSink& out_;
  };
  // Also when worker threads compute the rows.
  for (int jobs : {1, 2}) {
    output::StringSink sink;
    LineByLine in({"proximity\n", "10\n", "20\n"}, sink);
    output::OutputBuffer out(sink);
    RowLayout layout;
    layout.jobs = jobs;
    RowWriter writer(std::make_shared<const RowLayout>(layout), out);
    EXPECT_EQ(RunBatch(in, FaultInputs{}, writer, out), 2u);
    EXPECT_EQ(in.outputSeen, (std::vector<std::size_t>{0, 1, 2, 3})) << jobs << " jobs";
  }
}

}  // namespace
}  // namespace dipview::calc
