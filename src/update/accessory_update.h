// The update buttons of the attached devices: the BOSI link module, the two control panels
// and the external modules. Each runs to its end inside the button press, asking and
// telling through the hooks; the prepare, finish and resume steps come from the link.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "update/accessory_transfer.h"
#include "update/image_resolver.h"
#include "update/update_hooks.h"

namespace karvelm {

enum TAccessoryOutcome : int {
  aoDeclined,        // a question (the update, an image of the other kind) not answered OK
  aoNoSource,        // the open dialog was cancelled, or its file is gone
  aoImageError,      // the image could not be had; nothing sent
  aoModuleAbsent,    // the firmware did not answer at the start; nothing sent
  aoNotReady,        // the target did not become ready; the finishing steps still ran
  aoTransferFailed,  // the transfer did not complete; the finishing steps still ran
  aoDone,            // ready, and every piece acknowledged and taken
};

struct TAccessoryResult {
  TAccessoryOutcome outcome = aoDeclined;
  std::optional<TImageRef> source;  // the chosen source (for UpdateFileName)
  TAccessoryTransferOutcome transfer = atNotConnected;
  std::string message;  // the last error the user was told, if any
};

// What every accessory update works with.
struct TAccessoryUpdateContext {
  TImageResolver& images;
  const TUpdateHooks& hooks;
  bool fromFile = false;           // CheckBox5: an *.upm file instead of the built-in image
  bool firmwareConnected = false;  // fw_state.connected when the transfer starts
};

enum TPanelKind : int {
  pkKarvel,
  pkTorsen,
};

// Leaves Timer1 running; the module restarts at the end.
TAccessoryResult UpdateBosi(const TAccessoryUpdateContext& context);
// Timer1 is stopped for the whole branch and started again however it ends.
TAccessoryResult UpdatePanel(const TAccessoryUpdateContext& context, TPanelKind panel);
// rowName: the row's name label as shown (it is in the question); netAddress: the address
// the row carries. Timer1 is stopped once the source is chosen.
TAccessoryResult UpdateExtModule(const TAccessoryUpdateContext& context, const std::string& rowName,
                                 uint32_t netAddress);

}  // namespace karvelm
