// Firmware updates as the simulated module takes them: the bootloader's firmware write, the
// firmware's version queries of the BOSI link and the control panel, and the accessory
// update protocol (prepare, status, length, 64-byte pieces, finish, resume). An image that
// is one of the simulator's own (sim_images.h) changes the target's version; any other is
// taken as opaque bytes and leaves the version as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/sim_model.h"

namespace karvelm {

class TModuleSim;

// Older than the desktop program accepts, so that it offers an update.
constexpr uint32_t kSimOldFirmwareVersion = 0x02001500;  // 2.0.21.
constexpr uint32_t kSimDefaultBosiVersion = 0x02030000;  // 2.3.0.
// The same panel the peripheral bus lists by default.
constexpr uint32_t kSimDefaultPanelVersion = 0x01090000;  // 1.9.0.
// Longest image the simulated module takes; a longer announcement is refused.
constexpr uint32_t kSimMaxFirmwareImage = 4u << 20;
constexpr uint32_t kSimMaxAccessoryImage = 1u << 20;
constexpr uint32_t kSimAccessoryPiece = 64;

// When a prepared target reports ready.
enum TSimReadiness : int {
  srAtOnce,    // the first status request after the prepare
  srAtSecond,  // the second status request
  srNever,     // never: the update cannot start
};

enum TSimUpdateTarget : int {
  stNone,
  stBosi,
  stPanel,
  stExtModule,
};

// One accessory image the module passed on, and what became of it at the finish.
struct TSimAccessoryUpdate {
  TSimUpdateTarget target = stNone;
  uint32_t address = 0;  // external modules
  std::vector<uint8_t> image;
  bool complete = false;
  std::optional<uint32_t> newVersion;  // set when the image was recognised and applied
};

class TUpdaterModel final : public TSimModel {
 public:
  // Attached devices; 0 = absent (no BOSI link, no panel). The BOSI version is reported
  // only on a first-generation link, as a real module has the link only there.
  uint32_t bosiVersion = kSimDefaultBosiVersion;
  uint32_t panelVersion = kSimDefaultPanelVersion;
  TSimReadiness readiness = srAtOnce;
  int busyPolls = 0;  // status polls answered "not ready" after each piece

  // The module's own firmware as the bootloader received it.
  struct TFirmwareWrite {
    uint32_t announced = 0;
    std::vector<uint8_t> image;  // the bytes taken so far, in order
    bool complete = false;
    bool refused = false;  // a packet broke the write; later ones are refused too
  };
  TFirmwareWrite firmware;
  // False once a firmware write has begun and until one completes: a module whose flash
  // holds a partial image comes back in its bootloader from every restart.
  bool firmwareValid = true;
  // The version a recognised image carries, taken on at the next restart into the firmware.
  std::optional<uint32_t> pendingFirmwareVersion;

  // The accessory update in progress.
  struct TSession {
    TSimUpdateTarget target = stNone;
    uint32_t address = 0;
    int statusRequests = 0;  // since the target was first prepared
    bool ready = false;
    bool transferring = false;
    uint32_t announced = 0;
    std::vector<uint8_t> image;
    int busyLeft = 0;  // polls still to answer 0 for the last piece
  };
  TSession session;
  std::vector<TSimAccessoryUpdate> finished;  // every finish, in order

  void Install(TModuleSim& sim) override;
};

// The updater's part of karvelm-sim's command line.
struct TSimUpdaterSetup {
  uint32_t bosiVersion = kSimDefaultBosiVersion;
  uint32_t panelVersion = kSimDefaultPanelVersion;
  TSimReadiness readiness = srAtOnce;
  int busyPolls = 0;
  std::string imagesFolder;  // where to write the simulator's images; empty: nowhere
};

void ApplyUpdaterSetup(TModuleSim& sim, const TSimUpdaterSetup& setup);

}  // namespace karvelm
