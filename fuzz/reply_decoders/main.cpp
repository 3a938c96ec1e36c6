// Arbitrary bytes as reply payloads of the module, through every reply decoder on both
// layouts. The input is copied to a buffer of exactly its size, so ASan sees any over-read.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "diag/bus_listing.h"
#include "diag/sensor_count.h"
#include "link/commands_codec.h"
#include "link/module_records.h"
#include "update/version_page.h"

using namespace karvelm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const TIntfType kind = static_cast<TIntfType>(data[0] % 3);
  const std::vector<uint8_t> reply(data + 1, data + size);
  const uint8_t* bytes = reply.empty() ? nullptr : reply.data();
  const int n = static_cast<int>(reply.size());

  ExtModuleInfo module{};
  DecodeExtModule(kind, bytes, n, module);
  PanelLinkInfo panel{};
  DecodePanelLink(kind, bytes, n, panel);
  ExtModuleStats moduleStats{};
  DecodeStats(bytes, n, moduleStats);
  PanelLinkStats panelStats{};
  DecodeStats(bytes, n, panelStats);

  // Whatever the module reported, in every slot, through the listing and its counters.
  TDiagRecords records;
  records.panelLink = panel;
  records.panelStats = panelStats;
  records.extModules.fill(module);
  records.extStats.fill(moduleStats);
  TBusTables tables = BusTables(ListBusDevices(records));
  ShowBusStatistics(true, records, tables);
  TDacCorrections corrections{};
  DecodeDacCorrection(kind, bytes, n, corrections);
  uint32_t word = 0;
  if (DecodeVersion(bytes, n, word)) {
    FormatVersion(word);
    BcdToInt(word);  // a position counter's value, digits above 9 included
    FormatSensorCount(word);
  }

  // The update page: the version replies (cmdGetBosiVersion, cmdGetPanelFwVersion) and the
  // update status share the word decoder; their texts, and an external module's row from its
  // cmdGetExtModule reply in any slot type.
  if (DecodeVersion(bytes, n, word)) VersionText(word);
  if (module.NetAddress != 0) ExtModuleRow(FoundExtModule(data[0], data[0] >> 4, module));
  return 0;
}
