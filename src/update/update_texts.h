// The update pages' own texts: questions, messages, captions and the open dialog.
#pragma once

namespace karvelm {

inline constexpr const char* kUpdateCaption = "Обновление прошивки";
inline constexpr const char* kUpdateErrorText = "Ошибка обновления";

inline constexpr const char* kAskModuleUpdateText = "Обновить прошивку модуля KarvelM?";
inline constexpr const char* kAskBosiUpdateText = "Обновить прошивку модуля связи с БОСИ?";
inline constexpr const char* kAskPanelKarvelUpdateText = "Обновить прошивку модуля ПУ-Karvel?";
inline constexpr const char* kAskPanelTorsenUpdateText = "Обновить прошивку модуля ПУ-Torsen?";
// The external module's question is the prefix, the row's name and the suffix.
inline constexpr const char* kAskExtModuleUpdatePrefix = "Обновить прошивку модуля ";
inline constexpr const char* kAskExtModuleUpdateSuffix = " ?";
inline constexpr const char* kBosiUpdateFinishedText =
    "Обновление БОСИ завершено.\n\rМодуль KarvelM будет перезагружен.";

// OpenDialog3.
inline constexpr const char* kUpdateDialogTitle = "Открыть файл обновления";
inline constexpr const char* kUpdateDialogFilter =
    "Обновление KarvelM|*.upd|Обновление внешнего модуля|*.upm";
inline constexpr const char* kUpdateDialogExtension = "upd";
inline constexpr int kModuleFilterIndex = 1;
inline constexpr int kAccessoryFilterIndex = 2;

}  // namespace karvelm
