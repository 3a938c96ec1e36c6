#include "link/socket_udp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "link/ext_intf.h"
#include "link/link_error.h"
#include "link/transactions.h"
#include "link/udp_transport.h"
#include "link_state_scope.h"
#include "scripted_transport.h"
#include "udp_test_ports.h"

namespace karvelm {
namespace {

using testing::Bytes;
using testing::Framed;
using testing::FreeUdpPort;
using testing::SequenceOf;
using testing::TPeerSocket;

class UdpTest : public ::testing::Test {
 protected:
  TPeerSocket peer;
  uint16_t localPort = FreeUdpPort();
  TSocketUDP link{"127.0.0.1", peer.Port(), localPort};
};

TEST_F(UdpTest, ShortPacketsArePaddedLongOnesSentWhole) {
  struct Case {
    int size;
    long onWire;
  } cases[] = {{12, 64}, {0, 64}, {64, 64}, {65, 65}, {300, 300}};
  for (const Case& c : cases) {
    std::vector<uint8_t> packet(static_cast<size_t>(c.size), 0xA5);
    ASSERT_TRUE(SendDatagram(link.client(), packet.data(), c.size));
    uint8_t buffer[2048];
    long got = peer.Receive(buffer, sizeof buffer);
    EXPECT_EQ(got, c.onWire) << c.size;
    if (c.size > 0) {
      EXPECT_EQ(buffer[c.size - 1], 0xA5);
    }
  }
}

TEST_F(UdpTest, ReceiveCutsToSizeAndAcceptsEmptyDatagrams) {
  std::vector<uint8_t> big(1500);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i);
  peer.SendTo(localPort, big.data(), big.size());
  std::vector<uint8_t> destination(1500, 0xEE);
  int received = -1;
  ASSERT_TRUE(ReceiveDatagram(link.client(), destination.data(), 1064, 1000, &received));
  EXPECT_EQ(received, 1064);
  EXPECT_EQ(destination[1063], static_cast<uint8_t>(1063));
  EXPECT_EQ(destination[1064], 0xEE);

