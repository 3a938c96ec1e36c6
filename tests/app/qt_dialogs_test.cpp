// The file dialogs' filters as Qt is given them.
#include "app/ui/qt_dialogs.h"

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest/QTest>

#include "config/config_texts.h"
#include "config/page_image_load.h"
#include "qt_test_environment.h"

namespace karvelm {
namespace {

bool Matches(const QString& filter, const QString& name) {
  const QString patterns = filter.section('(', 1).chopped(1);
  for (const QString& pattern : patterns.split(' ', Qt::SkipEmptyParts))
    if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern))
            .match(name)
            .hasMatch())
      return true;
  return false;
}

TEST(FileDialogFilters, PairsBecomeQtFiltersAndAllFilesMeansEveryName) {
  const QStringList config = FileDialogFilters(kOpenConfigDialogFilter);
  EXPECT_EQ(config, (QStringList{"Бинарный файл (*.bin)", "Все файлы (*)"}));

  const QStringList pages = FileDialogFilters(kPageImageDialogFilter);
  ASSERT_EQ(pages.size(), 3);
  // A paper-tape image without an extension is offered under the last filter only.
  EXPECT_FALSE(Matches(pages[0], "tape"));
  EXPECT_FALSE(Matches(pages[1], "tape"));
  EXPECT_TRUE(Matches(pages[2], "tape"));
  EXPECT_TRUE(Matches(pages[2], "rom.bin"));
  EXPECT_TRUE(Matches(pages[0], "rom.bin"));
}

TEST(FileDialogFilters, SeveralPatternsAndAnOddPairCount) {
  EXPECT_EQ(FileDialogFilters("Образы|*.bin;*.lda|Лишнее"), (QStringList{"Образы (*.bin *.lda)"}));
  EXPECT_TRUE(FileDialogFilters("").isEmpty());
}

// Going on without a backup is not what Enter should do.
TEST(QtDialogs, RiskyQuestionHasCancelAsTheDefault) {
  TQtDialogs dialogs;
  for (const bool risky : {false, true}) {
    SCOPED_TRACE(risky);
    bool cancelIsDefault = false;
    WhenModal([&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      cancelIsDefault = box->defaultButton() == box->button(QMessageBox::Cancel);
      QTest::keyClick(box, Qt::Key_Return);
    });
    const bool answer = risky ? dialogs.AskOkCancelDefaultCancel("Дальше?", "Запись настроек")
                              : dialogs.AskOkCancel("Дальше?", "Запись настроек");
    EXPECT_EQ(cancelIsDefault, risky);
    EXPECT_EQ(answer, !risky) << "Enter takes the default button";
  }
}

}  // namespace
}  // namespace karvelm
