#include "sim/storage_model.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "config/config_records.h"
#include "config/frame_crc.h"
#include "config/rle.h"
#include "link/commands.h"
#include "link/framing.h"
#include "sim/byte_order.h"
#include "sim/module_sim.h"
#include "sim/sim_codec.h"
#include "sim/sim_storage.h"

namespace karvelm {

namespace {

// The storage address a command carries, or none for one outside the storage.
std::optional<uint32_t> StorageAddress(TIntfType kind, uint32_t commandAddress) {
  if (kind == itHID_OLD) {
    if (commandAddress < kSimLegacyStorageOffset) return std::nullopt;
    return commandAddress - kSimLegacyStorageOffset;
  }
  return commandAddress;
}

// One configuration write: the announced stream arrives in data packets whose boundaries
// have nothing to do with the frames, so the bytes are collected and each complete frame is
// checked, decoded and applied at once, as the module programs its storage while it
// receives. Anything the writer should never produce ends the write: the packet and every
// later one are refused, and the storage keeps what was applied before.
class TWriteSession {
 public:
  explicit TWriteSession(uint32_t total) : FTotal(total) {}

  // The bytes of one data packet; false when the write is refused. The bytes are counted
  // also after a refusal, so that the write still ends where it was announced to end (on
  // itHID_OLD, reports are only told from commands by that count).
  bool Take(TIntfType kind, const std::vector<uint8_t>& payload, TSimStorage& storage) {
    const uint32_t left = FTotal - FReceived;
    // A legacy report is always 64 bytes; only the announced length counts. A framed packet
    // carries exactly its piece.
    const size_t count = std::min<size_t>(payload.size(), left);
    if (kind != itHID_OLD && (payload.empty() || payload.size() > left)) FFailed = true;
    FReceived += static_cast<uint32_t>(count);
    if (FFailed) return false;
    FStream.insert(FStream.end(), payload.begin(), payload.begin() + static_cast<long>(count));
    // A stream that ends inside a frame is refused too.
    if (!ApplyFrames(storage) || (Complete() && !FStream.empty())) FFailed = true;
    return !FFailed;
  }
  bool Complete() const { return FReceived == FTotal; }
  int NextPacket() { return ++FPackets; }

 private:
  bool ApplyFrames(TSimStorage& storage) {
    size_t at = 0;
    while (FStream.size() - at >= 2) {
      const size_t length = static_cast<size_t>(FStream[at] << 8 | FStream[at + 1]);
      if (length < kMinFrameLength || length > kMaxFrameLength) return false;
      if (FStream.size() - at - 2 < length) break;
      const uint8_t* frame = FStream.data() + at + 2;
      if (FrameCheck(frame, length) != 0) return false;
      if (RleDecode(frame, length - 2, FDecoded, kMaxDecodedRecord) != rsOk) return false;
      if (!ApplyRecords(storage)) return false;
      at += 2 + length;
    }
    FStream.erase(FStream.begin(), FStream.begin() + static_cast<long>(at));
    return true;
  }

  // The records of one decoded frame. A chunk reaches the storage when its chunk-end record
  // names the address and length of the data it closes.
  bool ApplyRecords(TSimStorage& storage) {
    const std::vector<uint8_t>& d = FDecoded;
    size_t i = 0;
    while (i < d.size() && d[i] != 0) {
      if (d.size() - i < kRecordHeaderSize) return false;
      const uint8_t type = d[i];
      const uint32_t address = static_cast<uint32_t>(d[i + 1] << 16 | d[i + 2] << 8 | d[i + 3]);
      const size_t length = static_cast<size_t>(d[i + 4] << 8 | d[i + 5]);
      i += kRecordHeaderSize;
      switch (type) {
        case RecSection:
          if (length != 0 || (address != SectionAddress(0) && address != SectionAddress(1)))
            return false;
          break;
        case RecAddress:
          if (length != kRecordChunkSize || FChunk) return false;
          FAddress = address;
          break;
        case RecData:
          if (!FAddress || FChunk || address != 0 || length == 0 || length > kRecordChunkSize ||
              length > d.size() - i)
            return false;
          FChunk.emplace(d.begin() + static_cast<long>(i),
                         d.begin() + static_cast<long>(i + length));
          i += length;
          break;
        case RecChunkEnd: {
          if (!FChunk || !FAddress || address != *FAddress || length != FChunk->size())
            return false;
          const uint32_t size = static_cast<uint32_t>(length);
          if (!TSimStorage::Writable(address, size)) return false;
          std::ranges::copy(*FChunk, storage.Bytes(address, size).begin());
          FChunk.reset();
          FAddress.reset();
          break;
        }
        case RecEnd:
          break;
        default:
          return false;
      }
    }
    return true;
  }

