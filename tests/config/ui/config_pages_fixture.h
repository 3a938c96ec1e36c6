// The main window offscreen and on screen (so that the pages get their show events), with no
// link; the configuration pages are reached by their sheet and object names.
#pragma once

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include "config/ui/config_pages.h"
#include "config/ui/ext_inputs_dialog.h"
#include "main_form_fixture.h"

namespace karvelm {

class ConfigPagesFixture : public MainFormFixture {
 protected:
  void SetUp() override {
    MainFormFixture::SetUp();
    WriteSettings("[Settings]\ndisable_select_dialog=1\ninterface=-1\n");
  }
  void Open(std::vector<std::string> arguments = {}) {
    Start(std::move(arguments));
    form->show();
    QCoreApplication::processEvents();
  }
  // Brings a page into view as a click on its tab does.
  void ShowSheet(int page) {
    Pages()->setCurrentIndex(page);
    QCoreApplication::processEvents();
  }
  // Names repeat between the pages and the interrupt dialog: look inside the sheet.
  template <typename T>
  T* On(const char* sheet, const char* name) {
    QWidget* page = form->findChild<QWidget*>(sheet);
    EXPECT_NE(page, nullptr) << sheet;
    T* widget = page ? page->findChild<T*>(name) : nullptr;
    EXPECT_NE(widget, nullptr) << sheet << " " << name;
    return widget;
  }
  // Key presses carrying the characters of text, Cyrillic too (the test library's own key
  // clicks know ASCII only).
  static void KeyIn(QWidget* entry, const QString& text) {
    for (QChar ch : text) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(entry, &press);
      QApplication::sendEvent(entry, &release);
    }
  }
  // Replaces an entry's text the way the user does: select all, type.
  static void Type(QLineEdit* entry, const QString& text) {
    entry->setFocus();
    entry->selectAll();
    if (text.isEmpty()) {
      QTest::keyClick(entry, Qt::Key_Delete);
    } else {
      KeyIn(entry, text);
    }
  }
  // A pick from a closed drop-down list: the item before it selected silently, then the user's
  // arrow key, which selects the item and reports it as chosen.
  static void Pick(QComboBox* list, int item) {
    QSignalBlocker block(list);
    list->setCurrentIndex(item - 1);
    block.unblock();
    QTest::keyClick(list, Qt::Key_Down);
  }
};

}  // namespace karvelm
