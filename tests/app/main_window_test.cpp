// The main window as a user meets it: every tab in view and reachable, the debug page out of
// reach in the normal mode, page changes refused by every input while the DAC test runs, the
// focus kept off the link choice, Qt's own Russian texts, message boxes that show their
// captions and a window of fixed size.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTabBar>
#include <QTest>
#include <QWheelEvent>
#include <functional>
#include <set>

#include "app/ui/qt_dialogs.h"
#include "main_form_fixture.h"

namespace karvelm {
namespace {

constexpr int kWheelDown = -120;
constexpr int kWheelUp = 120;

void Wheel(QTabBar* bar, int delta) {
  const QPoint at = bar->tabRect(bar->currentIndex()).center();
  QWheelEvent event(at, bar->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(bar, &event);
}

class MainWindow : public MainFormFixture {
 protected:
  // The window shown on screen, as the user has it, with no module attached.
  void ShowWindow(std::vector<std::string> arguments = {}) {
    WriteSettings("[Settings]\ndisable_select_dialog=1\ninterface=-1\n");
    Start(std::move(arguments));
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }
  QTabBar* Bar() { return Pages()->tabBar(); }
  QTabWidget* SubPages() { return Find<QTabWidget>("PageControl2"); }
};

TEST_F(MainWindow, EveryTabLiesInsideTheVisibleBarAndIsClickableInBothModes) {
  for (const bool service : {false, true}) {
    SCOPED_TRACE(service ? "service mode" : "normal mode");
    ShowWindow(service ? std::vector<std::string>{"-s"} : std::vector<std::string>{});
    ASSERT_EQ(Pages()->count(), service ? 7 : 6);
    // What of the bar the page control shows, in the bar's own coordinates.
    const QRect visible = Bar()->rect() & Pages()->rect().translated(-Bar()->pos());
    EXPECT_TRUE(form->centralWidget()->rect().contains(
        QRect(Pages()->mapTo(form->centralWidget(), QPoint(0, 0)), Pages()->size())));
    for (int i = 0; i < Pages()->count(); ++i) {
      SCOPED_TRACE(Pages()->tabText(i).toStdString());
      const QRect tab = Bar()->tabRect(i);
      ASSERT_FALSE(tab.isEmpty());
      EXPECT_TRUE(visible.contains(tab)) << "tab " << tab.x() << ".." << tab.right() << " bar "
                                         << visible.x() << ".." << visible.right();
      // Wide enough for the longer half of its caption at the face it is drawn in.
      const QString caption = Pages()->tabText(i);
      const qsizetype space = caption.indexOf(' ');
      const QFontMetrics metrics(Bar()->font());
      const int needed =
          space < 0 ? metrics.horizontalAdvance(caption)
                    : std::min(metrics.horizontalAdvance(caption),
                               std::max(metrics.horizontalAdvance(caption.left(space)),
                                        metrics.horizontalAdvance(caption.mid(space + 1))));
      EXPECT_GE(tab.width(), needed);
    }
    for (int i = Pages()->count() - 1; i >= 0; --i) {
      QTest::mouseClick(Bar(), Qt::LeftButton, {}, Bar()->tabRect(i).center());
      EXPECT_EQ(Pages()->currentIndex(), i);
    }
    EXPECT_GE(Bar()->font().pointSizeF(), 6.0) << "still readable";
    form->close();
    Destroy();
  }
}

TEST_F(MainWindow, WheelReachesEveryVisiblePageButNeverTheDebugPage) {
  ShowWindow();
  std::set<int> seen{form->CurrentPage()};
  for (int i = 0; i < 10; ++i) {
    Wheel(Bar(), kWheelDown);
    seen.insert(form->CurrentPage());
    ASSERT_FALSE(form->Shell().debug_screen);
  }
  EXPECT_EQ(seen, (std::set<int>{mpDeviceParameters, mpMemoryConfig, mpSetPoints, mpTerminal,
                                 mpDiagnostics, mpUpdate}));
  EXPECT_EQ(form->CurrentPage(), mpUpdate);
  for (int i = 0; i < 10; ++i) Wheel(Bar(), kWheelUp);
  EXPECT_EQ(form->CurrentPage(), mpDeviceParameters);
  form->close();
  Destroy();

  // The same wheel does reach it where it belongs.
  ShowWindow({"-s"});
  for (int i = 0; i < 10; ++i) Wheel(Bar(), kWheelDown);
  EXPECT_EQ(form->CurrentPage(), mpDebug);
  EXPECT_TRUE(form->Shell().debug_screen);
}

TEST_F(MainWindow, KeysAndTheProgramNeverReachTheDebugPageInTheNormalMode) {
  const struct {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool onBar;
  } keys[] = {{"Ctrl+Tab", Qt::Key_Tab, Qt::ControlModifier, false},
              {"Ctrl+PgDn", Qt::Key_PageDown, Qt::ControlModifier, false},
              {"Right on the tab bar", Qt::Key_Right, Qt::NoModifier, true},
              {"End on the tab bar", Qt::Key_End, Qt::NoModifier, true}};
  for (const bool service : {false, true}) {
    ShowWindow(service ? std::vector<std::string>{"-s"} : std::vector<std::string>{});
    for (const auto& k : keys) {
      SCOPED_TRACE(std::string(k.name) + (service ? ", service mode" : ""));
      Pages()->setCurrentIndex(mpUpdate);  // the last page of the normal mode
      QWidget* target = k.onBar ? static_cast<QWidget*>(Bar()) : Pages();
      QTest::keyClick(target, k.key, k.modifiers);
      EXPECT_EQ(form->Shell().debug_screen, form->CurrentPage() == mpDebug);
      if (!service) {
        EXPECT_NE(form->CurrentPage(), mpDebug);
      }
    }
    if (service) {
      // Ctrl+Tab from the update page goes on to the debug page here.
      Pages()->setCurrentIndex(mpUpdate);
      QTest::keyClick(Pages(), Qt::Key_Tab, Qt::ControlModifier);
      EXPECT_EQ(form->CurrentPage(), mpDebug);
    } else {
      Pages()->setCurrentIndex(mpUpdate);
      QTest::keyClick(Pages(), Qt::Key_Tab, Qt::ControlModifier);
      EXPECT_EQ(form->CurrentPage(), mpDeviceParameters) << "Ctrl+Tab wraps round";
      // The version gate's switch and any other program switch cannot show it either.
      form->ShowPage(mpDebug);
      EXPECT_EQ(form->CurrentPage(), mpDeviceParameters);
      Pages()->setCurrentIndex(mpDebug);
      EXPECT_EQ(form->CurrentPage(), mpDeviceParameters);
      EXPECT_FALSE(form->Shell().debug_screen);
      EXPECT_FALSE(Find<QWidget>("TabSheet11")->isVisible());
    }
    form->close();
    Destroy();
  }
}

// Every way of changing the page of either control, refused while DACTimer runs and working
// once it stops.
TEST_F(MainWindow, WheelAndKeysAreRefusedWhileTheDacTimerRuns) {
  ShowWindow();
  Pages()->setCurrentIndex(mpDiagnostics);
  QTimer* dacTimer = Find<QTimer>("DACTimer");
  QTabBar* subBar = SubPages()->tabBar();
  const struct {
    const char* name;
    bool subPage;  // which control the action would switch
    std::function<void()> act;
  } actions[] = {
      {"wheel on PageControl1", false, [&] { Wheel(Bar(), kWheelDown); }},
      {"Ctrl+Tab on PageControl1", false,
       [&] { QTest::keyClick(Pages(), Qt::Key_Tab, Qt::ControlModifier); }},
      {"Right on PageControl1's tabs", false, [&] { QTest::keyClick(Bar(), Qt::Key_Right); }},
      {"wheel on PageControl2", true, [&] { Wheel(subBar, kWheelDown); }},
      {"Ctrl+Tab in a diagnostics sub-page", true,
       [&] { QTest::keyClick(SubPages()->currentWidget(), Qt::Key_Tab, Qt::ControlModifier); }},
      {"Ctrl+Shift+Tab on PageControl2", true,
       [&] { QTest::keyClick(SubPages(), Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier); }},
      {"Right on PageControl2's tabs", true, [&] { QTest::keyClick(subBar, Qt::Key_Right); }},
  };
  for (const bool running : {true, false}) {
    for (const auto& a : actions) {
      SCOPED_TRACE(std::string(a.name) + (running ? " while the DAC test runs" : " after it"));
      Pages()->setCurrentIndex(mpDiagnostics);
      SubPages()->setCurrentIndex(dpPeripheralBus);
      ASSERT_TRUE(form->Shell().perif_bus_screen);
      if (running) dacTimer->start();
      a.act();
      dacTimer->stop();
      const bool mainMoved = form->CurrentPage() != mpDiagnostics;
      const bool subMoved = form->CurrentSubPage() != dpPeripheralBus;
      EXPECT_EQ(mainMoved, !running && !a.subPage);
      EXPECT_EQ(subMoved, !running && a.subPage);
      EXPECT_EQ(form->Shell().perif_bus_screen, !(mainMoved || subMoved));
    }
  }
}

// A module that restarts slowly: while it is silent the tick disables the button the user
// clicked, and Qt passes its focus on. Arrow keys sent to wherever the focus went must not
// switch the link, whichever kind is selected.
TEST_F(MainWindow, FocusLeftByADisabledButtonCannotSwitchTheLink) {
  auto pressArrows = [] {
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Up}) {
      QWidget* focused = QApplication::focusWidget();
      ASSERT_NE(focused, nullptr);
      QTest::keyClick(focused, key);
    }
  };
  for (const TIntfType kind : {itHID_OLD, itHID_NEW, itUDP}) {
    SCOPED_TRACE(kind);
    WriteSettings("[Settings]\ndisable_select_dialog=1\ninterface=" + std::to_string(kind) + "\n");
    TSimConfig slowRestart;
    slowRestart.restartMs = 2500;
    Create({}, slowRestart);
    Show();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    Ticks(2);
    ASSERT_EQ(Text("StaticText11"), QString::fromUtf8("подключен"));
    const TExtIntf* link = ActiveLink.get();

    QTest::mouseClick(Find<QPushButton>("Button4"), Qt::LeftButton);
    ASSERT_TRUE(form->Shell().get_flag1);
    Ticks(2);  // a loader probe, then the firmware probe that finds the module gone
    ASSERT_FALSE(Find<QPushButton>("Button4")->isEnabled()) << "the module is restarting";
    ASSERT_TRUE(TickUntilLoader());
    EXPECT_FALSE(Find<QGroupBox>("RadioGroup1")->isAncestorOf(QApplication::focusWidget()));
    pressArrows();
    EXPECT_EQ(form->Settings().intf_type_num, kind);
    EXPECT_EQ(ActiveLink.get(), link);

    // The restart button goes grey as the firmware answers again.
    dialogs.answers.push_back(true);
    QTest::mouseClick(Find<QPushButton>("Button6"), Qt::LeftButton);
    Ticks(6);
    ASSERT_EQ(Text("StaticText11"), QString::fromUtf8("подключен"));
    ASSERT_FALSE(Find<QPushButton>("Button6")->isEnabled());
    pressArrows();
    EXPECT_EQ(form->Settings().intf_type_num, kind);
    EXPECT_EQ(ActiveLink.get(), link);
    form->close();
    Destroy();
  }
}

TEST_F(MainWindow, WhereTheUserPutsTheFocusTheArrowsChooseTheLink) {
  ShowWindow();
  QTest::mouseClick(Find<QRadioButton>("RadioGroup1Item0"), Qt::LeftButton);
  EXPECT_EQ(form->Settings().intf_type_num, itHID_OLD);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
  EXPECT_EQ(form->Settings().intf_type_num, itHID_NEW);
  ASSERT_NE(ActiveLink, nullptr);
  EXPECT_EQ(ActiveLink->IntfType(), itHID_NEW);
}

TEST_F(MainWindow, StandardDialogsSpeakRussian) {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!QFile::exists(folder + "/qtbase_ru.qm"))
    GTEST_SKIP() << "Qt's Russian translations are not installed in " << folder.toStdString();
  ASSERT_TRUE(TQtEnvironment::app->QtTranslationLoaded());
  QMessageBox box(QMessageBox::NoIcon, "", "", QMessageBox::Ok | QMessageBox::Cancel);
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QString::fromUtf8("Отмена"));
  QFileDialog dialog;
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  auto* buttons = dialog.findChild<QDialogButtonBox*>();
  ASSERT_NE(buttons, nullptr);
  EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8("Отмена"));
  // The system's own texts are not Qt's to translate.
  WriteSettings("[Settings]\ndisable_select_dialog=1\ninterface=-1\n");
  Start();
  EXPECT_EQ(Find<QPushButton>("Button6")->text(), QString::fromUtf8("Перезапустить Модуль"));
  EXPECT_EQ(Find<QToolButton>("JvSpeedButton2")->text(), QString::fromUtf8("Отм"));
}