  uint32_t FTotal;
  uint32_t FReceived = 0;
  int FPackets = 0;
  bool FFailed = false;
  std::vector<uint8_t> FStream;  // bytes not yet part of a complete frame
  std::vector<uint8_t> FDecoded;
  std::optional<uint32_t> FAddress;            // set by the last address record
  std::optional<std::vector<uint8_t>> FChunk;  // data waiting for its chunk end
};

// Address u32, length u32. Framed: answered at once; the chunks follow one per cmdReadNext.
// itHID_OLD: the command is not answered and the whole block follows at once as 64-byte
// reports, which the link reads without asking.
void OpenRead(TStorageModel& model, TModuleSim& sim, const TSimRequest& request) {
  const std::vector<uint8_t>& p = request.payload;
  model.cursor = {};
  if (p.size() < 8) return sim.Fail(request);
  const std::optional<uint32_t> address = StorageAddress(request.kind, GetU32(p.data()));
  const uint32_t length = GetU32(p.data() + 4);
  if (!address || !TSimStorage::Contains(*address, length)) return sim.Fail(request);
  if (sim.Faults().failReadAt != 0 && *address == sim.Faults().failReadAt) return sim.Fail(request);

  if (IsFramedKind(request.kind)) {
    model.cursor = {*address, length, sim.SilentUntil()};
    return sim.Reply(request);
  }
  const std::span<const uint8_t> block = model.storage.Bytes(*address, length);
  const size_t chunk = static_cast<size_t>(LinkSizes(request.kind).chunk);
  for (size_t at = 0; at < block.size(); at += chunk)
    sim.SendData(request, block.subspan(at, std::min(chunk, block.size() - at)));
}

void ReadNext(TStorageModel& model, TModuleSim& sim, const TSimRequest& request) {
  TStorageModel::TReadCursor& cursor = model.cursor;
  if (cursor.remaining == 0 || cursor.restartMark != sim.SilentUntil())
    return sim.FailData(request);
  const uint32_t count =
      std::min(cursor.remaining, static_cast<uint32_t>(LinkSizes(request.kind).chunk));
  sim.SendData(request, model.storage.Bytes(cursor.address, count));
  cursor.address += count;
  cursor.remaining -= count;
}

// Total length u32; then the stream as data packets, each acknowledged (framed links) by a
// reply with its sequence.
void WriteConfig(TStorageModel& model, TModuleSim& sim, const TSimRequest& request) {
  const std::vector<uint8_t>& p = request.payload;
  sim.SetDataSink(nullptr);
  if (p.size() < 4) return sim.Fail(request);
  const uint32_t total = GetU32(p.data());
  if (total == 0 || total > kSimMaxConfigStream) return sim.Fail(request);
  auto session = std::make_shared<TWriteSession>(total);
  sim.SetDataSink([session, &model](TModuleSim& s, const TSimRequest& data) {
    const bool lost = session->NextPacket() == s.Faults().loseDataAckAt;
    const bool taken = session->Take(data.kind, data.payload, model.storage);
    if (session->Complete()) s.SetDataSink(nullptr);
    if (!taken) return s.Fail(data);
    if (!lost) s.Reply(data);
  });
  sim.Reply(request);
}

}  // namespace

void TStorageModel::Install(TModuleSim& sim) {
  sim.SetHandler(spLoader, cmdOpenRead,
                 [this](TModuleSim& s, const TSimRequest& r) { OpenRead(*this, s, r); });
  sim.SetHandler(spLoader, cmdReadNext,
                 [this](TModuleSim& s, const TSimRequest& r) { ReadNext(*this, s, r); });
  sim.SetHandler(spLoader, cmdWriteConfig,
                 [this](TModuleSim& s, const TSimRequest& r) { WriteConfig(*this, s, r); });
}

}  // namespace karvelm
