#include "app/sim_links.h"

#include "sim/peripheral_setup.h"
#include "sim/sim_images.h"
#include "sim/sim_transport.h"

namespace karvelm {

TSimulatorLinks::TSimulatorLinks(TSimConfig config, TClock* clock)
    : FSim(std::make_unique<TModuleSim>(config, clock)) {}

TSimulatorLinks::~TSimulatorLinks() {
  if (ActiveLink) {
    auto* transport = dynamic_cast<TSimTransport*>(&ActiveLink->Transport());
    if (transport && &transport->Sim() == FSim.get()) CloseLink();
  }
}

void TSimulatorLinks::MakeLively() {
  ApplyPeripheralSetup(*FSim, LivelySetup());
}

TLinkFactory TSimulatorLinks::Factory() {
  return [this](TIntfType kind, const std::string&) {
    return std::make_unique<TExtIntf>(kind, std::make_unique<TSimTransport>(*FSim, kind));
  };
}

std::shared_ptr<TImageSource> TSimulatorLinks::FirmwareImages() {
  // The simulated module recognises its own images, so the whole update flow can be tried.
  return MakeSimImageSource();
}

}  // namespace karvelm
