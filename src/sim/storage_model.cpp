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
// later one are refused, and the storage keeps what was applied before. The stream is one
// stored configuration: its section record first, no end record, and chunks only inside
// that configuration (strict; a lenient module takes these as they come).
class TWriteSession {
 public:
  TWriteSession(uint32_t total, bool strict, uint32_t corruptAt)
      : FTotal(total), FStrict(strict), FCorruptAt(corruptAt) {}

  // The bytes of one data packet; the reason when the write is refused (nullptr: taken).
  // The bytes are counted also after a refusal, so that the write still ends where it was
  // announced to end (on itHID_OLD, reports are only told from commands by that count).
  // A rule the lenient module lets pass is still reported, in lenientBreak.
  const char* Take(TIntfType kind, const std::vector<uint8_t>& payload, TSimStorage& storage,
                   const char*& lenientBreak) {
    const uint32_t left = FTotal - FReceived;
    // A legacy report is always 64 bytes; only the announced length counts. A framed packet
    // carries exactly its piece.
    const size_t count = std::min<size_t>(payload.size(), left);
    FReceived += static_cast<uint32_t>(count);
    if (FFailed) return "the write was refused before";
    if (kind != itHID_OLD && payload.empty()) return Fail("empty data packet");
    if (kind != itHID_OLD && payload.size() > left) return Fail("more data than announced");
    FStream.insert(FStream.end(), payload.begin(), payload.begin() + static_cast<long>(count));
    FLenientBreak = nullptr;
    if (const char* broken = ApplyFrames(storage)) return Fail(broken);
    lenientBreak = FLenientBreak;
    if (Complete() && !FStream.empty()) return Fail("the stream ends inside a frame");
    return nullptr;
  }
  bool Complete() const { return FReceived == FTotal; }
  int NextPacket() { return ++FPackets; }

 private:
  const char* Fail(const char* reason) {
    FFailed = true;
    return reason;
  }

  // A rule of the stored configuration's stream: refused when strict, noted otherwise.
  bool Breaks(const char* rule) {
    if (FStrict) return true;
    FLenientBreak = rule;
    return false;
  }

  const char* ApplyFrames(TSimStorage& storage) {
    size_t at = 0;
    while (FStream.size() - at >= 2) {
      const size_t length = static_cast<size_t>(FStream[at] << 8 | FStream[at + 1]);
      if (length < kMinFrameLength || length > kMaxFrameLength) return "frame length out of range";
      if (FStream.size() - at - 2 < length) break;
      const uint8_t* frame = FStream.data() + at + 2;
      if (FrameCheck(frame, length) != 0) return "frame check failed";
      if (RleDecode(frame, length - 2, FDecoded, kMaxDecodedRecord) != rsOk)
        return "frame does not decode";
      if (const char* broken = ApplyRecords(storage)) return broken;
      at += 2 + length;
    }
    FStream.erase(FStream.begin(), FStream.begin() + static_cast<long>(at));
    return nullptr;
  }

  // Whether a chunk lies inside the blocks of the configuration the section record named.
  bool InsideSection(uint32_t address, uint32_t size) const {
    for (int c = 0; c < kConfigCount; ++c) {
      if (FSection && *FSection != SectionAddress(c)) continue;
      auto inside = [&](uint32_t begin, size_t blockSize) {
        return address >= begin && address - begin < blockSize &&
               size <= blockSize - (address - begin);
      };
      if (inside(kSettingsAddress[c], kSettingsBlockSize) ||
          inside(kSetPointAddress[c], kSetPointBlockSize) ||
          inside(kMemoryImageAddress[c], kMemoryImageSize))
        return true;
    }
    return false;
  }

