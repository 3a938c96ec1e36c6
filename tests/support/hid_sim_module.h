// The simulated module as a HID device of the fake backend: every feature report written to
// the device goes to a TModuleSim of the right generation, and every report fetched is the
// model's answer for the report ID in byte 0. With the model's usbLeavesBusOnRestart and a
// backend given by PlugInto, a restart takes the device off the backend (a removal event)
// and the first look at the clock after the restart silence plugs it back (an arrival).
#pragma once

#include <functional>
#include <vector>

#include "base/clock.h"
#include "hid_fake_backend.h"
#include "link/intf_type.h"
#include "sim/module_sim.h"
#include "sim/sim_transport.h"

namespace karvelm::testing {

constexpr uint16_t ProductIdFor(TIntfType kind) {
  return kind == itHID_OLD ? kProductIdOld : kProductIdNew;
}

// A fake clock that tells its owner whenever time is looked at or moves, so that the module
// can come back on the bus when its restart silence is over.
class TSimHidClock final : public TClock {
 public:
  uint64_t NowMs() override {
    Touch();
    return FNow;
  }
  void SleepMs(int ms) override {
    FSleeps.push_back(ms);
    if (ms > 0) FNow += static_cast<uint64_t>(ms);
    Touch();
  }
  void Advance(uint64_t ms) {
    FNow += ms;
    Touch();
  }
  const std::vector<int>& Sleeps() const { return FSleeps; }
  std::function<void()> onTime;

 private:
  void Touch() {
    if (!onTime || FInside) return;
    FInside = true;
    onTime();
    FInside = false;
  }
  uint64_t FNow = 0;
  std::vector<int> FSleeps;
  bool FInside = false;
};

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
    sim.SetRestartObserver([this] { LeaveBus(); });
    clock.onTime = [this] { ComeBack(); };
  }
  TSimHidModule(const TSimHidModule&) = delete;
  TSimHidModule& operator=(const TSimHidModule&) = delete;

  // Plugs the device into the backend, which then sees it leave and come back on restarts.
  void PlugInto(TFakeHidBackend& into) {
    backend = &into;
    into.Plug(device);
  }

  TSimHidClock clock;  // the model's restart silence runs on it
  TModuleSim sim;
  TSimTransport transport;
  TFakeHidDevicePtr device;
  TFakeHidBackend* backend = nullptr;
  bool offTheBus = false;

 private:
  void LeaveBus() {
    if (!backend || !sim.Config().usbLeavesBusOnRestart || offTheBus) return;
    offTheBus = true;
    backend->Unplug(device);
  }
  void ComeBack() {
    if (!offTheBus || sim.Restarting()) return;
    offTheBus = false;
    backend->Plug(device);
  }
};

}  // namespace karvelm::testing
