// The in-process link to the simulated module: a transport of any link kind whose writes go
// to the model and whose reads take the model's queued answers.
#pragma once

#include "link/intf_type.h"
#include "link/transport.h"
#include "sim/module_sim.h"

namespace karvelm {

// How long a USB feature-report request waits for a delayed answer before it fails, as the
// host's control-transfer timeout would.
constexpr int kSimUsbRequestWaitMs = 5000;

class TSimTransport final : public TLinkTransport {
 public:
  // The model must outlive the transport.
  TSimTransport(TModuleSim& sim, TIntfType kind) : FSim(sim), FKind(kind) {}

  // Unplugged, or off the bus while a USB module restarts (when the model says it
  // re-enumerates), writes and reads fail as on a device that is gone.
  bool Connected() const override { return FPlugged && !OffTheBus(); }
  void SetPlugged(bool plugged) { FPlugged = plugged; }

  // The device may refuse a report (strict model, wrong size or ID): the write fails.
  bool Write(const uint8_t* report, int size) override;
  // itHID_NEW takes the oldest answer of the report ID in byte 0; the other kinds the oldest
  // of any type. On itUDP a read waits on the model's clock up to timeout ms, as a socket
  // would, also when nothing comes; on the USB kinds a request with nothing queued fails at
  // once and a delayed answer is waited for.
  bool Read(uint8_t* report, int size, int timeout, int* received) override;

  TModuleSim& Sim() { return FSim; }
  TIntfType Kind() const { return FKind; }

 private:
  bool OffTheBus() const;

  TModuleSim& FSim;
  TIntfType FKind;
  bool FPlugged = true;
};

}  // namespace karvelm
