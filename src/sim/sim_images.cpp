#include "sim/sim_images.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include "base/byte_order.h"
#include "update/version_page.h"

namespace karvelm {

namespace {

constexpr size_t kMagicSize = sizeof kSimImageMagic;  // with its NUL
constexpr size_t kVersionAt = kMagicSize;
constexpr size_t kTargetAt = kVersionAt + 4;
constexpr size_t kTargetSize = 16;
constexpr size_t kSizeAt = kTargetAt + kTargetSize;
static_assert(kSizeAt + 4 == kSimImageHeaderSize);

uint32_t Fnv1a(std::span<const uint8_t> bytes) {
  uint32_t hash = 2166136261u;
  for (uint8_t b : bytes) hash = (hash ^ b) * 16777619u;
  return hash;
}

const TAvailableVersion* Offered(const std::string& target) {
  for (const TAvailableVersion& version : AvailableVersions())
    if (target == version.imageName) return &version;
  return nullptr;
}

bool IsModuleImage(const std::string& target) {
  return target == "UpdateKarvel" || target == "UpdateKarvelOld";
}

class TSimImageSource final : public TImageSource {
 public:
  std::optional<TImageOpenResult> Find(const std::string& name) override {
    std::vector<uint8_t> bytes = SimImageFor(name);
    if (bytes.empty()) return std::nullopt;
    TImageOpenResult result;
    result.ok = true;
    result.image = {name, std::move(bytes)};
    return result;
  }
  std::string Where(const std::string&) const override { return "the simulator's images"; }
};

}  // namespace

std::vector<uint8_t> MakeSimImage(const std::string& target, uint32_t version, size_t size) {
  std::vector<uint8_t> image(std::max(size, kSimImageMinSize), 0);
  std::memcpy(image.data(), kSimImageMagic, kMagicSize);
  PutU32(image.data() + kVersionAt, version);
  std::memcpy(image.data() + kTargetAt, target.data(), std::min(target.size(), kTargetSize));
  PutU32(image.data() + kSizeAt, static_cast<uint32_t>(image.size()));
  // Filler that differs from piece to piece, so that a lost or repeated piece shows.
  for (size_t i = kSimImageHeaderSize; i + 4 < image.size(); ++i)
    image[i] = static_cast<uint8_t>(i * 131 + (i >> 8) * 7 + version);
  const size_t body = image.size() - 4;
  PutU32(image.data() + body, Fnv1a({image.data(), body}));
  return image;
}

std::vector<uint8_t> SimImageFor(const std::string& target) {
  const TAvailableVersion* offered = Offered(target);
  if (!offered) return {};
  const uint32_t word = static_cast<uint32_t>(offered->major) << 24 |
                        static_cast<uint32_t>(offered->minor) << 16 |
                        static_cast<uint32_t>(offered->build) << 8;
  return MakeSimImage(target, word,
                      IsModuleImage(target) ? kSimModuleImageSize : kSimAccessoryImageSize);
}

std::optional<TSimImageInfo> ParseSimImage(std::span<const uint8_t> bytes) {
  if (bytes.size() < kSimImageMinSize || std::memcmp(bytes.data(), kSimImageMagic, kMagicSize))
    return std::nullopt;
  if (GetU32(bytes.data() + kSizeAt) != bytes.size()) return std::nullopt;
  const size_t body = bytes.size() - 4;
  if (GetU32(bytes.data() + body) != Fnv1a(bytes.first(body))) return std::nullopt;
  TSimImageInfo info;
  const char* name = reinterpret_cast<const char*>(bytes.data() + kTargetAt);
  info.target.assign(name, strnlen(name, kTargetSize));
  info.version = GetU32(bytes.data() + kVersionAt);
  return info;
}

std::shared_ptr<TImageSource> MakeSimImageSource() {
  return std::make_shared<TSimImageSource>();
}

bool WriteSimImages(const std::string& folder, std::string& error) {
  for (const TAvailableVersion& version : AvailableVersions()) {
    const std::string path = folder + "/" + version.imageName;
    const std::vector<uint8_t> bytes = SimImageFor(version.imageName);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
      error = "cannot write " + path;
      return false;
    }
  }
  return true;
}

}  // namespace karvelm
