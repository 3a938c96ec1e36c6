// Opening the one link of the kind the user chose, on the hardware or on the in-process
// simulator.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "link/ext_intf.h"

namespace karvelm {

// Makes the link object of a kind; throws with the system's message when it cannot.
using TLinkFactory =
    std::function<std::unique_ptr<TExtIntf>(TIntfType kind, const std::string& ip)>;

// USB by vendor and product of the kind; Ethernet to ip, port 30000.
std::unique_ptr<TExtIntf> MakeHardwareLink(TIntfType kind, const std::string& ip);

// The radio group of link kinds keeps its index within -1..2: above 2 selects the last
// item, -1 or below selects nothing.
constexpr int ClampIntfIndex(int index) {
  return index > 2 ? 2 : index < -1 ? -1 : index;
}

// Closes the link, then opens the one of index (0..2; -1 opens none) and returns the
// firmware identity for it. With no index, or when opening throws, the identity is not
// changed; the exception reaches the caller with no link left open.
void OpenLinkOfKind(int index, const std::string& ip, const TLinkFactory& factory, uint16_t& devId);

}  // namespace karvelm
