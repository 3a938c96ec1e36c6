// Saving and opening configuration files: the blank image and an image of random pages.
// Printed per operation: the file save (temporary file, fsync, rename) and open, and the
// record-stream encoder and decoder in memory, whose throughput is set beside a memcpy of
// the same configuration bytes measured in the same run.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "config/byte_stream.h"
#include "config/config_file.h"
#include "config/config_image.h"
#include "config/config_reader.h"
#include "config/config_records.h"

using namespace karvelm;

namespace {

constexpr int kRepeats = 5;  // best of, to keep scheduler noise out
// What a file carries per section: settings, set-points and the memory image.
constexpr size_t kSectionContent = kSettingsBlockSize + kSetPointBlockSize + kMemoryImageSize;
constexpr size_t kFileContent = kConfigCount * kSectionContent;

// Best mean microseconds per call of body over kRepeats runs of rounds calls.
double MeasureMicros(int rounds, const std::function<bool()>& body) {
  double best = 1e18;
  for (int repeat = 0; repeat < kRepeats; ++repeat) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
      if (!body()) {
        std::fprintf(stderr, "an operation failed\n");
        std::exit(1);
      }
    }
    const double micros =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    best = std::min(best, micros / rounds);
  }
  return best;
}

double MegabytesPerSecond(size_t bytes, double micros) {
  return bytes / micros;
}

void Measure(const char* name, TConfigImage& image, const std::string& path) {
  auto scratch = std::make_unique<TConfigImage>();
  TMemorySink encoded;
  WriteConfigFile(image, encoded);
  const size_t fileSize = encoded.bytes.size();

  const double encode = MeasureMicros(50, [&] {
    TMemorySink sink;
    return WriteConfigFile(image, sink) && sink.bytes.size() == fileSize;
  });
  const double decode = MeasureMicros(50, [&] {
    TMemorySource source(encoded.bytes);
    return ReadConfigRecords(source, *scratch) == crOk;
  });
  // The configuration bytes a file carries, copied plainly: the floor for any codec.
  std::vector<uint8_t> from(kFileContent, 0x5A), to(kFileContent);
  const double copy = MeasureMicros(500, [&] {
    std::memcpy(to.data(), from.data(), kFileContent);
    asm volatile("" : : "r"(to.data()) : "memory");  // the copy must happen
    return true;
  });
  const double save = MeasureMicros(10, [&] { return SaveConfigImageFile(path, image).ok(); });
  const double open = MeasureMicros(20, [&] {
    ResetConfigImage(*scratch);
    return LoadConfigImageFile(path, *scratch).ok();
  });

  std::printf("%s: file %zu bytes\n", name, fileSize);
  std::printf("  save (temp file, fsync, rename) %9.1f us/op\n", save);
  std::printf("  open (read, page checks)        %9.1f us/op\n", open);
  std::printf("  encode in memory                %9.1f us/op  %8.1f MB/s of content\n", encode,
              MegabytesPerSecond(kFileContent, encode));
  std::printf("  decode in memory                %9.1f us/op  %8.1f MB/s of content\n", decode,
              MegabytesPerSecond(kFileContent, decode));
  std::printf("  memcpy of the %zu content bytes %7.1f us/op  %8.1f MB/s\n", kFileContent, copy,
              MegabytesPerSecond(kFileContent, copy));
  std::printf("  encode / memcpy %.1fx, decode / memcpy %.1fx\n", encode / copy, decode / copy);
}

}  // namespace

int main() {
  const std::string path =
      "/tmp/karvelm-bench-config-" + std::to_string(static_cast<long>(getpid())) + ".bin";

  auto blank = std::make_unique<TConfigImage>();
  ResetConfigImage(*blank);
  Measure("blank image", *blank, path);

  auto random = std::make_unique<TConfigImage>();
  ResetConfigImage(*random);
  std::mt19937 generator(1);
  for (uint8_t& byte : random->MemoryImage) byte = static_cast<uint8_t>(generator());
  Measure("random pages", *random, path);

  std::remove(path.c_str());
  return 0;
}
