// The menu bar and the tool bar Panel1.
#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include "app/compare_action.h"
#include "app/file_actions.h"
#include "app/report_action.h"
#include "app/ui/main_form.h"
#include "base/ui/guarded_connect.h"
#include "config/config_file.h"
#include "config/ui/config_diff_dialog.h"
#include "update/ui/update_pages.h"

namespace karvelm {

namespace {

QAction* Item(QMenu* menu, const char* name, const char* caption) {
  QAction* action = menu->addAction(QString::fromUtf8(caption));
  action->setObjectName(name);
  return action;
}

void Separator(QMenu* menu, const char* name) {
  menu->addSeparator()->setObjectName(name);
}

}  // namespace

void TMainForm::BuildMenu() {
  QMenuBar* bar = menuBar();
  bar->setObjectName("MainMenu1");
  QMenu* file = bar->addMenu(QString::fromUtf8("Файл"));
  file->setObjectName("N1");
  connect(Item(file, "N4", "Открыть"), &QAction::triggered, this,
          [this] { SpeedButton1->click(); });
  connect(Item(file, "N5", "Сохранить"), &QAction::triggered, this,
          [this] { SpeedButton2->click(); });
  ConnectGuarded(Item(file, "NCompareWithFile", kCompareMenuText), &QAction::triggered, this,
                 &TMainForm::CompareWithFileClick);
  ConnectGuarded(Item(file, "NOpenBackup", "Открыть резервную копию…"), &QAction::triggered, this,
                 [this] { OpenBackupFile(*this, *FImage); });
  Separator(file, "N6");
  connect(Item(file, "N7", "Выход"), &QAction::triggered, this, &TMainForm::close);

  // A menu item runs its button's handler whether or not the button is enabled.
  QMenu* module = bar->addMenu(QString::fromUtf8("Модуль"));
  module->setObjectName("N2");
  N11 = Item(module, "N11", "Считать конфигурацию 1");
  N21 = Item(module, "N21", "Считать конфигурацию 2");
  Separator(module, "N8");
  N12 = Item(module, "N12", "Записать в конфигурацию 1");
  N22 = Item(module, "N22", "Записать в конфигурацию 2");
  Separator(module, "N13");
  N14 = Item(module, "N14", "Перезапустить");
  Separator(module, "N15");
  N16 = Item(module, "N16", "Обновить ПО");
  for (QAction* action : {N11, N21, N12, N22, N14, N16}) action->setEnabled(false);
  ConnectGuarded(N11, &QAction::triggered, this, &TMainForm::Button4Click);
  ConnectGuarded(N21, &QAction::triggered, this, &TMainForm::Button7Click);
  ConnectGuarded(N12, &QAction::triggered, this, &TMainForm::Button5Click);
  ConnectGuarded(N22, &QAction::triggered, this, &TMainForm::Button8Click);
  ConnectGuarded(N14, &QAction::triggered, this, &TMainForm::Button6Click);
  connect(N16, &QAction::triggered, this, [this] { FUpdatePages->ClickUpdateButton(); });

  QMenu* help = bar->addMenu(QString::fromUtf8("Помощь"));
  help->setObjectName("N3");
  QAction* n9 = Item(help, "N9", "Помощь");
  n9->setShortcut(QKeySequence(Qt::Key_F1));
  n9->setShortcutContext(Qt::ApplicationShortcut);
  connect(n9, &QAction::triggered, this, &TMainForm::N9Click);
  ConnectGuarded(Item(help, "N23", kReportMenuCaption), &QAction::triggered, this,
                 &TMainForm::N23Click);
  connect(Item(help, "N10", "О программе"), &QAction::triggered, this, &TMainForm::N10Click);
}

void TMainForm::CompareWithFileClick() {
  const std::optional<TFileComparison> comparison = CompareWithFile(*this, *FImage);
  if (!comparison) return;
  TConfigDiffDialog dialog(this);
  dialog.ShowDiff(comparison->diff, FileNameOnly(comparison->path));
  dialog.exec();
}

QWidget* TMainForm::BuildToolBar() {
  auto* panel = new QFrame;
  panel->setObjectName("Panel1");
  panel->setFrameShape(QFrame::StyledPanel);
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(2, 2, 2, 2);
  SpeedButton1 = new QToolButton;
  SpeedButton1->setObjectName("SpeedButton1");
  SpeedButton1->setAutoRaise(true);
  SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
  SpeedButton1->setToolTip(QString::fromUtf8("Открыть"));
  SpeedButton2 = new QToolButton;
  SpeedButton2->setObjectName("SpeedButton2");
  SpeedButton2->setAutoRaise(true);
  SpeedButton2->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  SpeedButton2->setToolTip(QString::fromUtf8("Сохранить"));
  Button35 = new QPushButton(QString::fromUtf8("Сохранить банки в файл"));
  Button35->setObjectName("Button35");
  row->addWidget(SpeedButton1);
  row->addWidget(SpeedButton2);
  row->addWidget(Button35);
  row->addStretch(1);
  ConnectGuarded(SpeedButton1, &QToolButton::clicked, this, &TMainForm::SpeedButton1Click);
  ConnectGuarded(SpeedButton2, &QToolButton::clicked, this, &TMainForm::SpeedButton2Click);
  return panel;
}

}  // namespace karvelm
