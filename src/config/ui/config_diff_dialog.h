// The differences between the open configuration and a file, in a read-only table: what
// differs, the open configuration's value, the file's value.
#pragma once

#include <QDialog>
#include <string>

#include "config/config_diff.h"

class QLabel;
class QTableWidget;

namespace karvelm {

constexpr const char* kConfigDiffFormName = "ConfigDiffForm";
constexpr const char* kConfigDiffCaption = "Сравнение с файлом";

class TConfigDiffDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit TConfigDiffDialog(QWidget* parent);

  // Fills the table; fileName is shown in the summary and the file's column heading.
  void ShowDiff(const TConfigDiff& diff, const std::string& fileName);

 private:
  QLabel* FSummary = nullptr;
  QTableWidget* FTable = nullptr;
};

}  // namespace karvelm