// A short text under a long caption: the box is as wide as the caption needs.
TEST_F(MainWindow, MessageBoxesAreWideEnoughForTheirCaptions) {
  const std::string caption = "Считывание настроек из модуля платы";
  QFont title = QApplication::font();
  title.setBold(true);
  const int captionText = QFontMetrics(title).horizontalAdvance(QString::fromStdString(caption));
  TQtDialogs qtDialogs;
  for (const bool ask : {false, true}) {
    SCOPED_TRACE(ask ? "confirmation" : "message");
    int width = 0;
    WhenModal([&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      width = box->width();
      box->button(ask ? QMessageBox::Cancel : QMessageBox::Ok)->click();
    });
    if (ask) {
      EXPECT_FALSE(qtDialogs.AskOkCancel("Да?", caption));
    } else {
      qtDialogs.Inform("Да", caption);
    }
    // The frame's own icon and buttons beside the caption's text.
    EXPECT_GE(width, captionText + 90);
  }
}

TEST_F(MainWindow, TheWindowRefusesAResize) {
  for (const bool service : {false, true}) {
    ShowWindow(service ? std::vector<std::string>{"-s"} : std::vector<std::string>{});
    const QSize before = form->size();
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    form->resize(before + QSize(120, 80));
    QCoreApplication::processEvents();
    EXPECT_EQ(form->size(), before);
    form->resize(before - QSize(200, 100));
    QCoreApplication::processEvents();
    EXPECT_EQ(form->size(), before);
    EXPECT_EQ(form->centralWidget()->size(), QSize(800, service ? 560 : 540));
    form->close();
    Destroy();
  }
}

}  // namespace
}  // namespace karvelm
