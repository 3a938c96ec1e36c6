#include "link/ext_intf.h"

#include "link/hid_transport.h"
#include "link/link_error.h"
#include "link/packet_trace.h"
#include "link/udp_transport.h"

namespace karvelm {

namespace {

[[noreturn]] void ThrowBadKind() {
  throw TRangeError("Неверный тип интерфейса.");
}

bool IsUsbKind(TIntfType intf) {
  return intf == itHID_OLD || intf == itHID_NEW;
}

TUdpTransportFactory udpTransportFactory;

}  // namespace

void SetUdpTransportFactory(TUdpTransportFactory factory) {
  udpTransportFactory = std::move(factory);
}

std::unique_ptr<TLinkTransport> MakeUdpTransport(const std::string& ipAddress, uint16_t port,
                                                 uint16_t localPort, bool connected) {
  if (udpTransportFactory) return udpTransportFactory(ipAddress, port, localPort, connected);
  return std::make_unique<TUdpTransport>(ipAddress, port, localPort, connected);
}

std::unique_ptr<TExtIntf> ActiveLink;

TExtIntf::TExtIntf(TIntfType intf, uint16_t VID, uint16_t PID) : FIntfType(intf) {
  if (IsUsbKind(intf)) {
    FTransport = MakeHidTransport(intf, VID, PID);
  } else if (intf == itUDP) {
    // Never connected: nothing may go out to the default address through this form.
    FTransport =
        MakeUdpTransport(kDefaultModuleAddress, kDefaultModulePort, kDefaultLocalPort, false);
    FConnected = false;
  } else {
    ThrowBadKind();
  }
}

TExtIntf::TExtIntf(TIntfType intf, const std::string& IPAddress, uint16_t Port, uint16_t localPort)
    : FIntfType(intf) {
  if (IsUsbKind(intf)) {
    FTransport = MakeHidTransport(intf, kModuleVendorId, kProductIdOld);
  } else if (intf == itUDP) {
    FTransport = MakeUdpTransport(IPAddress, Port, localPort, true);
    FConnected = true;
  } else {
    ThrowBadKind();
  }
}

TExtIntf::TExtIntf(TIntfType intf, std::unique_ptr<TLinkTransport> transport)
    : FIntfType(intf), FTransport(std::move(transport)) {
  if (!IsUsbKind(intf) && intf != itUDP) ThrowBadKind();
  if (!FTransport) throw TRangeError("Неверный тип интерфейса.");
  FConnected = intf == itUDP;
}

TExtIntf::~TExtIntf() = default;

bool TExtIntf::Connected() const {
  if (FIntfType == itUDP) return FConnected && FTransport->Connected();
  return FTransport->Connected();
}

bool TExtIntf::ReopenDevice() {
  return FTransport->Reopen() && Connected();
}

// A link that is not connected carries no traffic, whatever its transport would do.
// Every packet that went out or came in passes here, whatever the transport: the trace's seam.
bool TExtIntf::Write(const uint8_t* Report, int Size) {
  const bool ok = Connected() && FTransport->Write(Report, Size);
  if (ok)
    if (TPacketTrace* trace = ActivePacketTrace())
      trace->Record(tdToModule, FIntfType, Report, Size);
  return ok;
}

bool TExtIntf::Read(uint8_t* Report, int Size, int timeout, int* received) {
  int got = 0;
  const bool ok = Connected() && FTransport->Read(Report, Size, timeout, &got);
  if (received) *received = ok ? got : 0;
  if (ok && got > 0)
    if (TPacketTrace* trace = ActivePacketTrace())
      trace->Record(tdFromModule, FIntfType, Report, got);
  return ok;
}

void OpenLink(TIntfType intf, uint16_t VID, uint16_t PID) {
  CloseLink();
  ActiveLink = std::make_unique<TExtIntf>(intf, VID, PID);
}

void OpenLink(TIntfType intf, const std::string& IPAddress, uint16_t Port, uint16_t localPort) {
  CloseLink();
  ActiveLink = std::make_unique<TExtIntf>(intf, IPAddress, Port, localPort);
}

void OpenLink(std::unique_ptr<TExtIntf> link) {
  CloseLink();
  ActiveLink = std::move(link);
}

void CloseLink() {
  ActiveLink.reset();
}

}  // namespace karvelm
