// karvelm --trace: every packet of a command as one JSON line; and karvelm-sim --replay, which
// plays such a trace back as the module.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "child_process.h"
#include "config/config_fields.h"
#include "config/config_file.h"
#include "config/config_image.h"
#include "in_process_cli.h"
#include "sim/udp_server.h"
#include "temp_folder.h"

namespace karvelm {
namespace {

using nlohmann::json;
using testing::RunCliInProcess;
using testing::RunProgram;
using testing::TRunResult;
using testing::TSimProcess;

std::vector<std::string> At(uint16_t port, std::vector<std::string> args) {
  std::vector<std::string> full = {"--ip",         "127.0.0.1", "--port", std::to_string(port),
                                   "--local-port", "0"};
  full.insert(full.end(), args.begin(), args.end());
  return full;
}

// Every line of the file parsed on its own; a line that is not JSON fails the test.
std::vector<json> ReadTrace(const std::string& path) {
  std::ifstream in(path);
  std::vector<json> lines;
  std::string text;
  while (std::getline(in, text)) {
    json line;
    EXPECT_NO_THROW(line = json::parse(text)) << "line " << lines.size() + 1 << ": " << text;
    EXPECT_TRUE(line.is_object()) << text;
    lines.push_back(line);
  }
  return lines;
}

std::string ToHex(const std::vector<uint8_t>& bytes, size_t count) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < count && i < bytes.size(); ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 0xF];
  }
  return text;
}

// The simulator's side of the same run, on a thread of this process, so that what it
// received and sent can be set against the trace.
class CliTrace : public ::testing::Test {
 protected:
  void SetUp() override {
    TSimConfig config;
    config.program = spLoader;
    TSimServerOptions options;
    options.port = 0;
    server_ = std::make_unique<TSimUdpServer>(config, options);
    server_->Start();
  }
  void TearDown() override { server_->Stop(); }

  // Runs the command with --trace and checks the trace against what the simulator saw:
  // one line per packet in the order of the exchange, the link's sequence numbers, each
  // answer after its request. Returns the lines.
  std::vector<json> TracedRun(const std::vector<std::string>& command) {
    server_->WithSim([](TModuleSim& sim) { sim.ClearRecord(); });
    const std::string path = dir_.File("trace.jsonl");
    std::vector<std::string> args = command;
    args.insert(args.begin(), {"--trace", path});
    const testing::TCliRun run = RunCliInProcess(At(server_->Port(), args));
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::vector<json> lines = ReadTrace(path);
    const std::string text = TTempFolder::Read(path);
    EXPECT_TRUE(!text.empty() && text.back() == '\n') << "every line ends";

    server_->WithSim([&](TModuleSim& sim) {
      size_t received = 0, sent = 0;
      int64_t lastTime = -1, lastSequence = -1;
      for (const json& line : lines) {
        EXPECT_EQ(line["link"], "udp");
        EXPECT_GE(line["t_us"].get<int64_t>(), lastTime) << line;
        lastTime = line["t_us"];
        const std::string hex = line["hex"];
        EXPECT_EQ(hex.size(), 2 * line["bytes"].get<size_t>());
        if (line["dir"] == "out") {
          ASSERT_LT(received, sim.Received().size()) << "more requests traced than sent";
          const std::vector<uint8_t>& raw = sim.Received()[received++].raw;
          EXPECT_EQ(hex, ToHex(raw, hex.size() / 2)) << "request " << received;
          if (lastSequence >= 0) {
            EXPECT_EQ(line["seq"], lastSequence + 1) << line;
          }
          lastSequence = line["seq"];
        } else {
          ASSERT_EQ(line["dir"], "in");
          ASSERT_LT(sent, sim.Sent().size()) << "more answers traced than sent";
          EXPECT_EQ(line["seq"], sim.Sent()[sent++].sequence);
          EXPECT_EQ(line["seq"], lastSequence) << "an answer follows its own request: " << line;
          EXPECT_EQ(line["ok"], true);
        }
      }
      EXPECT_EQ(received, sim.Received().size()) << "every request traced";
      EXPECT_EQ(sent, sim.Sent().size()) << "every answer traced";
    });
    return lines;
  }

