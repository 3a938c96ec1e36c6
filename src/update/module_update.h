// The module's own firmware: the update button's request, and the transfer that the
// supervision tick runs once the bootloader answers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "update/image_resolver.h"
#include "update/update_hooks.h"

namespace karvelm {

enum TModuleUpdateOutcome : int {
  muDone,                  // every chunk acknowledged
  muImageError,            // the image could not be had; nothing sent
  muNoLoader,              // the bootloader did not answer; nothing sent
  muNotAnnounced,          // cmdWriteFirmware not acknowledged; no data sent
  muEmptyImage,            // the image yielded no data
  muChunkNotAcknowledged,  // the module may hold a partial image and stays in its bootloader
};

struct TModuleUpdateResult {
  TModuleUpdateOutcome outcome = muNoLoader;
  // What the user is to be told ("Ошибка обновления", or why the image could not be had);
  // empty when the update ends silently.
  std::string message;
  uint32_t size = 0;
  uint32_t sent = 0;  // bytes acknowledged
};

// The request of the module's update button.
struct TModuleUpdateRequest {
  bool raised = false;              // up_flag
  std::optional<std::string> file;  // the file taken through the dialog
  bool enteredLoader = false;       // cmdEnterLoader was sent
};

// Asks, chooses the file when fromFile (taken only when the dialog is confirmed and the file
// exists) and raises the request. Unless the bootloader already runs, a firmware that
// answers is sent into its bootloader, where the tick does the transfer.
TModuleUpdateRequest RequestModuleUpdate(const TUpdateHooks& hooks, bool fromFile,
                                         bool loaderRunning);

// The image a module update takes: the module file when fromFile and one was chosen through
// the module's own button, else the built-in image for the link kind at transfer time. An
// accessory image can never reach the module this way, also when the version gate raised
// the request.
TImageRef ModuleImageRef(const std::string& moduleFile, bool fromFile);

// Opens the image first, then sends it to the bootloader: cmdWriteFirmware with the length,
// then ChunkSize pieces each acknowledged within kTimeoutLoaderData, with ProgressBar1 at
// round(sent × 100 / size). Shows nothing itself: the message is in the result.
TModuleUpdateResult UpdateModuleFirmware(const std::string& moduleFile, bool fromFile,
                                         TImageResolver& images, const TUpdateHooks& hooks);

}  // namespace karvelm
