// Reading a stored configuration from the module's bootloader into the image, and writing
// the image into a stored configuration. No UI here: the caller shows the progress bar,
// the cursor and the messages from what these return.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "base/byte_progress.h"
#include "config/config_image.h"

namespace karvelm {

// Position of the progress bar, 0..100.
using TConfigProgress = std::function<void(int percent)>;

// Bar position after page k (0..15) of a read: k * 100 / 15 to the nearest integer.
int ReadProgress(int page);
// Bar position after an acknowledged piece: sent * 100 / total, halves to the even neighbour.
int WriteProgress(uint32_t sent, uint32_t total);

struct TReadConfigResult {
  bool loaderAnswered = false;  // the bootloader answered; otherwise nothing was read
  bool commonOk = false;
  bool settingsOk = false;
  bool setPointOk = false;
  std::array<bool, kPageCount> pageRequested{};  // pages are read only after the set-points
  std::array<bool, kPageCount> pageOk{};
  // The status of the last block read: the set-point block when no page was read, otherwise
  // page 15. This is what the UI reports ("Ошибка считывания настроек.").
  bool lastBlockFailed = false;

  bool ShowFailure() const { return loaderAnswered && lastBlockFailed; }
  // Every block arrived (stricter than the UI, for scripted backups).
  bool AllOk() const;
};

// Reads configuration configIndex (0 or 1): the common block, the settings and set-point
// blocks, then, if the set-points arrived, the 16 pages. A failed block may be left partly
// overwritten; a failed page keeps its previous checks. progress gets 0 once the bootloader
// answered (show the bar) and then the position after each page that arrived. bytes gets the
// bytes of the blocks asked for so far, failed ones included, of all that the read asks for.
TReadConfigResult ReadConfiguration(TConfigImage& image, int configIndex,
                                    const TConfigProgress& progress = {},
                                    const TByteProgress& bytes = {});

struct TWriteConfigResult {
  bool loaderAnswered = false;
  bool requestAccepted = false;  // the module took the announced length
  uint32_t total = 0;            // bytes of the record stream
  uint32_t sent = 0;             // bytes acknowledged
  // The write stopped at a piece that was not acknowledged: the module holds a partial
  // configuration, and the UI tells the user ("Ошибка записи настроек.").
  bool PieceLost() const { return requestAccepted && sent < total; }
  bool ok() const { return requestAccepted && sent == total; }
};

// Writes the image as configuration configIndex: the section's record stream (settings
// sealed first) announced with cmdWriteConfig and sent in ChunkSize pieces. The write stops
// at the first piece that is not acknowledged. progress gets the position after each
// acknowledged piece; the bar is shown by the caller before the call. bytes gets the bytes
// acknowledged of the record stream's length.
TWriteConfigResult WriteConfiguration(TConfigImage& image, int configIndex,
                                      const TConfigProgress& progress = {},
                                      const TByteProgress& bytes = {});

}  // namespace karvelm