  TTempFolder dir_;
  std::unique_ptr<TSimUdpServer> server_;
};

std::vector<std::string> Commands(const std::vector<json>& lines) {
  std::vector<std::string> names;
  for (const json& line : lines)
    names.push_back(line["dir"].get<std::string>() + " " + line["type"].get<std::string>() + " " +
                    line["command"].get<std::string>());
  return names;
}

TEST_F(CliTrace, IdentifyAndConfigReadLinePerPacket) {
  std::vector<json> lines = TracedRun({"identify", "--json"});
  EXPECT_EQ(Commands(lines), (std::vector<std::string>{
                                 "out command cmdIdentify", "in reply cmdIdentify",
                                 "out command cmdGetVersion", "in reply cmdGetVersion",
                                 "out command cmdGetOtherVersion", "in reply cmdGetOtherVersion"}));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[1]["fields"], json::parse(R"({"id": 15108, "program": "bootloader"})"));
  EXPECT_EQ(lines[3]["fields"]["version"], "1.0.5.");
  EXPECT_EQ(lines[5]["fields"]["version"], "2.0.34.");

  lines = TracedRun({"config", "read", "1", dir_.File("read.bin")});
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(Commands(lines)[0], "out command cmdIdentify");
  std::set<std::string> requests;
  int blocks = 0, dataBytes = 0;
  std::string lastCommand;
  for (const json& line : lines) {
    if (line["dir"] == "out") {
      requests.insert(line["command"].get<std::string>());
      lastCommand = line["command"];
      if (line["command"] == "cmdOpenRead") {
        ++blocks;
        EXPECT_TRUE(line["fields"].contains("storage_address")) << line;
        EXPECT_GT(line["fields"]["length"].get<int>(), 0) << line;
      }
    } else {
      EXPECT_EQ(line["command"], lastCommand) << "an answer names its request";
      if (line["type"] == "data") dataBytes += line["size"].get<int>();
    }
  }
  EXPECT_EQ(requests, (std::set<std::string>{"cmdIdentify", "cmdOpenRead", "cmdReadNext"}));
  EXPECT_EQ(blocks, 3 + kPageCount) << "common, settings, set-points and the pages";
  EXPECT_GT(dataBytes, 0);
}

// The trace fails, the command does not: the failure is told once on stderr.
struct TUnwritableCase {
  const char* name;
  std::string path;  // relative: inside the test's folder
  std::vector<std::string> command;
  const char* reason;
};

class CliTraceUnwritable : public CliTrace,
                           public ::testing::WithParamInterface<TUnwritableCase> {};

