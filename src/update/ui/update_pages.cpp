#include "update/ui/update_pages.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/shell_services.h"
#include "base/ui/guarded_connect.h"
#include "base/ui/page_sheets.h"
#include "config/backup_texts.h"
#include "config/config_backup.h"
#include "update/accessory_update.h"
#include "update/module_update.h"
#include "update/update_texts.h"

#ifdef KARVELM_FIRMWARE_RESOURCES
// Outside any namespace, as the resource's initialiser is declared there.
static void InitFirmwareResources() {
  Q_INIT_RESOURCE(firmware_images);
}
#endif

namespace karvelm {

namespace {

// The buttons of the external-module rows 0..12, tags 4..16.
constexpr const char* kExtModuleButtons[kExtModuleRows] = {
    "Button19", "Button20", "Button21", "Button22", "Button23", "Button24", "Button26",
    "Button27", "Button28", "Button29", "Button30", "Button31", "Button32",
};

enum TUpdateTag : int {
  tagModule = 0,
  tagBosi = 1,
  tagPanelKarvel = 2,
  tagPanelTorsen = 3,
  tagFirstExtModule = 4,
};

constexpr const char* kTagProperty = "tag";

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

QLabel* Label(const char* text, const char* name = nullptr) {
  auto* label = new QLabel(QString::fromUtf8(text));
  if (name) label->setObjectName(name);
  return label;
}

QLabel* VersionLabel(const QString& name) {
  auto* label = new QLabel(QString::fromUtf8(kInitialVersionText));
  label->setObjectName(name);
  label->setMinimumWidth(110);
  return label;
}

QLabel* Heading(const char* text) {
  QLabel* label = Label(text);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  label->setWordWrap(true);
  return label;
}

// The images compiled in from resources/firmware/.
class TResourceImageSource final : public TImageSource {
 public:
  std::optional<TImageOpenResult> Find(const std::string& name) override {
    QFile file(Path(name));
    if (!file.exists()) return std::nullopt;
    TImageOpenResult result;
    result.image.name = name;
    if (!file.open(QIODevice::ReadOnly) || file.size() > static_cast<qint64>(kMaxImageSize)) {
      result.error = "Встроенный образ прошивки \"" + name + "\" не читается";
      return result;
    }
    const QByteArray bytes = file.readAll();
    result.image.bytes.assign(bytes.begin(), bytes.end());
    result.ok = true;
    return result;
  }
  std::string Where(const std::string& name) const override { return Path(name).toStdString(); }

