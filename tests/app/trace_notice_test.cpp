// The desktop program's word about a packet trace it cannot write: once, and without
// holding up the work that is going on.
#include "app/ui/trace_notice.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>

#include "link/packet_trace.h"
#include "qt_test_environment.h"

namespace karvelm {
namespace {

QList<QMessageBox*> Notices() {
  QList<QMessageBox*> boxes;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->objectName() == kTraceNoticeName && widget->isVisible())
      boxes.push_back(qobject_cast<QMessageBox*>(widget));
  return boxes;
}

TEST(TraceNotice, ShownOnceWithoutAModalLoop) {
  const std::string path = "/nonexistent-folder/trace.jsonl";
  {
    TPacketTrace trace(path, TraceFailureNotice(path));
    EXPECT_TRUE(trace.Failed());
    EXPECT_TRUE(Notices().isEmpty()) << "the report returns at once; the box comes later";
    const uint8_t packet[12] = {1, 1, 12};
    trace.Record(tdToModule, itUDP, packet, sizeof packet);
    EXPECT_FALSE(trace.Flush());
  }
  QApplication::processEvents();
  const QList<QMessageBox*> boxes = Notices();
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_FALSE(boxes[0]->isModal());
  EXPECT_TRUE(boxes[0]->text().contains(QString::fromStdString(path)))
      << boxes[0]->text().toStdString();
  EXPECT_TRUE(boxes[0]->text().contains("No such file or directory"));
  boxes[0]->close();
  QApplication::processEvents();
}

}  // namespace
}  // namespace karvelm