  peer.SendTo(localPort, nullptr, 0);
  destination.assign(4, 0xEE);
  ASSERT_TRUE(ReceiveDatagram(link.client(), destination.data(), 4, 1000, &received));
  EXPECT_EQ(received, 0);
  EXPECT_EQ(destination[0], 0xEE);
}

TEST_F(UdpTest, OversizedDatagramIsRefusedAndTakenOffTheQueue) {
  std::vector<uint8_t> huge(kUdpBufferSize + 100, 1);
  peer.SendTo(localPort, huge.data(), huge.size());
  const uint8_t next[] = {7};
  peer.SendTo(localPort, next, 1);
  uint8_t destination[8] = {};
  EXPECT_FALSE(ReceiveDatagram(link.client(), destination, 8, 1000));
  int received = 0;
  ASSERT_TRUE(ReceiveDatagram(link.client(), destination, 8, 1000, &received));
  EXPECT_EQ(received, 1);
  EXPECT_EQ(destination[0], 7);
}

TEST_F(UdpTest, TimeoutsAreBounded) {
  uint8_t destination[8];
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(ReceiveDatagram(link.client(), destination, 8, 0));
  auto zero = std::chrono::steady_clock::now() - start;
  EXPECT_LT(zero, std::chrono::milliseconds(50));

  start = std::chrono::steady_clock::now();
  EXPECT_FALSE(ReceiveDatagram(link.client(), destination, 8, 1500));
  auto waited = std::chrono::steady_clock::now() - start;
  // A wait of a second or more must still be honoured, and must end.
  EXPECT_GE(waited, std::chrono::milliseconds(1400));
  EXPECT_LT(waited, std::chrono::milliseconds(3000));
}

// A wait lasts what was asked: no rounding up to a kernel tick or a millisecond, no time
// lost between repeated waits, and not shorter either.
TEST_F(UdpTest, WaitsLastTheirTimeoutAndNoLonger) {
  using std::chrono::microseconds;
  using std::chrono::milliseconds;
  struct Case {
    int timeout;
    int runs;
    microseconds slack;  // a doubled or a 2% longer wait is beyond it
  } cases[] = {{10, 5, microseconds(2000)}, {1000, 2, microseconds(5000)}};
  for (const Case& c : cases) {
    auto shortest = std::chrono::steady_clock::duration::max();
    for (int run = 0; run < c.runs; ++run) {
      uint8_t destination[8];
      const auto start = std::chrono::steady_clock::now();
      EXPECT_FALSE(ReceiveDatagram(link.client(), destination, 8, c.timeout));
      const auto waited = std::chrono::steady_clock::now() - start;
      EXPECT_GE(waited, milliseconds(c.timeout)) << c.timeout;
      shortest = std::min(shortest, waited);
    }
    // Scheduling noise only lengthens a wait; the shortest run shows the wait itself.
    EXPECT_LT(shortest, milliseconds(c.timeout) + c.slack)
        << c.timeout << " ms took " << std::chrono::duration_cast<microseconds>(shortest).count()
        << " us";
  }
}

TEST(UdpSocket, HandleZeroNeverTouchesTheNetwork) {
  uint8_t packet[12] = {};
  EXPECT_FALSE(SendDatagram(0, packet, 12));
  EXPECT_FALSE(ReceiveDatagram(0, packet, 12, 0));
}

// A closed link's descriptor number handed out again to a socket that never had a receive
// timeout: the wait must still end after the caller's timeout.
TEST(UdpSocket, ReusedDescriptorStillWaitsOnlyTheTimeout) {
  TPeerSocket peer;
  int reused = -1;
  {
    TSocketUDP link("127.0.0.1", peer.Port(), FreeUdpPort());
    uint8_t nothing[8];
    EXPECT_FALSE(ReceiveDatagram(link.client(), nothing, 8, 100));
    reused = link.client();
  }
  const uint16_t port = FreeUdpPort();
  const int raw = ::socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_GE(raw, 0);
  if (raw != reused) {
    ASSERT_EQ(::dup2(raw, reused), reused);
    ::close(raw);
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(reused, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  // Wakes a receive that would otherwise block for ever.
  std::thread rescue([&peer, port] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const uint8_t wake = 1;
    peer.SendTo(port, &wake, 1);
  });
  uint8_t destination[8];
  const auto start = std::chrono::steady_clock::now();
  const bool got = ReceiveDatagram(reused, destination, 8, 100);
  const auto waited = std::chrono::steady_clock::now() - start;
  rescue.join();
  ::close(reused);
  EXPECT_FALSE(got);
  EXPECT_LT(waited, std::chrono::milliseconds(1000));
}

TEST(UdpSocket, PortInUseGivesTheBindError) {
  TPeerSocket peer;
  const uint16_t localPort = FreeUdpPort();
  TSocketUDP first("127.0.0.1", peer.Port(), localPort);
  try {
    TSocketUDP second("127.0.0.1", peer.Port(), localPort);
    FAIL() << "the second bind must fail";
  } catch (const TOSError& error) {
    EXPECT_STREQ(error.what(), "Socket bind error 98.");
    EXPECT_EQ(error.Code(), 98);
  }
}

TEST(UdpLink, OpensConnectedAndFailsCheckModuleByTimeout) {
  TLinkStateScope linkState;
  TPeerSocket silentModule;
  const uint16_t localPort = FreeUdpPort();
  OpenLink(itUDP, "127.0.0.1", silentModule.Port(), localPort);
  ASSERT_TRUE(ActiveLink);
  EXPECT_TRUE(ActiveLink->Connected());
  EXPECT_EQ(ActiveLink->IntfType(), itUDP);
  EXPECT_FALSE(CheckModule(LOADER_ID, 20));
  uint8_t seen[64];
  int commands = 0;
  while (silentModule.Receive(seen, sizeof seen) == 64) {
    EXPECT_EQ(seen[1], 0x01);
    if (++commands == 3) break;
  }
  EXPECT_EQ(commands, 3);

  // A second link on the same local port fails with the bind error and leaves no link.
  CloseLink();
  TSocketUDP holder("127.0.0.1", silentModule.Port(), localPort);
  EXPECT_THROW(OpenLink(itUDP, "127.0.0.1", silentModule.Port(), localPort), TOSError);
  EXPECT_FALSE(ActiveLink);
}

// A module that keeps answering an old packet, faster than the timeout: the transaction
// still ends, after about its own timeout, as a timeout does.
TEST(UdpLink, EndlessStaleDatagramsEndTheTransaction) {
  TLinkStateScope linkState;
  TPeerSocket module;
  const uint16_t localPort = FreeUdpPort();
  OpenLink(itUDP, "127.0.0.1", module.Port(), localPort);
  SequenceNumber = 500;
  std::atomic<bool> stop = false;
  std::thread stale([&] {
    const Bytes reply = Framed(1, 0, 7, {0x34, 0x12});
    while (!stop) {
      module.SendTo(localPort, reply.data(), reply.size());
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  uint8_t payload[2] = {};
  const auto start = std::chrono::steady_clock::now();
  const bool ok = Transact(0x02, nullptr, 0, payload, 2, 100);
  const auto waited = std::chrono::steady_clock::now() - start;
  stop = true;
  stale.join();
  EXPECT_FALSE(ok);
  EXPECT_GE(waited, std::chrono::milliseconds(99));
  EXPECT_LT(waited, std::chrono::milliseconds(600));
  EXPECT_EQ(SequenceNumber, 7u);
}

// Opening over an open link on the same local port: the old link goes first, so its socket
// gives the port back before the new one binds it.
TEST(UdpLink, ReopeningOnTheSameLocalPortReplacesTheLink) {
  TLinkStateScope linkState;
  TPeerSocket module;
  const uint16_t localPort = FreeUdpPort();
  ASSERT_NO_THROW(OpenLink(itUDP, "127.0.0.1", module.Port(), localPort));
  ASSERT_NO_THROW(OpenLink(itUDP, "127.0.0.1", module.Port(), localPort));
  ASSERT_TRUE(ActiveLink);
  EXPECT_TRUE(ActiveLink->Connected());

  // The new link carries traffic both ways on that port.
  ASSERT_TRUE(SendCommand(0x02, nullptr, 0));
  uint8_t seen[64];
  ASSERT_EQ(module.Receive(seen, sizeof seen), 64);
  EXPECT_EQ(seen[1], 0x02);
  const Bytes reply = Framed(1, 0, SequenceOf(Bytes(seen, seen + 12)), {0x34, 0x12});
  module.SendTo(localPort, reply.data(), reply.size());
  uint8_t payload[2] = {};
  uint32_t sequence = 99;
  ASSERT_TRUE(ReceiveReply(payload, 2, 1000, sequence));
  EXPECT_EQ(sequence, 0u);
  EXPECT_EQ(payload[0], 0x34);
  EXPECT_EQ(payload[1], 0x12);
}

// The itUDP link made through the USB constructor form is never connected: not a datagram
// may leave it. The factory puts a loopback peer where the default module address would be.
TEST(UdpLink, LinkMadeThroughTheUsbFormSendsNothing) {
  TLinkStateScope linkState;
  TPeerSocket module;
  std::string askedAddress;
  uint16_t askedPort = 0;
  bool askedConnected = true;
  SetUdpTransportFactory([&](const std::string& address, uint16_t port, uint16_t, bool connected) {
    askedAddress = address;
    askedPort = port;
    askedConnected = connected;
    return std::make_unique<TUdpTransport>("127.0.0.1", module.Port(), FreeUdpPort(), connected);
  });
  SequenceNumber = 3;
  OpenLink(itUDP, kModuleVendorId, kProductIdOld);
  SetUdpTransportFactory(nullptr);
  EXPECT_EQ(askedAddress, kDefaultModuleAddress);
  EXPECT_EQ(askedPort, kDefaultModulePort);
  EXPECT_FALSE(askedConnected);
  ASSERT_TRUE(ActiveLink);
  EXPECT_FALSE(ActiveLink->Connected());

  const uint8_t packet[12] = {1, 1, 12};
  EXPECT_FALSE(ActiveLink->Write(packet, 12));
  EXPECT_FALSE(SendCommand(0x01, nullptr, 0));
  EXPECT_FALSE(Transact(0x02, nullptr, 0, nullptr, 0, 10));
  EXPECT_FALSE(CheckModule(kFirmwareIdNew, 10));
  uint8_t seen[64];
  EXPECT_LT(module.Receive(seen, sizeof seen), 0) << "a datagram went out";
}

// The transport refuses on its own too, whoever holds it.
TEST(UdpLink, TransportMadeNotConnectedRefusesBothWays) {
  TPeerSocket module;
  const uint16_t localPort = FreeUdpPort();
  TUdpTransport transport("127.0.0.1", module.Port(), localPort, false);
  EXPECT_FALSE(transport.Connected());
  const uint8_t packet[12] = {1, 1, 12};
  EXPECT_FALSE(transport.Write(packet, 12));
  uint8_t seen[64];
  EXPECT_LT(module.Receive(seen, sizeof seen), 0) << "a datagram went out";
  module.SendTo(localPort, packet, sizeof packet);
  int received = -1;
  EXPECT_FALSE(transport.Read(seen, sizeof seen, 50, &received));
  EXPECT_EQ(received, 0);
}

TEST(UdpLink, UnknownKindIsARangeError) {
  for (int kind : {3, -1}) {
    try {
      TExtIntf link(static_cast<TIntfType>(kind), "127.0.0.1", 1, FreeUdpPort());
      FAIL();
    } catch (const TRangeError& error) {
      EXPECT_STREQ(error.what(), "Неверный тип интерфейса.");
    }
    EXPECT_THROW(TExtIntf(static_cast<TIntfType>(kind), 0x03EB, 0x6202), TRangeError);
  }
}

}  // namespace
}  // namespace karvelm
