#include "update/accessory_update.h"

#include <filesystem>
#include <system_error>

#include "link/commands.h"
#include "link/commands_accessory.h"
#include "link/module_commands.h"
#include "update/image_kind.h"
#include "update/update_texts.h"

namespace karvelm {

namespace {

using detail::TBusyScope;

// The source, and the image read from it before anything is sent. False when the branch
// ends here; the result then says why.
bool ChooseAndOpen(const TAccessoryUpdateContext& context, const char* builtInName,
                   TAccessoryResult& result, TFirmwareImage& image) {
  TImageRef source{builtInName, false};
  if (context.fromFile) {
    std::optional<std::string> path;
    if (context.hooks.chooseFile) path = context.hooks.chooseFile(kAccessoryFilterIndex);
    std::error_code error;
    if (!path || !std::filesystem::exists(*path, error)) {
      result.outcome = aoNoSource;
      return false;
    }
    source = {*path, true};
  }
  result.source = source;
  TImageOpenResult opened = context.images.Open(source);
  if (!opened.ok) {
    result.outcome = aoImageError;
    result.message = opened.error;
    detail::Inform(context.hooks, opened.error);
    return false;
  }
  // A module image sent to an accessory goes only after a second, explicit yes.
  if (const auto mismatch =
          source.fromFile ? CheckImageKind(source.source, ikAccessory) : std::nullopt) {
    if (!detail::Ask(context.hooks, ImageMismatchQuestion(source.source, *mismatch))) {
      result.outcome = aoDeclined;
      result.message = ImageMismatchText(source.source, *mismatch);
      return false;
    }
  }
  image = std::move(opened.image);
  return true;
}

// The transfer when the target became ready, else the error message.
void TransferWhenReady(const TAccessoryUpdateContext& context, bool ready,
                       const TFirmwareImage& image, uint8_t lengthCommand,
                       TAccessoryResult& result) {
  if (!ready) {
    result.outcome = aoNotReady;
    result.message = kUpdateErrorText;
    detail::Inform(context.hooks, kUpdateErrorText);
    return;
  }
  result.transfer =
      TransferAccessoryImage(image, lengthCommand, context.firmwareConnected, context.hooks)
          .outcome;
  result.outcome = result.transfer == atDone ? aoDone : aoTransferFailed;
  if (result.outcome != aoDone) result.message = kUpdateErrorText;
}

}  // namespace

TAccessoryResult UpdateBosi(const TAccessoryUpdateContext& context) {
  TAccessoryResult result;
  if (!detail::Ask(context.hooks, kAskBosiUpdateText)) return result;
  TFirmwareImage image;
  if (!ChooseAndOpen(context, kImageBosi, result, image)) return result;
  if (!ProbeFirmware(kTimeoutDefault)) {
    result.outcome = aoModuleAbsent;
    return result;
  }
  TransferWhenReady(context, PrepareBosiUpdate(), image, cmdWriteBosiFirmware, result);
  // The finish follows a failed update too: the module restarts either way.
  detail::Inform(context.hooks, kBosiUpdateFinishedText);
  FinishBosiUpdate();
  detail::RefreshPage(context.hooks);
  return result;
}

TAccessoryResult UpdatePanel(const TAccessoryUpdateContext& context, TPanelKind panel) {
  TAccessoryResult result;
  detail::TTimer1Pause timer(context.hooks);
  const bool torsen = panel == pkTorsen;
  if (!detail::Ask(context.hooks, torsen ? kAskPanelTorsenUpdateText : kAskPanelKarvelUpdateText))
    return result;
  TFirmwareImage image;
  if (!ChooseAndOpen(context, torsen ? kImagePanelTorsen : kImagePanelKarvel, result, image))
    return result;
  if (!ProbeFirmware(kTimeoutDefault)) {
    result.outcome = aoModuleAbsent;
    return result;
  }
  {
    TBusyScope busy(context.hooks);
    TransferWhenReady(context, PreparePanelUpdate(), image, cmdWritePanelFirmware, result);
  }
  {
    TBusyScope busy(context.hooks);
    FinishPanelUpdate();
  }
  detail::RefreshPage(context.hooks);
  return result;
}

TAccessoryResult UpdateExtModule(const TAccessoryUpdateContext& context, const std::string& rowName,
                                 uint32_t netAddress) {
  TAccessoryResult result;
  if (!detail::Ask(context.hooks, kAskExtModuleUpdatePrefix + rowName + kAskExtModuleUpdateSuffix))
    return result;
  TFirmwareImage image;
  if (!ChooseAndOpen(context, kImageExtModule, result, image)) return result;
  detail::TTimer1Pause timer(context.hooks);
  if (!ProbeFirmware(kTimeoutDefault)) {
    result.outcome = aoModuleAbsent;
    return result;
  }
  {
    TBusyScope busy(context.hooks);
    TransferWhenReady(context, PrepareExtModuleUpdate(netAddress), image, cmdWriteExtModuleFirmware,
                      result);
  }
  TBusyScope busy(context.hooks);
  FinishExtModuleUpdate();
  detail::RefreshPage(context.hooks);
  return result;
}

}  // namespace karvelm
