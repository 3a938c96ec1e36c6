// The shell's own texts: title, status panel, supervision and command messages.
#pragma once

#include <cstdint>
#include <string>

#include "base/version.h"

namespace karvelm {

constexpr const char* kAppVersion = kProgramVersion;
constexpr const char* kBaseTitlePrefix = "Конфигуратор модуля KarvelM v ";
// The window caption and application title without a file name.
inline std::string BaseTitle() {
  return std::string(kBaseTitlePrefix) + kAppVersion;
}
// The caption once a configuration file was opened or saved.
inline std::string TitleWithFile(const std::string& fileName) {
  return BaseTitle() + " - " + fileName;
}

// Status panel.
constexpr const char* kStatusNotConnected = "не подключен";
constexpr const char* kStatusConnected = "подключен";
constexpr const char* kStatusLoader = "загрузчик";
constexpr const char* kVersionUnknown = "н/д";

// The version gate's warning: line feed, then carriage return.
constexpr const char* kOutdatedFirmwareText =
    "Для дальныейшей работы необходимо\n\rобновить версию ПО модуля KarvelM!";
constexpr const char* kOutdatedFirmwareCaption = "Внимание!";
// Firmware of the framed links below 2.0.22 must be updated before anything else.
constexpr uint32_t kMinimumFramedFirmware = 0x02001600;

// Confirmations of the status-panel buttons.
constexpr const char* kWriteConfig1Question = "Записать в конфигурацию 1 платы?";
constexpr const char* kWriteConfig2Question = "Записать в конфигурацию 2 платы?";
constexpr const char* kWriteConfigCaption = "Запись в плату";
constexpr const char* kRestartQuestion = "Перезапустить плату?";
constexpr const char* kRestartCaption = "Перезапуск платы";

// The help document, opened through the desktop shell.
constexpr const char* kHelpDocument = "KarvelMcfg.pdf";

}  // namespace karvelm