 private:
  static QString Path(const std::string& name) {
    return QStringLiteral(":/firmware/") + Text(name);
  }
};

void UseCompactButton(QPushButton& button) {
  button.setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
  button.setMaximumHeight(button.fontMetrics().height() + 6);
}

}  // namespace

TImageResolver DesktopImageResolver(std::shared_ptr<TImageSource> firstImages) {
  TImageResolver resolver = DefaultImageResolver();
#ifdef KARVELM_FIRMWARE_RESOURCES
  InitFirmwareResources();
  resolver.Prepend(std::make_shared<TResourceImageSource>());
#endif
  if (firstImages) resolver.Prepend(std::move(firstImages));
  return resolver;
}

TUpdatePages::TUpdatePages(QWidget& window, QTabWidget& pages, TUpdatePageLinks links)
    : QObject(&window),
      FLinks(std::move(links)),
      FImages(DesktopImageResolver(FLinks.firstImages)) {
  QWidget& sheet = FindSheet(pages, "TabSheet10");
  auto* column = new QVBoxLayout(&sheet);
  column->setContentsMargins(4, 4, 4, 4);

  // Twenty-odd rows: a small screen scrolls them rather than squeezing them.
  auto* scroll = new QScrollArea;
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  auto* lists = new QWidget;
  auto* listColumn = new QVBoxLayout(lists);
  listColumn->setContentsMargins(0, 0, 0, 0);
  listColumn->setSpacing(2);
  listColumn->addWidget(BuildAvailable());
  listColumn->addSpacing(2);
  listColumn->addWidget(BuildCurrent());
  CheckBox5 = new QCheckBox(QString::fromUtf8("Загружать обновление из файла"));
  CheckBox5->setObjectName("CheckBox5");
  // A service function: hidden unless the service switch was given.
  CheckBox5->setVisible(FLinks.serviceMode);
  listColumn->addWidget(CheckBox5);
  listColumn->addStretch(1);
  scroll->setWidget(lists);
  column->addWidget(scroll, 1);

  ProgressBar1 = new QProgressBar;
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setVisible(false);
  column->addWidget(ProgressBar1);

  FLinks.registry.SetUpdatePage(*this);
}

QWidget* TUpdatePages::BuildAvailable() {
  auto* box = new QWidget;
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setVerticalSpacing(0);
  grid->addWidget(Heading(kAvailableVersionsHeading), 0, 0, 1, 5);
  // Two pairs of columns: the six rows fit in three lines.
  int i = 0;
  for (const TAvailableVersion& version : AvailableVersions()) {
    const int row = 1 + i % 3;
    const int column = i / 3 * 3;
    grid->addWidget(Label(version.caption), row, column);
    grid->addWidget(new QLabel(Text(AvailableVersionText(version))), row, column + 1);
    ++i;
  }
  grid->setColumnMinimumWidth(2, 16);
  grid->setColumnStretch(4, 1);
  return box;
}

QPushButton* TUpdatePages::UpdateButton(const char* name, const char* caption, int tag) {
  auto* button = new QPushButton(QString::fromUtf8(caption));
  button->setObjectName(name);
  button->setProperty(kTagProperty, tag);
  button->setEnabled(false);
  UseCompactButton(*button);
  ConnectGuarded(button, &QPushButton::clicked, this, [this, button] { UpdateClick(button); });
  return button;
}

QWidget* TUpdatePages::BuildCurrent() {
  auto* box = new QWidget;
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setVerticalSpacing(0);
  grid->addWidget(Heading(kCurrentVersionsHeading), 0, 0, 1, 4);

  StaticText194 = VersionLabel("StaticText194");
  Button2 = UpdateButton("Button2", "Прошить", tagModule);
  grid->addWidget(Label("Модуль KarvelM"), 1, 0, 1, 2);
  grid->addWidget(StaticText194, 1, 2);
  grid->addWidget(Button2, 1, 3, Qt::AlignLeft);

  StaticText195 = VersionLabel("StaticText195");
  Button18 = UpdateButton("Button18", "Прошить ПУ-Karvel", tagPanelKarvel);
  Button25 = UpdateButton("Button25", "Прошить ПУ-Torsen", tagPanelTorsen);
  // One above the other: side by side they would not fit the page's width.
  auto* panelButtons = new QVBoxLayout;
  panelButtons->setSpacing(1);
  panelButtons->addWidget(Button18);
  panelButtons->addWidget(Button25);
  grid->addWidget(Label("ПУ-Karvel/Torsen"), 2, 0, 1, 2);
  grid->addWidget(StaticText195, 2, 2);
  grid->addLayout(panelButtons, 2, 3);

  StaticText223 = VersionLabel("StaticText223");
  Button33 = UpdateButton("Button33", "Прошить", tagBosi);
  grid->addWidget(Label("Модуль связи с БОСИ"), 3, 0, 1, 2);
  grid->addWidget(StaticText223, 3, 2);
  grid->addWidget(Button33, 3, 3, Qt::AlignLeft);

  for (int r = 0; r < kExtModuleRows; ++r) {
    const int row = 4 + r;
    ext_mod_name[r] = Label(kNoVersionText);
    ext_mod_name[r]->setObjectName(QString("ext_mod_name%1").arg(r));
    ext_mod_name[r]->setProperty(kTagProperty, 0u);
    ext_mod_name[r]->setMinimumWidth(110);
    ext_mod_ver[r] = VersionLabel(QString("ext_mod_ver%1").arg(r));
    ext_mod_btn[r] = UpdateButton(kExtModuleButtons[r], "Прошить", tagFirstExtModule + r);
    grid->addWidget(Label("Внешний модуль RK"), row, 0);
    grid->addWidget(ext_mod_name[r], row, 1);
    grid->addWidget(ext_mod_ver[r], row, 2);
    grid->addWidget(ext_mod_btn[r], row, 3, Qt::AlignLeft);
  }
  Button2->setEnabled(true);  // until the first refresh says otherwise
  grid->setColumnStretch(4, 1);
  return box;
}

void TUpdatePages::ClickUpdateButton() {
  // Through the button's signal, so that UpdateClick runs whether the button is enabled or not.
  emit Button2->clicked(false);
}

TUpdateHooks TUpdatePages::Hooks() {
  TShellServices& services = FLinks.services;
  TUpdateHooks hooks;
  hooks.ask = [&services](const std::string& text, const std::string& caption) {
    return services.Dialogs().AskOkCancel(text, caption);
  };
  hooks.inform = [&services](const std::string& text, const std::string& caption) {
    services.Dialogs().Inform(text, caption);
  };
  hooks.chooseFile = [&services](int filterIndex) {
    TFileDialogRequest request;
    request.title = kUpdateDialogTitle;
    request.filter = kUpdateDialogFilter;
    request.defaultExtension = kUpdateDialogExtension;
    request.filterIndex = filterIndex;
    request.name = "OpenDialog3";
    return services.Dialogs().ChooseOpenFile(request);
  };
  hooks.busyCursor = [&services](bool busy) { services.SetBusyCursor(busy); };
  hooks.timer1 = [&services](bool running) { services.SetTimerEnabled(running); };
  hooks.repaint = [&services] { services.Repaint(); };
  hooks.progressVisible = [this, &services](bool visible) {
    ProgressBar1->setVisible(visible);
    if (visible) services.Repaint();
  };
  hooks.progress = [this](int percent) { ProgressBar1->setValue(percent); };
  hooks.refreshPage = [this] { Refresh(); };
  return hooks;
}

void TUpdatePages::UpdateClick(QObject* sender) {
  const int tag = sender ? sender->property(kTagProperty).toInt() : tagModule;
  if (tag == tagModule) {
    UpdateModule();
  } else {
    UpdateAccessory(tag);
  }
}

void TUpdatePages::UpdateModule() {
  TUpdateHooks hooks = Hooks();
  // A request still pending is withdrawn as soon as the question is answered with OK, before
  // the open dialog: a tick inside the dialog must not run it with the old image.
  auto ask = std::move(hooks.ask);
  hooks.ask = [this, ask](const std::string& text, const std::string& caption) {
    const bool ok = ask(text, caption);
    if (ok) FLinks.setUpdateRequest(false);
    return ok;
  };
  const TModuleUpdateRequest request =
      RequestModuleUpdate(hooks, CheckBox5->isChecked(), FLinks.moduleState().loader);
  if (request.file) FLinks.setModuleFile(*request.file);
  if (request.raised) FLinks.setUpdateRequest(true);
}

void TUpdatePages::UpdateAccessory(int tag) {
  const TUpdateHooks hooks = Hooks();
  const TAccessoryUpdateContext context{FImages, hooks, CheckBox5->isChecked(),
                                        FLinks.moduleState().firmware};
  if (tag == tagBosi) {
    UpdateBosi(context);
  } else if (tag == tagPanelKarvel || tag == tagPanelTorsen) {
    UpdatePanel(context, tag == tagPanelTorsen ? pkTorsen : pkKarvel);
  } else if (tag >= tagFirstExtModule && tag < tagFirstExtModule + kExtModuleRows) {
    const QLabel* name = ext_mod_name[static_cast<size_t>(tag - tagFirstExtModule)];
    UpdateExtModule(context, name->text().toStdString(), name->property(kTagProperty).toUInt());
  }
}

void TUpdatePages::RunModuleUpdate(const std::string& source) {
  // The stored configurations may not survive the module's new firmware: both are saved
  // first; without those backups the user decides.
  std::string backupFailure;
  {
    // The hourglass only: ProgressBar1 belongs to the transfer.
    TBusyCursor cursor(FLinks.services);
    const int configs[] = {0, 1};
    backupFailure = BackUpForOverwrite(configs);
  }
  if (!backupFailure.empty()) {
    TTimerPause pause(FLinks.services);
    if (!GoOnWithoutBackup(FLinks.services.Dialogs(), backupFailure, kUpdateWithoutBackupQuestion,
                           kUpdateCaption))
      return;
  }
  const TUpdateHooks hooks = Hooks();
  const TModuleUpdateResult result =
      UpdateModuleFirmware(source, CheckBox5->isChecked(), FImages, hooks);
  // A missing image is told here rather than through the exception report: the rest of the
  // tick (the other requests, the commands' state) still runs.
  if (!result.message.empty()) FLinks.services.Dialogs().Inform(result.message, kUpdateCaption);
  ProgressBar1->setVisible(false);
}

void TUpdatePages::Refresh() {
  ShowRows(RefreshVersionPage(FLinks.moduleState(), [] { return ListExtModulesOnLink(); }));
}

void TUpdatePages::ShowRows(const TVersionPageRows& rows) {
  StaticText194->setText(Text(rows.module.version));
  Button2->setEnabled(rows.module.enabled);
  StaticText195->setText(Text(rows.panel.version));
  Button18->setEnabled(rows.panel.enabled);
  Button25->setEnabled(rows.panel.enabled);
  StaticText223->setText(Text(rows.bosi.version));
  Button33->setEnabled(rows.bosi.enabled);
  for (size_t r = 0; r < rows.ext.size(); ++r) {
    const TExtModuleRow& row = rows.ext[r];
    ext_mod_name[r]->setText(Text(row.name));
    ext_mod_name[r]->setProperty(kTagProperty, row.address);
    ext_mod_ver[r]->setText(Text(row.version));
    ext_mod_btn[r]->setEnabled(row.enabled);
  }
}

}  // namespace karvelm
