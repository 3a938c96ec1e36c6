#include "config/config_transfer.h"

#include "config/config_records.h"
#include "link/commands.h"
#include "link/module_commands.h"

namespace karvelm {

int ReadProgress(int page) {
  return (page * 200 + 15) / 30;
}

int WriteProgress(uint32_t sent, uint32_t total) {
  if (total == 0) return 100;
  const uint64_t scaled = static_cast<uint64_t>(sent) * 100;
  uint64_t percent = scaled / total;
  const uint64_t twice = 2 * (scaled % total);
  if (twice > total || (twice == total && percent % 2 == 1)) ++percent;
  return static_cast<int>(percent);
}

bool TReadConfigResult::AllOk() const {
  if (!loaderAnswered || !commonOk || !settingsOk || !setPointOk) return false;
  for (int page = 0; page < kPageCount; ++page) {
    if (!pageOk[page]) return false;
  }
  return true;
}

TReadConfigResult ReadConfiguration(TConfigImage& image, int configIndex,
                                    const TConfigProgress& progress, const TByteProgress& bytes) {
  TReadConfigResult result;
  if (!ProbeLoader(kTimeoutDefault)) return result;
  result.loaderAnswered = true;
  if (progress) progress(0);

  const uint64_t total = uint64_t{kCommonBlockSize} + kSettingsBlockSize + kSetPointBlockSize +
                         uint64_t{kPageCount} * kPageSize;
  uint64_t done = 0;
  auto read = [&](uint32_t address, size_t size, uint8_t* into) {
    const bool ok = ReadStoredBlock(address, static_cast<uint32_t>(size), into);
    done += size;
    if (bytes) bytes(done, total);
    return ok;
  };
  if (bytes) bytes(0, total);
  result.commonOk = read(kCommonBlockAddress, kCommonBlockSize, image.CommonBlock.data());
  result.settingsOk =
      read(kSettingsAddress[configIndex], kSettingsBlockSize, image.SettingsBlock.data());
  result.setPointOk =
      read(kSetPointAddress[configIndex], kSetPointBlockSize, image.SetPointBlock.data());
  // Only the set-point read decides whether the pages follow.
  result.lastBlockFailed = !result.setPointOk;
  if (!result.setPointOk) return result;

  for (int page = 0; page < kPageCount; ++page) {
    result.pageRequested[page] = true;
    result.pageOk[page] = read(PageAddress(configIndex, page), kPageSize, image.Page(page));
    result.lastBlockFailed = !result.pageOk[page];
    if (result.pageOk[page]) {
      UpdatePageChecks(image, page);
      if (progress) progress(ReadProgress(page));
    }
  }
  return result;
}

TWriteConfigResult WriteConfiguration(TConfigImage& image, int configIndex,
                                      const TConfigProgress& progress, const TByteProgress& bytes) {
  TWriteConfigResult result;
  TMemorySink buffer;
  WriteConfigSection(image, configIndex, buffer);
  result.total = static_cast<uint32_t>(buffer.bytes.size());

  if (!ProbeLoader(kTimeoutDefault)) return result;
  result.loaderAnswered = true;
  if (!BeginWrite(cmdWriteConfig, result.total)) return result;
  result.requestAccepted = true;
  if (bytes) bytes(0, result.total);
  // WritePieces stops at the first piece that is not acknowledged: going on would send
  // the module fewer bytes than announced and never end.
  WritePieces(buffer.bytes.data(), result.total, [&](uint32_t sent, uint32_t total) {
    result.sent = sent;
    if (progress) progress(WriteProgress(sent, total));
    if (bytes) bytes(sent, total);
  });
  return result;
}

}  // namespace karvelm
