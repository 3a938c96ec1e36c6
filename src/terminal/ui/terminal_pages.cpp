#include "terminal/ui/terminal_pages.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "base/ui/guarded_connect.h"
#include "base/ui/page_sheets.h"
#include "terminal/terminal_keys.h"
#include "terminal/ui/terminal_key_map.h"

namespace karvelm {

namespace {

constexpr int kMemoWidth = 435;
constexpr int kMemoHeight = 385;
// The height of a character cell: 16 lines of it fill the box.
constexpr int kCellHeight = 24;

// Bold fixed pitch, the largest face whose character cell is kCellHeight pixels high (with
// DejaVu Sans Mono a 20-pixel em; 32 cells are then 384 pixels wide).
QFont TerminalFont() {
  QFont font("DejaVu Sans Mono");
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setBold(true);
  int size = kCellHeight;
  for (; size > 8; --size) {
    font.setPixelSize(size);
    if (QFontMetrics(font).height() <= kCellHeight) break;
  }
  return font;
}

// Memo1: its key presses go to the page first, then on to the box (which, being read-only,
// changes nothing).
class TTerminalMemo final : public QPlainTextEdit {
 public:
  explicit TTerminalMemo(TTerminalPages& page) : FPage(page) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    try {
      FPage.Memo1KeyDown(*event);
    } catch (...) {
      ReportCurrentException();
    }
    QPlainTextEdit::keyPressEvent(event);
  }

 private:
  TTerminalPages& FPage;
};

}  // namespace

TTerminalPages::TTerminalPages(QWidget& window, QTabWidget& pages, TPageRegistry& registry,
                               std::function<bool()> connected)
    : QObject(&window), FSheet(&FindSheet(pages, "TabSheet3")), FConnected(std::move(connected)) {
  auto* column = new QVBoxLayout(FSheet);
  Memo1 = new TTerminalMemo(*this);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setUndoRedoEnabled(false);  // lines replaced every second must not pile up
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setFrameShape(QFrame::NoFrame);
  Memo1->document()->setDocumentMargin(0);
  Memo1->setFont(TerminalFont());
  Memo1->setFixedSize(kMemoWidth, kMemoHeight);
  QPalette palette = Memo1->palette();
  palette.setColor(QPalette::Base, Qt::black);
  palette.setColor(QPalette::Text, QColor(0xC0, 0xC0, 0xC0));
  Memo1->setPalette(palette);
  // Double-buffered as every widget is (the window's back buffer): no flicker when all lines
  // change. No caret: the box is a mirror, typing goes to the module.
  Memo1->setCursorWidth(0);
  Memo1->setPlainText(QString(kTerminalLines - 1, QChar('\n')));
  column->addWidget(Memo1, 0, Qt::AlignLeft | Qt::AlignTop);
  ConnectGuarded(Memo1, &QPlainTextEdit::textChanged, this, &TTerminalPages::Memo1Change);
  registry.AddDataPage(pgTerminal, *this);
}

void TTerminalPages::Read() {
  FScreen.ReadTerminalScreen();
}

void TTerminalPages::Show() {
  RenderTerminal();
}

void TTerminalPages::Enter() {
  Memo1->setFocus();
}

void TTerminalPages::RenderTerminal() {
  const TTerminalView view = FScreen.RenderTerminal(FConnected());
  QTextDocument& document = *Memo1->document();
  const QTextCursor selection = Memo1->textCursor();
  const int start = selection.selectionStart();
  const int length = selection.selectionEnd() - start;

  // The sixteen lines are replaced in place, each only where it differs: a line whose text is
  // replaced whole is laid out and painted again with every line below it.
  QTextCursor edit(&document);
  edit.beginEditBlock();
  for (int i = 0; i < kTerminalLines; ++i) {
    const QTextBlock block = document.findBlockByNumber(i);
    // An upper-case box, as the console has no small letters (only the not-connected text has).
    const QString line = QString::fromStdU16String(view.lines[i]).toUpper();
    const QString old = block.text();
    if (old == line) continue;
    int first = 0;
    while (first < old.size() && first < line.size() && old[first] == line[first]) ++first;
    int tail = 0;
    while (tail < old.size() - first && tail < line.size() - first &&
           old[old.size() - 1 - tail] == line[line.size() - 1 - tail])
      ++tail;
    edit.setPosition(block.position() + first);
    edit.setPosition(block.position() + static_cast<int>(old.size()) - tail,
                     QTextCursor::KeepAnchor);
    edit.insertText(line.mid(first, line.size() - first - tail));
  }
  edit.endEditBlock();

  // Start, then length: the selection comes back as the user left it, as far as the text
  // still reaches.
  const int last = document.characterCount() - 1;
  QTextCursor restored(&document);
  restored.setPosition(std::min(start, last));
  restored.setPosition(std::min(start + length, last), QTextCursor::KeepAnchor);
  Memo1->setTextCursor(restored);
}

void TTerminalPages::Memo1KeyDown(const QKeyEvent& event) {
  QTextCursor cursor = Memo1->textCursor();
  cursor.setPosition(cursor.selectionStart());
  Memo1->setTextCursor(cursor);
  // A failed write is neither reported nor repeated.
  SendTerminalKey(FConnected(), TerminalKeyStroke(event.key(), event.modifiers()));
}

void TTerminalPages::Memo1Change() {
  Memo1->setCursorWidth(0);
}

}  // namespace karvelm
