#include "update/module_update.h"

#include <filesystem>
#include <system_error>

#include "link/commands.h"
#include "link/module_commands.h"
#include "link/transactions.h"
#include "update/image_kind.h"
#include "update/update_texts.h"

namespace karvelm {

TModuleUpdateRequest RequestModuleUpdate(const TUpdateHooks& hooks, bool fromFile,
                                         bool loaderRunning) {
  TModuleUpdateRequest request;
  if (!detail::Ask(hooks, kAskModuleUpdateText)) return request;
  if (fromFile) {
    std::optional<std::string> path;
    if (hooks.chooseFile) path = hooks.chooseFile(kModuleFilterIndex);
    std::error_code error;
    if (!path || !std::filesystem::exists(*path, error)) return request;
    // Read whole now, before cmdEnterLoader goes out: a file that cannot be read is refused
    // with nothing sent. The transfer reads it again once the bootloader answers.
    const TImageOpenResult opened = ReadImageFile(*path);
    if (!opened.ok) {
      detail::Inform(hooks, opened.error);
      return request;
    }
    if (const auto mismatch = CheckImageKind(*path, ikModule)) {
      if (!detail::Ask(hooks, ImageMismatchQuestion(*path, *mismatch))) return request;
    }
    request.file = std::move(path);
  }
  request.raised = true;
  if (!loaderRunning && ProbeFirmware(kTimeoutDefault)) request.enteredLoader = EnterLoader();
  return request;
}

TImageRef ModuleImageRef(const std::string& moduleFile, bool fromFile) {
  if (fromFile && !moduleFile.empty()) return {moduleFile, true};
  return {ModuleImageName(IsLegacyLink() ? itHID_OLD : itHID_NEW), false};
}

TModuleUpdateResult UpdateModuleFirmware(const std::string& moduleFile, bool fromFile,
                                         TImageResolver& images, const TUpdateHooks& hooks) {
  detail::Repaint(hooks);
  TModuleUpdateResult result;
  TImageOpenResult opened = images.Open(ModuleImageRef(moduleFile, fromFile));
  if (!opened.ok) {
    result.outcome = muImageError;
    result.message = opened.error;
    return result;
  }
  const std::vector<uint8_t>& image = opened.image.bytes;
  result.size = static_cast<uint32_t>(image.size());

  detail::TBusyScope busy(hooks);
  if (!ProbeLoader(kTimeoutDefault)) {
    result.outcome = muNoLoader;
    return result;
  }
  detail::TProgressScope progress(hooks);
  if (!BeginWrite(cmdWriteFirmware, result.size)) {
    result.outcome = muNotAnnounced;
    return result;
  }
  if (image.empty()) {
    result.outcome = muEmptyImage;
    result.message = kUpdateErrorText;
    return result;
  }
  const bool written = WritePieces(image.data(), result.size, [&](uint32_t sent, uint32_t total) {
    result.sent = sent;
    progress.Step(sent, total);
  });
  result.outcome = written ? muDone : muChunkNotAcknowledged;
  if (!written) result.message = kUpdateErrorText;
  return result;
}

}  // namespace karvelm
