// Playing a recorded packet trace back as the module: answers renumbered for the live
// requests, and where the live requests leave the recording.
#include "sim/trace_replay.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "config/config_image.h"
#include "config/config_transfer.h"
#include "link/commands.h"
#include "link/ext_intf.h"
#include "link/framing.h"
#include "link/packet_trace.h"
#include "link_state_scope.h"
#include "sim/udp_server.h"
#include "temp_folder.h"

namespace karvelm {
namespace {

using Packet = std::vector<uint8_t>;

struct TRecording {
  std::string path;
  std::vector<Packet> requests;              // what the link wrote, in order
  std::vector<std::vector<Packet>> answers;  // what it read after each request
};

// A configuration read over loopback UDP against the simulator, traced.
TRecording RecordConfigRead(const TTempFolder& dir) {
  TLinkStateScope link;
  TSimConfig config;
  config.program = spLoader;
  TSimServerOptions options;
  options.port = 0;
  TSimUdpServer server(config, options);
  server.Start();
  TRecording recording{dir.File("read.jsonl"), {}, {}};
  {
    TPacketTraceScope trace(recording.path, [](const std::string& reason) { FAIL() << reason; });
    OpenLink(itUDP, "127.0.0.1", server.Port(), 0);
    auto image = std::make_unique<TConfigImage>();
    ResetConfigImage(*image);
    EXPECT_TRUE(ReadConfiguration(*image, 0).AllOk());
    CloseLink();
  }
  server.Stop();
  std::istringstream lines(TTempFolder::Read(recording.path));
  for (std::string line; std::getline(lines, line);) {
    const size_t at = line.find("\"hex\":\"") + 7;
    Packet bytes;
    for (size_t i = at; line[i] != '"'; i += 2)
      bytes.push_back(static_cast<uint8_t>(std::stoi(line.substr(i, 2), nullptr, 16)));
    if (line.find("\"dir\":\"out\"") != std::string::npos) {
      recording.requests.push_back(bytes);
      recording.answers.emplace_back();
    } else {
      recording.answers.back().push_back(bytes);
    }
  }
  return recording;
}

// The request as another run would send it: the link's counter elsewhere.
Packet Renumbered(Packet packet, uint32_t shift) {
  PutU32(packet.data() + 4, GetU32(packet.data() + 4) + shift);
  PutU32(packet.data() + 8, 0);
  PutU32(packet.data() + 8, PacketChecksum(packet.data(), GetU16(packet.data() + 2)));
  return packet;
}

class TraceReplay : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TTempFolder;
    recording_ = new TRecording(RecordConfigRead(*folder_));
  }
  static void TearDownTestSuite() {
    delete recording_;
    delete folder_;
  }
  static TTempFolder* folder_;
  static TRecording* recording_;
};

TTempFolder* TraceReplay::folder_ = nullptr;
TRecording* TraceReplay::recording_ = nullptr;

TEST_F(TraceReplay, AnswersFollowTheLiveSequenceNumbers) {
  const TRecording& rec = *recording_;
  ASSERT_GT(rec.requests.size(), 20u);
  TTraceReplay replay = TTraceReplay::FromFile(rec.path);
  EXPECT_EQ(replay.Requests(), rec.requests.size());
  const uint32_t shift = 0xFFFFFF00u;  // the counter wraps during the run
  for (size_t i = 0; i < rec.requests.size(); ++i) {
    const Packet live = Renumbered(rec.requests[i], shift);
    const std::vector<Packet> answers = replay.Answer(live.data(), static_cast<int>(live.size()));
    ASSERT_EQ(answers.size(), rec.answers[i].size()) << "request " << i;
    for (size_t k = 0; k < answers.size(); ++k) {
      TFramedView view;
      ASSERT_TRUE(ParseFramedPacket(answers[k].data(), static_cast<int>(answers[k].size()), view));
      EXPECT_EQ(view.sequence, GetU32(live.data() + 4)) << "request " << i;
      EXPECT_EQ(answers[k], Renumbered(rec.answers[i][k], shift)) << "checksum filled anew";
    }
  }
  EXPECT_EQ(replay.Departure(), "");
  EXPECT_EQ(replay.Unfinished(), "");
}

