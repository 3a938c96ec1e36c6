// Link kinds and the module identities that go with them.
#pragma once

#include <cstdint>

namespace karvelm {

enum TIntfType : int {
  itHID_OLD = 0,  // first-generation USB module: bare 65-byte feature reports
  itHID_NEW = 1,  // second-generation USB module: framed 64/268-byte feature reports
  itUDP = 2,      // Ethernet module: framed datagrams
};

constexpr uint16_t kModuleVendorId = 0x03EB;
constexpr uint16_t kProductIdOld = 0x6202;
constexpr uint16_t kProductIdNew = 0x6203;

constexpr uint16_t LOADER_ID = 0x3B04;       // the bootloader, on every kind
constexpr uint16_t kFirmwareIdOld = 0x3B05;  // application firmware on itHID_OLD
constexpr uint16_t kFirmwareIdNew = 0x3B07;  // application firmware on itHID_NEW and itUDP

// The application identity that fits a link kind.
constexpr uint16_t FirmwareIdFor(TIntfType kind) {
  return kind == itHID_OLD ? kFirmwareIdOld : kFirmwareIdNew;
}

constexpr const char* kDefaultModuleAddress = "192.168.0.10";
constexpr uint16_t kDefaultModulePort = 30000;
constexpr uint16_t kDefaultLocalPort = 30000;

}  // namespace karvelm
