#include "app/ui/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace karvelm {

namespace {

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

std::optional<TFileChoice> RunFileDialog(QWidget* parent, const TFileDialogRequest& request,
                                         QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent, Text(request.title));
  dialog.setObjectName(Text(request.name.empty()
                                ? (mode == QFileDialog::AcceptOpen ? "OpenDialog2" : "SaveDialog1")
                                : request.name));
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                     : QFileDialog::AnyFile);
  const QStringList filters = FileDialogFilters(request.filter);
  dialog.setNameFilters(filters);
  if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
    dialog.selectNameFilter(filters[request.filterIndex - 1]);
  // Only a saved name gets the default extension: on opening, a typed name without a point
  // (tape images often have none) must stay the file it names.
  if (mode == QFileDialog::AcceptSave) dialog.setDefaultSuffix(Text(request.defaultExtension));
  if (!request.directory.empty()) dialog.setDirectory(Text(request.directory));
  if (!request.initialName.empty()) dialog.selectFile(Text(request.initialName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const int selected = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
  return TFileChoice{dialog.selectedFiles().front().toStdString(),
                     selected >= 0 ? selected + 1 : request.filterIndex};
}

std::optional<std::string> PathOnly(std::optional<TFileChoice> choice) {
  if (!choice) return std::nullopt;
  return choice->path;
}

}  // namespace

int CaptionWidth(const QString& caption) {
  // Window managers draw titles bold and somewhat larger than the dialog's face; the frame's
  // icon and its close button take the rest.
  constexpr int kFrameButtons = 110;
  QFont title = QApplication::font();
  title.setBold(true);
  title.setPointSizeF(title.pointSizeF() * 1.1);
  return QFontMetrics(title).horizontalAdvance(caption) + kFrameButtons;
}

void FitCaption(QMessageBox& box) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  // The box takes its layout's minimum size as its fixed size: a spacer across the bottom row
  // sets the width.
  grid->addItem(new QSpacerItem(CaptionWidth(box.windowTitle()), 0, QSizePolicy::Minimum,
                                QSizePolicy::Minimum),
                grid->rowCount(), 0, 1, grid->columnCount());
}

QStringList FileDialogFilters(const std::string& filter) {
  const QStringList parts = Text(filter).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    // "*.*" means every file; to the Qt dialog it would mean names with a point only.
    QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
    for (QString& pattern : patterns)
      if (pattern == "*.*") pattern = "*";
    filters << QString("%1 (%2)").arg(parts[i], patterns.join(' '));
  }
  return filters;
}

bool TQtDialogs::AskOkCancel(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::NoIcon, Text(caption), Text(text),
                  QMessageBox::Ok | QMessageBox::Cancel, FParent);
  FitCaption(box);
  return box.exec() == QMessageBox::Ok;
}

bool TQtDialogs::AskOkCancelDefaultCancel(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::NoIcon, Text(caption), Text(text),
                  QMessageBox::Ok | QMessageBox::Cancel, FParent);
  box.setDefaultButton(QMessageBox::Cancel);
  box.setEscapeButton(QMessageBox::Cancel);
  FitCaption(box);
  return box.exec() == QMessageBox::Ok;
}

void TQtDialogs::Inform(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::NoIcon, Text(caption), Text(text), QMessageBox::Ok, FParent);
  FitCaption(box);
  box.exec();
}

std::optional<std::string> TQtDialogs::ChooseOpenFile(const TFileDialogRequest& request) {
  return PathOnly(RunFileDialog(FParent, request, QFileDialog::AcceptOpen));
}

std::optional<std::string> TQtDialogs::ChooseSaveFile(const TFileDialogRequest& request) {
  return PathOnly(RunFileDialog(FParent, request, QFileDialog::AcceptSave));
}

std::optional<TFileChoice> TQtDialogs::ChooseOpenFileAndFilter(const TFileDialogRequest& request) {
  return RunFileDialog(FParent, request, QFileDialog::AcceptOpen);
}

std::optional<std::string> TQtDialogs::ChooseFolder(const std::string& title) {
  const QString folder = QFileDialog::getExistingDirectory(FParent, Text(title));
  if (folder.isEmpty()) return std::nullopt;
  return folder.toStdString();
}

}  // namespace karvelm
