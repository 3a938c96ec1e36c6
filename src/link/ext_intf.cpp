#include "link/ext_intf.h"

#include "link/hid_transport.h"
#include "link/link_error.h"
#include "link/udp_transport.h"

namespace karvelm {

namespace {

[[noreturn]] void ThrowBadKind() {
  throw TRangeError("Неверный тип интерфейса.");
}

bool IsUsbKind(TIntfType intf) {
  return intf == itHID_OLD || intf == itHID_NEW;
}

}  // namespace

std::unique_ptr<TExtIntf> ActiveLink;

TExtIntf::TExtIntf(TIntfType intf, uint16_t VID, uint16_t PID) : FIntfType(intf) {
  if (IsUsbKind(intf)) {
    FTransport = MakeHidTransport(intf, VID, PID);
  } else if (intf == itUDP) {
    FTransport = std::make_unique<TUdpTransport>(kDefaultModuleAddress, kDefaultModulePort,
                                                 kDefaultLocalPort);
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
    FTransport = std::make_unique<TUdpTransport>(IPAddress, Port, localPort);
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

bool TExtIntf::Write(const uint8_t* Report, int Size) {
  return FTransport->Write(Report, Size);
}

bool TExtIntf::Read(uint8_t* Report, int Size, int timeout, int* received) {
  int got = 0;
  bool ok = FTransport->Read(Report, Size, timeout, &got);
  if (received) *received = ok ? got : 0;
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
