// The simulator's own firmware images: what the desktop program's simulator mode and the tests
// send when they update the simulated module or its accessories. Every built-in name has
// one; the simulated module recognises them by their header and checksum and then runs the
// version they carry. Never meant for a real module: the content is filler.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "update/image_resolver.h"

namespace karvelm {

// "KARVELM-SIM-IMAGE", NUL, version u32, target name (16 bytes, NUL-padded), total size u32,
// filler, then FNV-1a over everything before it as u32. All fields little-endian.
inline constexpr char kSimImageMagic[] = "KARVELM-SIM-IMAGE";
constexpr size_t kSimImageHeaderSize = 42;
constexpr size_t kSimImageMinSize = kSimImageHeaderSize + 4;
// Several chunks on every link kind, the last one short.
constexpr size_t kSimModuleImageSize = 20000;
constexpr size_t kSimAccessoryImageSize = 3000;

struct TSimImageInfo {
  std::string target;  // the built-in name it stands for: "UpdateKarvel", "UpdateBOSI", ...
  uint32_t version = 0;
};

std::vector<uint8_t> MakeSimImage(const std::string& target, uint32_t version, size_t size);
// The image of a built-in name, carrying the version this program offers for it; empty for
// a name that is not built in.
std::vector<uint8_t> SimImageFor(const std::string& target);
// What a received image is, when it is one of these whole and unchanged.
std::optional<TSimImageInfo> ParseSimImage(std::span<const uint8_t> bytes);

// A resolver source that serves the six built-in names.
std::shared_ptr<TImageSource> MakeSimImageSource();

// Writes the six images into folder under their built-in names; false with the reason.
bool WriteSimImages(const std::string& folder, std::string& error);

}  // namespace karvelm
