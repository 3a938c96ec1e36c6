// karvelm-sim's serving loop on 127.0.0.1, in process and as the program itself.
#include "sim/udp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "link/ext_intf.h"
#include "link/framing.h"
#include "link/transactions.h"
#include "link_state_scope.h"
#include "sim/byte_order.h"

namespace karvelm {
namespace {

// A UDP socket on 127.0.0.1 and a free port, for a client of the server.
class TLoopbackSocket {
 public:
  TLoopbackSocket() {
    fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in local = Loopback(0);
    ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    socklen_t length = sizeof local;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
    port = ntohs(local.sin_port);
  }
  ~TLoopbackSocket() { ::close(fd); }
  static sockaddr_in Loopback(uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
  }
  void SendTo(uint16_t toPort, const uint8_t* bytes, int size) {
    sockaddr_in to = Loopback(toPort);
    ::sendto(fd, bytes, static_cast<size_t>(size), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  }
  int Receive(uint8_t* buffer, int size, int timeout) {
    pollfd waiter{fd, POLLIN, 0};
    if (::poll(&waiter, 1, timeout) <= 0) return -1;
    return static_cast<int>(::recv(fd, buffer, static_cast<size_t>(size), 0));
  }
  int fd = -1;
  uint16_t port = 0;
};

// A port that was free a moment ago, for the link's local end.
uint16_t FreePort() {
  return TLoopbackSocket().port;
}

class SimServerTest : public ::testing::Test {
 protected:
  TLinkStateScope linkState;
  static TSimServerOptions AnyPort() {
    TSimServerOptions options;
    options.port = 0;
    return options;
  }
};

TEST_F(SimServerTest, ServesTheLinkOperations) {
  TSimConfig config;
  config.restartMs = 50;
  TSimUdpServer server(config, AnyPort());
  ASSERT_NE(server.Port(), 0);
  server.Start();
  OpenLink(itUDP, "127.0.0.1", server.Port(), FreePort());

  EXPECT_TRUE(CheckModule(FirmwareIdFor(itUDP), 250));
  uint8_t write[20] = {0x82, 0xEF, 0, 0, 0x34, 0x12};
  EXPECT_TRUE(Transact(0x04, write, 20, nullptr, 0, 250));
  uint8_t read[12] = {0x82, 0xEF, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
  uint8_t word[2] = {};
  EXPECT_TRUE(ReadData(0x03, read, 12, word, 2, 250));
  EXPECT_EQ(GetU16(word), 0x1234);

  // Delayed answers go out when due, without another datagram to wake the loop.
  server.WithSim([](TModuleSim& sim) { sim.Faults().delayMs = 30; });
  EXPECT_TRUE(CheckModule(FirmwareIdFor(itUDP), 250));
  server.WithSim([](TModuleSim& sim) { sim.Faults().delayMs = 0; });

  ASSERT_TRUE(SendCommand(0x09, nullptr, 0));
  bool loader = false;
  for (int i = 0; i < 100 && !loader; ++i) loader = CheckModule(LOADER_ID, 10);
  EXPECT_TRUE(loader);

  server.WithSim([](TModuleSim& sim) {
    ASSERT_FALSE(sim.Received().empty());
    const std::vector<uint8_t>& first = sim.Received()[0].raw;
    ASSERT_EQ(first.size(), 64u) << "the link pads short datagrams";
    EXPECT_EQ(GetU16(first.data() + 2), 12) << "an identify packet without payload";
    EXPECT_EQ(sim.Bus().Peek(0xEF82), 0x1234);
  });
  CloseLink();
  server.Stop();
}

TEST_F(SimServerTest, AnswersEachSenderAtItsOwnAddressPaddedTo64Bytes) {
  TSimUdpServer server({}, AnyPort());
  server.Start();
  TLoopbackSocket first, second;
  uint8_t packet[12];
  BuildFramedPacket(packet, 1, 0x01, 5, nullptr, 0);
  first.SendTo(server.Port(), packet, 12);
  BuildFramedPacket(packet, 1, 0x02, 9, nullptr, 0);
  second.SendTo(server.Port(), packet, 12);

  uint8_t reply[2048];
  ASSERT_EQ(first.Receive(reply, sizeof reply, 2000), 64);
  EXPECT_EQ(GetU16(reply + 2), 14);
  EXPECT_EQ(GetU32(reply + 4), 5u);
  EXPECT_EQ(GetU16(reply + 12), 0x3B07);
  ASSERT_EQ(second.Receive(reply, sizeof reply, 2000), 64);
  EXPECT_EQ(GetU32(reply + 4), 9u);
  EXPECT_EQ(GetU32(reply + 12), 0x02002200u);
  EXPECT_EQ(first.Receive(reply, sizeof reply, 50), -1) << "nothing more for the first";
  server.Stop();
}

TEST_F(SimServerTest, RefusesAddressesOutsideLoopback) {
  TSimServerOptions options = AnyPort();
  for (const char* address : {"0.0.0.0", "10.1.2.3", "192.168.0.10", "localhost", ""}) {
    options.bindAddress = address;
    EXPECT_THROW(TSimUdpServer({}, options), std::runtime_error) << address;
  }
  options.bindAddress = "127.0.0.2";
  EXPECT_NO_THROW(TSimUdpServer({}, options));
  EXPECT_TRUE(IsLoopbackAddress("127.255.255.254"));
  EXPECT_FALSE(IsLoopbackAddress("128.0.0.1"));
}

TEST_F(SimServerTest, StopEndsAnIdleServerPromptly) {
  TSimUdpServer server({}, AnyPort());
  server.Start();
  server.Stop();
  server.Stop();  // twice is harmless
  SUCCEED();
}

// The program: prints its address when ready, serves, and ends cleanly on SIGTERM.
TEST_F(SimServerTest, ProgramServesUntilSigterm) {
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  const char* argv[] = {KARVELM_SIM_PROGRAM,  "--port",     "0",    "--quiet",
                        "--firmware-version", "0x03010200", nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, KARVELM_SIM_PROGRAM, &actions, nullptr,
                        const_cast<char* const*>(argv), environ),
            0);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);

  std::string line;
  char c = 0;
  pollfd waiter{out[0], POLLIN, 0};
  while (line.find('\n') == std::string::npos && ::poll(&waiter, 1, 5000) > 0 &&
         ::read(out[0], &c, 1) == 1)
    line += c;
  ::close(out[0]);
  unsigned port = 0;
  const bool ready = std::sscanf(line.c_str(), "karvelm-sim listening on 127.0.0.1:%u", &port) == 1;
  EXPECT_TRUE(ready) << line;
  if (ready) {
    OpenLink(itUDP, "127.0.0.1", static_cast<uint16_t>(port), FreePort());
    EXPECT_TRUE(CheckModule(FirmwareIdFor(itUDP), 250));
    uint8_t version[4] = {};
    EXPECT_TRUE(Transact(0x02, nullptr, 0, version, 4, 250));
    EXPECT_EQ(GetU32(version), 0x03010200u);
    CloseLink();
  }
  ::kill(child, SIGTERM);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace karvelm