  // The records of one decoded frame. A chunk reaches the storage when its chunk-end record
  // names the address and length of the data it closes.
  const char* ApplyRecords(TSimStorage& storage) {
    const std::vector<uint8_t>& d = FDecoded;
    size_t i = 0;
    while (i < d.size() && d[i] != 0) {
      if (d.size() - i < kRecordHeaderSize) return "record cut off";
      const uint8_t type = d[i];
      const uint32_t address = static_cast<uint32_t>(d[i + 1] << 16 | d[i + 2] << 8 | d[i + 3]);
      const size_t length = static_cast<size_t>(d[i + 4] << 8 | d[i + 5]);
      i += kRecordHeaderSize;
      if (type != RecSection && !FSection && !FNoSectionNoted) {
        FNoSectionNoted = true;
        if (Breaks("the stream does not start with a section record"))
          return "the stream does not start with a section record";
      }
      switch (type) {
        case RecSection:
          if (length != 0 || (address != SectionAddress(0) && address != SectionAddress(1)))
            return "bad section record";
          if ((FSection || FNoSectionNoted) && Breaks("a second section record"))
            return "a second section record";
          FSection = address;
          break;
        case RecAddress:
          if (length != kRecordChunkSize || FChunk) return "bad address record";
          FAddress = address;
          break;
        case RecData:
          if (!FAddress || FChunk || address != 0 || length == 0 || length > kRecordChunkSize ||
              length > d.size() - i)
            return "bad data record";
          FChunk.emplace(d.begin() + static_cast<long>(i),
                         d.begin() + static_cast<long>(i + length));
          i += length;
          break;
        case RecChunkEnd: {
          if (!FChunk || !FAddress || address != *FAddress || length != FChunk->size())
            return "chunk end without its chunk";
          const uint32_t size = static_cast<uint32_t>(length);
          if (!TSimStorage::Writable(address, size)) return "chunk outside the writable storage";
          if (!InsideSection(address, size) &&
              Breaks("chunk aimed at the other configuration's addresses"))
            return "chunk aimed at the other configuration's addresses";
          std::ranges::copy(*FChunk, storage.Bytes(address, size).begin());
          if (FCorruptAt != 0 && FCorruptAt - address < size)
            storage.Bytes(FCorruptAt, 1)[0] ^= 0xFF;
          FChunk.reset();
          FAddress.reset();
          break;
        }
        case RecEnd:
          if (Breaks("an end record in a stored configuration's stream"))
            return "an end record in a stored configuration's stream";
          break;
        default:
          return "unknown record type";
      }
    }
    return nullptr;
  }

  uint32_t FTotal;
  bool FStrict;
  uint32_t FCorruptAt;
  uint32_t FReceived = 0;
  int FPackets = 0;
  bool FFailed = false;
  std::vector<uint8_t> FStream;  // bytes not yet part of a complete frame
  std::vector<uint8_t> FDecoded;
  std::optional<uint32_t> FSection;  // the section record's address
  bool FNoSectionNoted = false;
  const char* FLenientBreak = nullptr;
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
  const uint32_t commandAddress = GetU32(p.data());
  const std::optional<uint32_t> address = StorageAddress(request.kind, commandAddress);
  const uint32_t length = GetU32(p.data() + 4);
  if (!address || !TSimStorage::Contains(*address, length)) {
    // The two generations' addresses differ by the legacy offset: tell a mixed-up layout.
    const bool legacy = request.kind == itHID_OLD;
    const uint32_t other = legacy ? commandAddress + kSimLegacyStorageOffset
                                  : commandAddress - kSimLegacyStorageOffset;
    const bool otherLayout = (legacy || commandAddress >= kSimLegacyStorageOffset) &&
                             TSimStorage::Contains(legacy ? commandAddress : other, length);
    sim.Refuse(request, otherLayout ? (legacy ? "storage address without the 0x200000 offset"
                                              : "storage address with the first generation's "
                                                "0x200000 offset")
                                    : "block outside the storage");
    return sim.Fail(request);
  }
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
  // After a restart the module has forgotten the block: a plain failure. Asking past the end
  // of the block opened is the link's fault.
  if (cursor.remaining == 0 && cursor.restartMark == sim.SilentUntil())
    sim.Refuse(request, "no block open, or asked past its end");
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
  if (total == 0 || total > kSimMaxConfigStream) {
    sim.Refuse(request, total == 0 ? "nothing announced" : "more announced than a configuration");
    return sim.Fail(request);
  }
  auto session = std::make_shared<TWriteSession>(total, sim.Strict(), sim.Faults().corruptWriteAt);
  sim.SetDataSink([session, &model](TModuleSim& s, const TSimRequest& data) {
    const bool lost = session->NextPacket() == s.Faults().loseDataAckAt;
    const char* lenientBreak = nullptr;
    const char* refused = session->Take(data.kind, data.payload, model.storage, lenientBreak);
    if (session->Complete()) s.SetDataSink(nullptr);
    if (lenientBreak) s.Refuse(data, lenientBreak);
    if (refused) {
      s.Refuse(data, refused);
      return s.Fail(data);
    }
    if (!lost) s.Reply(data);
  });
  sim.Reply(request);
}

}  // namespace

void TStorageModel::Install(TModuleSim& sim) {
  sim.SetHandler(spLoader, cmdOpenRead,
                 [this](TModuleSim& s, const TSimRequest& r) { OpenRead(*this, s, r); },
                 {{{8}, saReply}});
  sim.SetHandler(spLoader, cmdReadNext,
                 [this](TModuleSim& s, const TSimRequest& r) { ReadNext(*this, s, r); },
                 {{{0}, saData}});
  sim.SetHandler(spLoader, cmdWriteConfig,
                 [this](TModuleSim& s, const TSimRequest& r) { WriteConfig(*this, s, r); },
                 {{{4}, saReply}});
}

}  // namespace karvelm
