#include "sim/updater_model.h"

#include <algorithm>

#include "link/commands.h"
#include "link/framing.h"
#include "sim/byte_order.h"
#include "sim/module_sim.h"
#include "sim/peripheral_model.h"
#include "sim/sim_images.h"

namespace karvelm {

namespace {

using TSession = TUpdaterModel::TSession;

void ReplyWord(TModuleSim& sim, const TSimRequest& request, uint32_t word) {
  uint8_t reply[4];
  PutU32(reply, word);
  sim.Reply(request, reply);
}

ExtModuleInfo* ExtModuleAt(TModuleSim& sim, uint32_t address) {
  if (address == 0) return nullptr;
  for (auto& [slot, info] : sim.ExtModules())
    if (info.NetAddress == address) return &info;
  return nullptr;
}

bool Present(const TUpdaterModel& model, TModuleSim& sim, const TSession& session) {
  switch (session.target) {
    case stBosi:
      return model.bosiVersion != 0;
    case stPanel:
      return model.panelVersion != 0;
    case stExtModule:
      return ExtModuleAt(sim, session.address) != nullptr;
    default:
      return false;
  }
}

// Which built-in images a target recognises as its own.
bool ImageFits(TSimUpdateTarget target, const std::string& name) {
  switch (target) {
    case stBosi:
      return name == "UpdateBOSI";
    case stPanel:
      return name == "UpdatePNK" || name == "UpdatePNT";
    case stExtModule:
      return name == "UpdateExtM";
    default:
      return false;
  }
}

void Prepare(TUpdaterModel& model, TModuleSim& sim, const TSimRequest& request,
             TSimUpdateTarget target, uint32_t address) {
  TSession& session = model.session;
  // Preparing again keeps the count of status requests: "ready at the second request"
  // spans the two prepare attempts of a flow.
  if (session.transferring || session.target != target || session.address != address) {
    if (session.transferring) sim.SetDataSink(nullptr);
    session = {};
    session.target = target;
    session.address = address;
  }
  sim.Reply(request);
}

uint32_t Status(TUpdaterModel& model, TModuleSim& sim) {
  TSession& session = model.session;
  if (session.target == stNone) return 0;
  if (session.transferring) {
    if (session.busyLeft > 0) {
      --session.busyLeft;
      return 0;
    }
    return 1;
  }
  if (!session.ready) {
    ++session.statusRequests;
    session.ready = Present(model, sim, session) &&
                    (model.readiness == srAtOnce ||
                     (model.readiness == srAtSecond && session.statusRequests >= 2));
  }
  return session.ready ? 1 : 0;
}

// One piece of the image. Framed: 1..64 bytes within the announced length, and only once the
// previous piece was reported taken; acknowledged with a reply. itHID_OLD: a 64-byte report of
// which the announced length counts; not acknowledged, but the status follows unasked as data
// packets.
void TakePiece(TUpdaterModel& model, TModuleSim& sim, const TSimRequest& data) {
  TSession& session = model.session;
  const uint32_t left = session.announced - static_cast<uint32_t>(session.image.size());
  const bool legacy = data.kind == itHID_OLD;
  size_t count = std::min<size_t>({data.payload.size(), left, kSimAccessoryPiece});
  if (!legacy && (data.payload.empty() || data.payload.size() > kSimAccessoryPiece ||
                  data.payload.size() > left || session.busyLeft > 0))
    return sim.Fail(data);
  session.image.insert(session.image.end(), data.payload.begin(),
                       data.payload.begin() + static_cast<long>(count));
  if (session.image.size() == session.announced) sim.SetDataSink(nullptr);
  if (legacy) {
    for (int i = 0; i < model.busyPolls; ++i) {
      uint8_t zero[4] = {};
      sim.SendData(data, zero);
    }
    uint8_t ready[4];
    PutU32(ready, 1);
    sim.SendData(data, ready);
    return;
  }
  session.busyLeft = model.busyPolls;
  sim.Reply(data);
}

void Announce(TUpdaterModel& model, TModuleSim& sim, const TSimRequest& request,
              TSimUpdateTarget target) {
  TSession& session = model.session;
  const std::vector<uint8_t>& p = request.payload;
  if (session.target != target || !session.ready || session.transferring || p.size() < 4)
    return sim.Fail(request);
  const uint32_t total = GetU32(p.data());
  if (total == 0 || total > kSimMaxAccessoryImage) return sim.Fail(request);
  session.transferring = true;
  session.announced = total;
  session.image.clear();
  session.busyLeft = 0;
  sim.SetDataSink([&model](TModuleSim& s, const TSimRequest& data) { TakePiece(model, s, data); });
  sim.Reply(request);
}

// Ends the session; a whole image of the simulator's own for the target changes its version.
void Finish(TUpdaterModel& model, TModuleSim& sim, TSimUpdateTarget target) {
  TSession& session = model.session;
  if (session.transferring) sim.SetDataSink(nullptr);
  TSimAccessoryUpdate update;
  update.target = target;
  update.address = session.address;
  if (session.target == target) {
    update.complete = session.transferring && session.image.size() == session.announced;
    update.image = std::move(session.image);
  }
  const std::optional<TSimImageInfo> info =
      update.complete ? ParseSimImage(update.image) : std::nullopt;
  if (info && ImageFits(target, info->target)) {
    update.newVersion = info->version;
    if (target == stBosi) model.bosiVersion = info->version;
    if (target == stPanel) {
      model.panelVersion = info->version;
      // The panel link reports the panel's own version, so it changes with the update.
      if (auto* buses = sim.FindModel<TPeripheralBusModel>(); buses && buses->panel.Version != 0)
        buses->panel.Version = info->version;
    }
    if (ExtModuleInfo* module = target == stExtModule ? ExtModuleAt(sim, update.address) : nullptr)
      module->Version = info->version;
  }
  model.finished.push_back(std::move(update));
  session = {};
}

// Total length u32; then the image in ChunkSize data packets, each acknowledged. Length 0
// announces nothing to follow.
void WriteFirmware(TUpdaterModel& model, TModuleSim& sim, const TSimRequest& request) {
  const std::vector<uint8_t>& p = request.payload;
  sim.SetDataSink(nullptr);
  if (p.size() < 4) return sim.Fail(request);
  const uint32_t total = GetU32(p.data());
  if (total > kSimMaxFirmwareImage) return sim.Fail(request);
  model.firmware = {};
  model.firmware.announced = total;
  if (total == 0) return sim.Reply(request);
  model.firmwareValid = false;
  model.pendingFirmwareVersion.reset();
  sim.SetDataSink([&model](TModuleSim& s, const TSimRequest& data) {
    TUpdaterModel::TFirmwareWrite& write = model.firmware;
    const uint32_t left = write.announced - static_cast<uint32_t>(write.image.size());
    const size_t chunk = static_cast<size_t>(LinkSizes(data.kind).chunk);
    if (data.kind != itHID_OLD &&
        (data.payload.empty() || data.payload.size() > chunk || data.payload.size() > left))
      write.refused = true;
    const size_t count = std::min<size_t>({data.payload.size(), left, chunk});
    write.image.insert(write.image.end(), data.payload.begin(),
                       data.payload.begin() + static_cast<long>(count));
    if (write.image.size() >= write.announced) {
      s.SetDataSink(nullptr);
      write.complete = !write.refused;
      if (write.complete) {
        model.firmwareValid = true;
        const std::optional<TSimImageInfo> info = ParseSimImage(write.image);
        if (info && (info->target == "UpdateKarvel" || info->target == "UpdateKarvelOld"))
          model.pendingFirmwareVersion = info->version;
      }
    }
    if (write.refused) return s.Fail(data);
    s.Reply(data);
  });
  sim.Reply(request);
}

}  // namespace

void TUpdaterModel::Install(TModuleSim& sim) {
  // Every command here but the restart is answered by a reply; the framed payload is empty
  // or the one 32-bit word the command takes. cmdPause and cmdResume are the module's own.
  auto on = [this, &sim](TSimProgram program, uint8_t code, auto handler, int payload = 0,
                         TSimAnswer answer = saReply) {
    sim.SetHandler(
        program, code,
        [this, handler](TModuleSim& s, const TSimRequest& r) { handler(*this, s, r); },
        TSimCommandRule{{payload}, answer});
  };
  using M = TUpdaterModel;
  using R = const TSimRequest&;
  // A first-generation module alone has a BOSI link.
  on(spFirmware, cmdGetBosiVersion, [](M& m, TModuleSim& s, R r) {
    if (r.kind != itHID_OLD) {
      if (s.Refuse(r, "a BOSI link on a first-generation module only")) return s.Fail(r);
      return ReplyWord(s, r, 0);
    }
    ReplyWord(s, r, m.bosiVersion);
  });
  on(spFirmware, cmdGetPanelFwVersion,
     [](M& m, TModuleSim& s, R r) { ReplyWord(s, r, m.panelVersion); });
  on(spFirmware, cmdPrepareBosiUpdate,
     [](M& m, TModuleSim& s, R r) { Prepare(m, s, r, stBosi, 0); });
  on(spFirmware, cmdPreparePanelUpdate,
     [](M& m, TModuleSim& s, R r) { Prepare(m, s, r, stPanel, 0); });
  on(
      spFirmware, cmdPrepareExtModuleUpdate,
      [](M& m, TModuleSim& s, R r) {
        if (r.payload.size() < 4) return s.Fail(r);
        Prepare(m, s, r, stExtModule, GetU32(r.payload.data()));
      },
      4);
  on(spFirmware, cmdGetUpdateStatus,
     [](M& m, TModuleSim& s, R r) { ReplyWord(s, r, Status(m, s)); });
  on(
      spFirmware, cmdWriteBosiFirmware, [](M& m, TModuleSim& s, R r) { Announce(m, s, r, stBosi); },
      4);
  on(
      spFirmware, cmdWritePanelFirmware,
      [](M& m, TModuleSim& s, R r) { Announce(m, s, r, stPanel); }, 4);
  on(
      spFirmware, cmdWriteExtModuleFirmware,
      [](M& m, TModuleSim& s, R r) { Announce(m, s, r, stExtModule); }, 4);
  // The module answers, then restarts to take up the new BOSI link firmware.
  on(spFirmware, cmdFinishBosiUpdate, [](M& m, TModuleSim& s, R r) {
    Finish(m, s, stBosi);
    s.Restart(spFirmware);
    s.Reply(r);
  });
  on(spFirmware, cmdFinishPanelUpdate, [](M& m, TModuleSim& s, R r) {
    Finish(m, s, stPanel);
    s.Reply(r);
  });
  on(spFirmware, cmdFinishExtModuleUpdate, [](M& m, TModuleSim& s, R r) {
    Finish(m, s, stExtModule);
    s.Reply(r);
  });

  on(
      spLoader, cmdWriteFirmware, [](M& m, TModuleSim& s, R r) { WriteFirmware(m, s, r); }, 4);
  // The restart into the firmware runs what the flash holds: the new version after a whole
  // image, the bootloader again after a broken write.
  on(
      spLoader, cmdRestart,
      [](M& m, TModuleSim& s, R) {
        if (!m.firmwareValid) return s.Restart(spLoader);
        if (m.pendingFirmwareVersion) s.SetVersion(spFirmware, *m.pendingFirmwareVersion);
        m.pendingFirmwareVersion.reset();
        s.Restart(spFirmware);
      },
      0, saNone);
}

void ApplyUpdaterSetup(TModuleSim& sim, const TSimUpdaterSetup& setup) {
  TUpdaterModel* model = sim.FindModel<TUpdaterModel>();
  if (!model) return;
  model->bosiVersion = setup.bosiVersion;
  model->panelVersion = setup.panelVersion;
  model->readiness = setup.readiness;
  model->busyPolls = setup.busyPolls;
}

}  // namespace karvelm