TEST_P(CliTraceUnwritable, ReportedOnceAndTheCommandSucceeds) {
  const TUnwritableCase& c = GetParam();
  const std::string path = c.path[0] == '/' ? c.path : dir_.File(c.path);
  std::vector<std::string> command = c.command;
  for (std::string& word : command)
    if (word == "FILE") word = dir_.File("read.bin");
  command.insert(command.begin(), {"--trace", path});
  const testing::TCliRun run = RunCliInProcess(At(server_->Port(), command));
  EXPECT_EQ(run.code, 0) << run.err;
  const std::string report = "cannot write the trace " + path + ": " + c.reason;
  EXPECT_NE(run.err.find(report), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("cannot write the trace"), run.err.rfind("cannot write the trace"))
      << "once: " << run.err;
  if (command.back() == dir_.File("read.bin"))
    EXPECT_FALSE(TTempFolder::Read(dir_.File("read.bin")).empty());
  else
    EXPECT_NE(run.out.find("\"state\": \"bootloader\""), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, CliTraceUnwritable,
    ::testing::Values(TUnwritableCase{"no_folder",
                                      "missing/trace.jsonl",
                                      {"identify", "--json"},
                                      "No such file or directory"},
                      TUnwritableCase{"a_folder", ".", {"identify", "--json"}, "Is a directory"},
                      // Created, but every write fails, the first in the middle of the transfer.
                      TUnwritableCase{"device_full",
                                      "/dev/full",
                                      {"config", "read", "1", "FILE"},
                                      "No space left on device"}),
    [](const auto& info) { return std::string(info.param.name); });

// A configuration file unlike the initial image, so that a read that goes wrong shows.
std::string MachineFile(const TTempFolder& dir) {
  auto image = std::make_unique<TConfigImage>();
  ResetConfigImage(*image);
  std::mt19937 random(5);
  for (size_t i = 0; i < kMemoryImageSize / 3; ++i)
    image->MemoryImage[i] = static_cast<uint8_t>(random());
  SetSettingsWord(*image, MemLayout, 3);
  const std::string path = dir.File("machine.bin");
  EXPECT_TRUE(SaveConfigImageFile(path, *image).ok());
  return path;
}

TEST(CliReplay, RecordedConfigReadReplaysToTheSameFile) {
  TTempFolder dir;
  const std::string machine = MachineFile(dir);
  const std::string trace = dir.File("field.jsonl");
  {
    TSimProcess module({"--program", "bootloader"});
    TRunResult r =
        RunProgram(KARVELM_CLI_PATH, At(module.Port(), {"config", "write", "1", machine}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = RunProgram(KARVELM_CLI_PATH,
                   At(module.Port(), {"--trace", trace, "config", "read", "1", dir.File("a.bin")}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(module.Stop(), 0);
  }
  ASSERT_EQ(TTempFolder::Read(dir.File("a.bin")), TTempFolder::Read(machine));

  // The lab: no module, only the recording.
  TSimProcess replay({"--replay", trace}, dir.File("replay.err"));
  TRunResult r =
      RunProgram(KARVELM_CLI_PATH, At(replay.Port(), {"--trace", dir.File("lab.jsonl"), "config",
                                                      "read", "1", dir.File("b.bin")}));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(replay.Stop(), 0) << TTempFolder::Read(dir.File("replay.err"));
  EXPECT_EQ(TTempFolder::Read(dir.File("b.bin")), TTempFolder::Read(machine));
  // The lab run sent and got what the field run did.
  const std::vector<json> field = ReadTrace(trace), lab = ReadTrace(dir.File("lab.jsonl"));
  ASSERT_EQ(field.size(), lab.size());
  for (size_t i = 0; i < field.size(); ++i) EXPECT_EQ(field[i]["hex"], lab[i]["hex"]) << i;
}

TEST(CliReplay, ARequestTheRecordingDoesNotHoldIsReportedWithItsPosition) {
  TTempFolder dir;
  const std::string trace = dir.File("field.jsonl");
  {
    TSimProcess module({"--program", "bootloader"});
    const TRunResult r =
        RunProgram(KARVELM_CLI_PATH,
                   At(module.Port(), {"--trace", trace, "config", "read", "1", dir.File("a.bin")}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  // Both configurations share the common block, read first; the next block read, of the
  // settings, is at another storage address for configuration 2: the first request the
  // recording does not hold.
  size_t request = 0, line = 0, openReads = 0;
  for (const json& packet : ReadTrace(trace)) {
    ++line;
    if (packet["dir"] != "out") continue;
    ++request;
    if (packet["command"] == "cmdOpenRead" && ++openReads == 2) break;
  }
  ASSERT_EQ(openReads, 2u);
  TSimProcess replay({"--replay", trace}, dir.File("replay.err"));
  const TRunResult r =
      RunProgram(KARVELM_CLI_PATH, At(replay.Port(), {"config", "read", "2", dir.File("b.bin")}));
  EXPECT_EQ(r.exitCode, 1) << "no answer once the requests left the recording";
  EXPECT_EQ(replay.Stop(), 3);
  const std::string err = TTempFolder::Read(dir.File("replay.err"));
  EXPECT_NE(err.find("replay left the recording at request " + std::to_string(request) + " (line " +
                     std::to_string(line) + "): expected cmdOpenRead"),
            std::string::npos)
      << err;
  EXPECT_NE(err.find("received cmdOpenRead"), std::string::npos) << err;
}

}  // namespace
}  // namespace karvelm
