#include "sim/peripheral_setup.h"

#include <algorithm>
#include <charconv>

#include "sim/dac_model.h"
#include "sim/module_sim.h"
#include "sim/updater_model.h"

namespace karvelm {

namespace {

TSimExtModuleSetup Module(uint32_t type, uint32_t index, uint32_t address, uint32_t version,
                          uint16_t mask, ExtModuleStats start, ExtModuleStats step) {
  TSimExtModuleSetup module;
  module.type = type;
  module.index = index;
  module.info.NetAddress = address;
  module.info.RegisterMap = SimRegisterMap(mask);
  module.info.Version = version;
  module.counters = {start, step};
  return module;
}

std::vector<std::string> SplitColons(const std::string& text) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == ':')
      parts.emplace_back();
    else
      parts.back() += c;
  }
  return parts;
}

bool ParseHex(const std::string& text, uint64_t max, uint64_t& value) {
  std::string digits = text;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
    digits = digits.substr(2);
  if (digits.empty()) return false;
  const char* end = digits.data() + digits.size();
  auto [ptr, ec] = std::from_chars(digits.data(), end, value, 16);
  return ec == std::errc() && ptr == end && value <= max;
}

constexpr uint32_t kExtModuleFirmware = 0x01011500;  // 1.1.21.

TSimExtModuleSetup DacModule(uint16_t mask) {
  return Module(kSimDacModuleType, 0, 0x1A, kExtModuleFirmware, mask, {77345, 12, 0}, {25, 0, 0});
}

}  // namespace

std::array<uint8_t, 16> SimRegisterMap(uint16_t mask) {
  std::array<uint8_t, 16> map{};
  for (int i = 0; i < 16; ++i)
    map[static_cast<size_t>(i)] = (mask >> i) & 1 ? static_cast<uint8_t>(i) : 0xFF;
  return map;
}

TSimPeripheralSetup LivelySetup() {
  TSimPeripheralSetup setup;
  setup.panel = {1, 1, kSimDefaultPanelVersion};  // console and panel registers
  setup.panelCounters = {{48213, 2, 0}, {25, 0, 0}};
  // Inputs 167602..167612 and outputs 167630, 167632 on the first board; the DAC board with
  // its eight channels; the sensor board with four channels; the RK-150M in its bootloader
  // (serving nothing while it is there).
  setup.modules = {
      Module(0, 0, 0x0A, kExtModuleFirmware, 0x303E, {120400, 3, 1}, {25, 0, 0}),
      Module(1, 0, 0x14, kExtModuleFirmware, 0xC000, {98010, 0, 0}, {25, 1, 0}),
      DacModule(0x00FF),
      Module(3, 0, 0x1E, 0x01011400, 0x00FF, {65012, 0, 4}, {25, 0, 1}),
      Module(4, 0, 0x22, 0x010000B0, 0x0000, {310, 41, 0}, {0, 1, 0}),
  };
  setup.harness = true;
  setup.wires = {{0167630, 0167602, 0, {}}, {0167632, 0167604, 0, {}}};
  return setup;
}

void ApplyPeripheralSetup(TModuleSim& sim, const TSimPeripheralSetup& setup) {
  if (auto* buses = sim.FindModel<TPeripheralBusModel>()) {
    buses->panel = setup.panel;
    buses->panelCounters = setup.panelCounters;
    buses->extModules.clear();
    buses->extCounters.clear();
    for (const TSimExtModuleSetup& module : setup.modules) {
      buses->extModules[{module.type, module.index}] = module.info;
      buses->extCounters[{module.type, module.index}] = module.counters;
    }
  }
  if (auto* harness = sim.FindModel<TLoopbackHarnessModel>()) {
    harness->attached = setup.harness;
    harness->wires = setup.wires;
  }
  for (uint16_t address = kSimFirstInputWord; address <= kSimLastInputWord; address += 2)
    sim.Bus().Poke(address, 0xFFFF);
}

void SetSimDacChannels(TSimPeripheralSetup& setup, int channels) {
  const uint16_t mask = static_cast<uint16_t>((1u << std::clamp(channels, 0, kSimDacChannels)) - 1);
  auto& modules = setup.modules;
  auto dac = std::find_if(modules.begin(), modules.end(), [](const TSimExtModuleSetup& m) {
    return m.type == kSimDacModuleType && m.index == 0;
  });
  if (mask == 0) {
    if (dac != modules.end()) modules.erase(dac);
  } else if (dac != modules.end()) {
    dac->info.RegisterMap = SimRegisterMap(mask);
  } else {
    modules.push_back(DacModule(mask));
  }
}

bool ParseSimExtModule(const std::string& text, TSimExtModuleSetup& module) {
  const std::vector<std::string> parts = SplitColons(text);
  if (parts.size() < 3 || parts.size() > 5) return false;
  uint64_t type = 0, index = 0, address = 0, version = kExtModuleFirmware, mask = 0;
  if (!ParseHex(parts[0], 6, type) || !ParseHex(parts[1], 255, index) ||
      !ParseHex(parts[2], UINT32_MAX, address) || address == 0)
    return false;
  if (parts.size() > 3 && !ParseHex(parts[3], UINT32_MAX, version)) return false;
  if (parts.size() > 4 && !ParseHex(parts[4], 0xFFFF, mask)) return false;
  module = Module(static_cast<uint32_t>(type), static_cast<uint32_t>(index),
                  static_cast<uint32_t>(address), static_cast<uint32_t>(version),
                  static_cast<uint16_t>(mask), {0, 0, 0}, {25, 0, 0});
  return true;
}

}  // namespace karvelm
