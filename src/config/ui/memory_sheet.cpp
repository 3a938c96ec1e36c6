#include "config/ui/memory_sheet.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>
#include <stdexcept>

#include "base/ui/guarded_connect.h"
#include "base/user_dialogs.h"
#include "config/page_image_bank_files.h"
#include "config/page_image_load.h"
#include "config/ui/memory_cell.h"

namespace karvelm {

namespace {

QLabel* Caption(const QString& text) {
  auto* label = new QLabel(text);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

}  // namespace

TMemorySheet::TMemorySheet(QWidget& sheet, TConfigImage& image, TUserDialogs& dialogs)
    : QObject(&sheet), FImage(image), FDialogs(dialogs) {
  auto* column = new QVBoxLayout(&sheet);
  auto* top = new QHBoxLayout;
  auto* label = new QLabel(QString::fromUtf8("Номер текущей конфигурации"));
  label->setObjectName("StaticText68");
  ComboBox3 = new QComboBox;
  ComboBox3->setObjectName("ComboBox3");
  for (int layout = 1; layout <= kMemLayoutCount; ++layout)
    ComboBox3->addItem(QString::number(layout));
  top->addWidget(label);
  top->addWidget(ComboBox3);
  top->addStretch(1);
  column->addLayout(top);
  ConnectGuarded(ComboBox3, &QComboBox::activated, this, &TMemorySheet::ComboBox3Change);

  auto* panel = new QFrame;
  panel->setObjectName("MemPanel");
  auto* grid = new QGridLayout(panel);
  grid->setSpacing(2);
  grid->addWidget(Caption(QString::fromUtf8("Банки")), 0, 0);
  for (int bank = 0; bank < kBankCount; ++bank) {
    grid->addWidget(Caption(QString::number(bank)), bank + 1, 0);
    for (int page = 0; page < kBankPages[bank]; ++page) {
      auto* cell = new TMemoryCell(bank, page);
      mem_bank_controls[bank][page] = cell;
      grid->addWidget(cell, bank + 1, page + 1);
      ConnectGuarded(cell, &TMemoryCell::Clicked, this,
                     [this](TMemoryCell* clicked) { StaticTextClick(*clicked); });
    }
  }
  grid->addWidget(Caption(QString::fromUtf8("Стр.")), kBankCount + 1, 0);
  for (int page = 0; page < kMaxBankPages; ++page)
    grid->addWidget(Caption(QString::number(page)), kBankCount + 1, page + 1);
  column->addWidget(panel, 0, Qt::AlignLeft);
  column->addStretch(1);
}

void TMemorySheet::TabSheet2Show() {
  ComboBox3->setCurrentIndex(MemLayoutItemIndex(FImage));
  ShowMemoryMap(ComboBox3->currentIndex());
}

void TMemorySheet::ComboBox3Change() {
  SetMemLayout(FImage, ComboBox3->currentIndex());
  ShowMemoryMap(ComboBox3->currentIndex());
}

void TMemorySheet::ShowMemoryMap(int layout) {
  for (const TMemoryCellView& view : karvelm::ShowMemoryMap(FImage, layout))
    mem_bank_controls[view.bank][view.page]->Show(view);
}

void TMemorySheet::StaticTextClick(TMemoryCell& cell) {
  if (!cell.View().clickable()) return;
  const int page = cell.View().romPage();
  TFileDialogRequest request;  // no title of its own
  request.name = "OpenDialog1";
  request.filter = kPageImageDialogFilter;
  request.defaultExtension = kPageImageDefaultExtension;
  request.filterIndex = FFilterIndex;
  const std::optional<TFileChoice> choice = FDialogs.ChooseOpenFileAndFilter(request);
  if (!choice) return;
  FFilterIndex = choice->filterIndex;
  const TPageLoadResult result =
      LoadPageImage(FImage, page, choice->path, PageFormatForFilter(choice->filterIndex));
  if (result.status == plBadContent) FDialogs.Inform(kPageLoadErrorText, kPageLoadErrorCaption);
  // Also after a failure: the map shows what the checks now say.
  ShowMemoryMap(ComboBox3->currentIndex());
  // The runtime's error box, through the application's exception report.
  if (result.status == plCannotOpen) throw std::runtime_error(result.message);
}

void TMemorySheet::Button35Click() {
  const std::string folder = FBankFilesFolder.empty()
                                 ? QCoreApplication::applicationDirPath().toStdString()
                                 : FBankFilesFolder;
  const TBankFilesResult result = SaveBankFiles(FImage, ComboBox3->currentIndex(), folder);
  if (!result.ok) throw std::runtime_error(result.message);
}

}  // namespace karvelm
