#include "app/link_chooser.h"

namespace karvelm {

std::unique_ptr<TExtIntf> MakeHardwareLink(TIntfType kind, const std::string& ip) {
  switch (kind) {
    case itHID_OLD:
      return std::make_unique<TExtIntf>(kind, kModuleVendorId, kProductIdOld);
    case itHID_NEW:
      return std::make_unique<TExtIntf>(kind, kModuleVendorId, kProductIdNew);
    case itUDP:
    default:
      return std::make_unique<TExtIntf>(kind, ip, kDefaultModulePort);
  }
}

void OpenLinkOfKind(int index, const std::string& ip, const TLinkFactory& factory,
                    uint16_t& devId) {
  CloseLink();
  if (index < 0) return;
  const auto kind = static_cast<TIntfType>(ClampIntfIndex(index));
  OpenLink(factory(kind, ip));
  devId = FirmwareIdFor(kind);
}

}  // namespace karvelm
