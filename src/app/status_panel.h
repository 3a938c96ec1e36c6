// The right-hand status panel Panel3 as the supervision logic writes it: the module's state and
// versions, the enabling of the module commands and ProgressBar2 of the configuration
// transfers. Only the supervisor and the transfers it runs use it; pages do not.
#pragma once

#include <string>

namespace karvelm {

class TStatusPanel {
 public:
  virtual void SetStatusText(const std::string& text) = 0;           // StaticText11
  virtual void SetFirmwareVersionText(const std::string& text) = 0;  // StaticText10
  virtual void SetLoaderVersionText(const std::string& text) = 0;    // StaticText2

  // Command groups: Button4/7/5/8 with N11/N21/N12/N22; N16; Button6 with N14.
  virtual void SetConfigCommandsEnabled(bool enabled) = 0;
  virtual void SetUpdateCommandEnabled(bool enabled) = 0;
  virtual void SetRestartEnabled(bool enabled) = 0;

  // ProgressBar2: 0..100, shown only during a transfer.
  virtual void SetProgress2Visible(bool visible) = 0;
  virtual void SetProgress2(int percent) = 0;

 protected:
  ~TStatusPanel() = default;
};

}  // namespace karvelm
