// The system's own texts for configuration files and transfers, shared by the UI and the
// command-line tool.
#pragma once

namespace karvelm {

constexpr const char* kOpenFileErrorText = "Ошибка открытия файла";
constexpr const char* kOpenFileCaption = "Открытие файла настроек";
constexpr const char* kReadSettingsErrorText = "Ошибка считывания настроек.";
constexpr const char* kReadSettingsCaption = "Считывание настроек";
constexpr const char* kWriteSettingsErrorText = "Ошибка записи настроек.";
constexpr const char* kWriteSettingsCaption = "Запись настроек";

// The runtime's file errors: file name, then the system's reason.
constexpr const char* kCannotOpenFileFormat = "Cannot open file \"%s\". %s";
constexpr const char* kCannotCreateFileFormat = "Cannot create file \"%s\". %s";
constexpr const char* kCannotWriteFileFormat = "Cannot write file \"%s\". %s";

// File dialogs of the configuration file actions.
constexpr const char* kOpenConfigDialogTitle = "Открытие файла конфигураций";
constexpr const char* kOpenConfigDialogFilter = "Бинарный файл|*.bin|Все файлы|*.*";
constexpr const char* kSaveConfigDialogTitle = "Сохранение конфигураций";
constexpr const char* kSaveConfigDialogFilter = "Двоичный файл|*.bin";
constexpr const char* kConfigFileExtension = "bin";

}  // namespace karvelm
