// The DAC sub-page without its widgets: the eight channel registers, the module's
// corrections and which of them a listed DAC module serves, the channel entries, the
// correction step and the store.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "diag/bus_access.h"
#include "diag/diag_records.h"

namespace karvelm {

constexpr const char* kCorrectionUnknown = "-----";
constexpr const char* kCorrectionInitialText = "0";
constexpr const char* kDacEntryInitialText = "0";
constexpr const char* kCalibrationGroupCaption = "Калибровка";
constexpr const char* kStoreCaption = "Сохранить";
constexpr const char* kStepUpCaption = "+";
constexpr const char* kStepDownCaption = "–";
constexpr const char* kStepZeroCaption = ">0<";
constexpr uint8_t kDacModuleType = 2;  // RK-130M

enum TDacStep : int {
  dsUp,
  dsDown,
  dsZero,
};

// The step of a calibration button: "+" up, ">0<" zero, any other caption down.
TDacStep DacStepOfCaption(std::string_view caption);

// Per channel: the object names of its row.
struct TDacRow {
  const char* valueLabel;  // register in octal
  const char* edit;
  const char* writeButton;
  const char* sawtoothButton;
  const char* correctionLabel;
};
inline constexpr std::array<TDacRow, kDacRegisterWords> kDacRows = {{
    {"StaticText116", "Edit22", "SpeedButton7", "Button3", "StaticText138"},
    {"StaticText119", "Edit23", "SpeedButton8", "Button9", "StaticText139"},
    {"StaticText122", "Edit24", "SpeedButton9", "Button10", "StaticText140"},
    {"StaticText123", "Edit25", "SpeedButton10", "Button11", "StaticText141"},
    {"StaticText128", "Edit26", "SpeedButton11", "Button12", "StaticText142"},
    {"StaticText131", "Edit27", "SpeedButton12", "Button13", "StaticText143"},
    {"StaticText134", "Edit28", "SpeedButton13", "Button14", "StaticText144"},
    {"StaticText135", "Edit29", "SpeedButton14", "Button15", "StaticText145"},
}};

// "Канал 1" .. "Канал 8".
std::string DacChannelCaption(int channel);

// ReadDacState: the eight registers, then cmdGetDacCorrection. On the legacy link the
// reply buffer starts zeroed each time, so a failed read leaves all corrections 0; the
// framed links keep the previous values. True when both succeeded.
bool ReadDacState(TDiagRecords& records);

// Channels (0..7) whose correction a listed RK-130M serves: entries 0..7 of the map of
// either type-2 slot with a network address.
std::array<bool, kDacRegisterWords> ServedDacChannels(const TDiagRecords& records);

// The data page of the DAC sub-page.
class TDacPage {
 public:
  explicit TDacPage(TDiagRecords& records = DiagRecords());

  bool Read() { return ReadDacState(FRecords); }
  // ShowDacRegisters: register texts follow the last read; the correction labels of served
  // channels show the corrections, the others keep their text.
  void Show();
  // The entry step of the sub-page: every correction label "-----"; when the firmware is
  // connected and answers, both RK-130M slots are queried again.
  void Enter(bool firmwareConnected);

  const std::string& RegisterText(int channel) const;
  const std::string& CorrectionText(int channel) const;

  // DACChange and DACClick, as the output entries of the input/output page.
  bool DACChange(int tag, std::string_view text);
  bool DACClick(int tag, bool firmwareConnected);
  uint16_t AcceptedValue(int tag) const;

  // DACcorClick after the pressed button was disabled: when the firmware is connected and
  // answers, Timer1 off, the step applied to the channel, cmdPause, the whole table with
  // cmdSetDacCorrection, cmdResume, Timer1 on. True when the module answered the check.
  bool CorrectionStep(int channel, TDacStep step, bool firmwareConnected,
                      const TTimerSwitch& timer1 = {});
  // Button16Click: Timer1 off, cmdSaveDacCorrection, 300 ms, Timer1 on. True when the
  // module answered the check.
  bool Store(bool firmwareConnected, const TTimerSwitch& timer1 = {});

  // Whether every transfer of the last correction step or store was acknowledged; the page
  // does not report it, the command-line tool does.
  bool LastTransferOk() const { return FLastTransferOk; }

  TDiagRecords& Records() { return FRecords; }

 private:
  TDiagRecords& FRecords;
  std::array<uint16_t, kDacRegisterWords> temp_dac_data{};
  std::array<std::string, kDacRegisterWords> FRegisterTexts;
  std::array<std::string, kDacRegisterWords> FCorrectionTexts;
  bool FLastTransferOk = false;
};

}  // namespace karvelm