TEST_F(TraceReplay, DepartureNamesThePositionAndBothPackets) {
  const TRecording& rec = *recording_;
  // The second block read, asked for at another storage address.
  size_t k = 1;
  while (k < rec.requests.size() && rec.requests[k][1] != cmdOpenRead) ++k;
  for (++k; k < rec.requests.size() && rec.requests[k][1] != cmdOpenRead;) ++k;
  ASSERT_LT(k + 1, rec.requests.size());
  size_t line = 1;
  TTraceReplay replay = TTraceReplay::FromFile(rec.path);
  for (size_t i = 0; i < k; ++i) {
    replay.Answer(rec.requests[i].data(), static_cast<int>(rec.requests[i].size()));
    line += 1 + rec.answers[i].size();
  }
  Packet other = rec.requests[k];
  other[kFramedHeaderSize + 1] ^= 0x40;
  other = Renumbered(other, 0);
  EXPECT_TRUE(replay.Answer(other.data(), static_cast<int>(other.size())).empty());
  const std::string departure = replay.Departure();
  EXPECT_EQ(departure.rfind("request " + std::to_string(k + 1) + " (line " + std::to_string(line) +
                                "): expected cmdOpenRead (type 1, code 0x07, seq ",
                            0),
            0u)
      << departure;
  EXPECT_NE(departure.find(", received cmdOpenRead (type 1, code 0x07"), std::string::npos)
      << departure;
  EXPECT_NE(departure.find("they differ at byte 13"), std::string::npos) << departure;
  // From there on nothing is answered, not even what the recording holds next.
  const Packet& next = rec.requests[k + 1];
  EXPECT_TRUE(replay.Answer(next.data(), static_cast<int>(next.size())).empty());
  EXPECT_EQ(replay.Departure(), departure) << "the first departure is kept";
  EXPECT_EQ(replay.Unfinished(), "") << "the departure is the report";
}

TEST_F(TraceReplay, LiveSideStoppingEarlyAndGoingBeyond) {
  const TRecording& rec = *recording_;
  TTraceReplay early = TTraceReplay::FromFile(rec.path);
  for (size_t i = 0; i < 2; ++i)
    early.Answer(rec.requests[i].data(), static_cast<int>(rec.requests[i].size()));
  EXPECT_EQ(early.Unfinished().rfind(
                "the live requests stopped after request 2 of " +
                    std::to_string(rec.requests.size()) + "; the recording goes on at line " +
                    std::to_string(3 + rec.answers[0].size() + rec.answers[1].size()) + " with ",
                0),
            0u)
      << early.Unfinished();

  TTraceReplay beyond = TTraceReplay::FromFile(rec.path);
  for (const Packet& request : rec.requests)
    beyond.Answer(request.data(), static_cast<int>(request.size()));
  beyond.Answer(rec.requests[0].data(), static_cast<int>(rec.requests[0].size()));
  EXPECT_EQ(
      beyond.Departure().rfind("request " + std::to_string(rec.requests.size() + 1) +
                                   ": the recording has no more requests, received cmdIdentify",
                               0),
      0u)
      << beyond.Departure();
}

TEST(TraceReplayFile, RefusesWhatIsNotAnEthernetTrace) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"{\"dir\":\"out\",\"link\":\"udp\",\"hex\":\"0101\"}\nnot json\n",
       "line 2: not a JSON line"},
      {"\n{\"dir\":\"in\",\"link\":\"usb2\",\"hex\":\"01\"}\n",
       "line 2: a packet of the usb2 link; only Ethernet (udp) traces replay"},
      {"{\"dir\":\"out\",\"link\":\"udp\",\"hex\":\"0g\"}\n", "line 1: bad hex bytes"},
      {"{\"dir\":\"out\",\"link\":\"udp\",\"hex\":\"010\"}\n", "line 1: bad hex bytes"},
      {"{\"dir\":\"sideways\",\"link\":\"udp\",\"hex\":\"01\"}\n", "line 1: direction 'sideways'"},
      {"[1, 2]\n", "line 1: not a packet of a trace"},
  };
  for (const auto& c : cases) {
    std::istringstream in(c.text);
    try {
      TTraceReplay replay(in);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.error, 0), 0u) << e.what();
    }
  }
}

}  // namespace
}  // namespace karvelm
