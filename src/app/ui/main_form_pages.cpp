// The page controls: PageControl1 with its seven pages and PageControl2, the diagnostics
// sub-pages. The pages' content comes with their own parts; here are the tabs, the page
// switch handling and the refusal while the DAC test runs.
#include <QCheckBox>
#include <QEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/ui/main_form.h"
#include "config/ui/config_pages.h"
#include "config/ui/memory_sheet.h"

namespace karvelm {

namespace {

QWidget* Sheet(QTabWidget* control, const char* name, const char* caption) {
  auto* page = new QWidget;
  page->setObjectName(name);
  control->addTab(page, QString::fromUtf8(caption));
  return page;
}

}  // namespace

QWidget* TMainForm::BuildPages() {
  PageControl1 = new QTabWidget;
  PageControl1->setObjectName("PageControl1");
  Sheet(PageControl1, "TabSheet1", "Параметры устройства");
  Sheet(PageControl1, "TabSheet2", "Конфигурация памяти");
  Sheet(PageControl1, "TabSheet4", "Блок уставок");
  QWidget* terminal = Sheet(PageControl1, "TabSheet3", "Терминал");
  QWidget* diagnostics = Sheet(PageControl1, "TabSheet5", "Диагностика");
  QWidget* update = Sheet(PageControl1, "TabSheet10", "Обновление ПО");
  Sheet(PageControl1, "TabSheet11", "Отладка");
  FConfigPages = new TConfigPages(*this, *PageControl1, *FImage, *FOptions.dialogs);
  connect(Button35, &QPushButton::clicked, this,
          [this] { FConfigPages->Memory().Button35Click(); });

  auto* terminalColumn = new QVBoxLayout(terminal);
  Memo1 = new QPlainTextEdit;
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  terminalColumn->addWidget(Memo1);

  auto* diagColumn = new QVBoxLayout(diagnostics);
  diagColumn->setContentsMargins(0, 0, 0, 0);
  PageControl2 = new QTabWidget;
  PageControl2->setObjectName("PageControl2");
  PageControl2->setDocumentMode(true);
  Sheet(PageControl2, "TabSheet6", "Периферийная шина");
  Sheet(PageControl2, "TabSheet7", "Вх./вых. RK-110(111,112)/RK-120");
  Sheet(PageControl2, "TabSheet8", "ЦАП RK-130");
  Sheet(PageControl2, "TabSheet9", "БСД RK-140; RK-141,RK142,RK-143");
  PageControl2->tabBar()->setExpanding(false);
  PageControl2->tabBar()->setUsesScrollButtons(true);
  diagColumn->addWidget(PageControl2);

  auto* updateColumn = new QVBoxLayout(update);
  Button2 = new QPushButton(QString::fromUtf8("Прошить"));
  Button2->setObjectName("Button2");
  CheckBox5 = new QCheckBox(QString::fromUtf8("Загружать обновление из файла"));
  CheckBox5->setObjectName("CheckBox5");
  updateColumn->addWidget(Button2, 0, Qt::AlignLeft);
  updateColumn->addWidget(CheckBox5);
  updateColumn->addStretch(1);
  ProgressBar1 = new QProgressBar;
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setVisible(false);
  updateColumn->addWidget(ProgressBar1);

  // Only the user's switches run the handlers; ShowPage blocks them.
  connect(PageControl1, &QTabWidget::currentChanged, this, &TMainForm::PageControl1Change);
  connect(PageControl2, &QTabWidget::currentChanged, this, &TMainForm::PageControl2Change);
  for (QTabWidget* control : {PageControl1, PageControl2}) {
    // Seven captions in the page width: a slightly smaller face.
    QFont small = control->tabBar()->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    control->tabBar()->setFont(small);
    control->installEventFilter(this);
    control->tabBar()->installEventFilter(this);
  }
  return PageControl1;
}

// PageControl1Changing and PageControl2Changing: while the DAC sawtooth test runs, nothing
// the user does on a tab bar may switch the page.
bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
      if (!FShell.PageChangeAllowed()) return true;
      break;
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMainForm::PageControl1Change() {
  FShell.PageControl1Change();
}

void TMainForm::PageControl2Change() {
  FShell.PageControl2Change();
}

int TMainForm::CurrentPage() const {
  return PageControl1->currentIndex();
}

int TMainForm::CurrentSubPage() const {
  return PageControl2->currentIndex();
}

void TMainForm::ShowPage(int index) {
  QSignalBlocker block(PageControl1);
  PageControl1->setCurrentIndex(index);
}

void TMainForm::FocusTerminal() {
  Memo1->setFocus();
}

bool TMainForm::DacTimerActive() const {
  return DACTimer->isActive();
}

bool TMainForm::LoadUpdateFromFile() const {
  return CheckBox5->isChecked();
}

void TMainForm::HideProgressBar1() {
  ProgressBar1->setVisible(false);
}

}  // namespace karvelm
