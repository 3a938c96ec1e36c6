// The simulated module as a HID device of the fake backend: every feature report written to
// the device goes to a TModuleSim of the right generation, and every report fetched is the
// model's answer for the report ID in byte 0.
#pragma once

#include "base/clock.h"
#include "hid_fake_backend.h"
#include "link/intf_type.h"
#include "sim/module_sim.h"
#include "sim/sim_transport.h"

namespace karvelm::testing {

constexpr uint16_t ProductIdFor(TIntfType kind) {
  return kind == itHID_OLD ? kProductIdOld : kProductIdNew;
}

struct TSimHidModule {
  explicit TSimHidModule(TIntfType kind, TSimConfig config = {},
                         const std::string& path = "/dev/hidraw-module")
      : sim(std::move(config), &clock),
        transport(sim, kind),
        device(MakeFakeHidDevice(path, kModuleVendorId, ProductIdFor(kind))) {
    device->onSetFeature = [this](const uint8_t* report, int size) {
      return transport.Write(report, size);
    };
    device->onGetFeature = [this](uint8_t* report, int size, int* received) {
      return transport.Read(report, size, 0, received);
    };
  }
  TSimHidModule(const TSimHidModule&) = delete;
  TSimHidModule& operator=(const TSimHidModule&) = delete;

  TFakeClock clock;  // the model's restart silence runs on it
  TModuleSim sim;
  TSimTransport transport;
  TFakeHidDevicePtr device;
};

}  // namespace karvelm::testing
