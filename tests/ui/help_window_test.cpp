// The help window: paging, the markup of help lines, links, the page-number
// repeat, and the built-in manual.
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <map>
#include <set>

#include "help_code.h"
#include "help_lint.h"
#include "help_test_access.h"
#include "help_unit.h"

namespace {

// Stored (pair-coded) lines from plain ones.
std::vector<std::string> Stored(const std::vector<std::string>& plain) {
  std::vector<std::string> stored;
  for (size_t i = 0; i < plain.size(); ++i) stored.push_back(tervo::EncodePairs(plain[i], static_cast<uint32_t>(i)));
  return stored;
}

// A help text of n lines: titles "title <p>", text lines "line <i>".
std::vector<std::string> NumberedLines(int n) {
  std::vector<std::string> lines;
  for (int i = 0; i < n; ++i) lines.push_back(i % 25 == 0 ? "title " + std::to_string(i / 25 + 1) : "line " + std::to_string(i));
  return lines;
}

// A page: its title line, then the given text lines.
std::vector<std::string> Page(const std::string& title, std::vector<std::string> text) {
  text.insert(text.begin(), title);
  text.resize(25);
  return text;
}

std::vector<HelpDrawOp> Characters(const Thelpform& help) {
  std::vector<HelpDrawOp> chars;
  for (const HelpDrawOp& op : help.Drawing().ops)
    if (op.kind == HelpDrawOp::Character) chars.push_back(op);
  return chars;
}

std::vector<HelpDrawOp> Edges(const Thelpform& help) {
  std::vector<HelpDrawOp> edges;
  for (const HelpDrawOp& op : help.Drawing().ops)
    if (op.kind == HelpDrawOp::Edge) edges.push_back(op);
  return edges;
}

// The characters of one text line, drawn on page 1 row 1.
std::vector<HelpDrawOp> DrawLine(Thelpform& help, const std::string& line) {
  tervo::HelpTestAccess::SetStoredLines(help, Stored({"t", line}));
  help.OpenHelp();
  return Characters(help);
}

// The title of the shown page.
QString Title(const Thelpform& help) {
  const std::string& t = help.Drawing().title;
  return QString::fromLatin1(t.data(), static_cast<qsizetype>(t.size()));
}

int RowOf(const HelpDrawOp& op) { return (op.y + 5) / 24; }

QString RowText(const Thelpform& help, int row) {
  QString text;
  for (const HelpDrawOp& op : Characters(help))
    if (RowOf(op) == row) text += QChar(static_cast<uchar>(op.ch));
  return text;
}

}  // namespace

class HelpWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void pageCountRoundsUp_data();
  void pageCountRoundsUp();
  void lastPageOf321Lines();
  void pagingStopsAtBothEnds();
  void homeAndPageOneButtonShowTheFirstPage();
  void markupHeightsAndOffsets_data();
  void markupHeightsAndOffsets();
  void tabStops_data();
  void tabStops();
  void boxedCells();
  void styleCommands();
  void titleIsShownAsItStands();
  void linkHighlightAndClick();
  void linkHighlightIsDrawnInverted();
  void pageNumberRepeatsWhileHeld();
  void escapeClosesAndReopeningStartsAtPageOne();
  void manualPagesAreSound();
  void contentsRowsLinkToTheirPages();
  void placedInsideTheFreeArea_data();
  void placedInsideTheFreeArea();
};

void HelpWindowTest::pageCountRoundsUp_data() {
  QTest::addColumn<int>("lines");
  QTest::addColumn<int>("pages");
  QTest::newRow("321 lines") << 321 << 13;
  QTest::newRow("whole pages: no empty page after them") << 325 << 13;
  QTest::newRow("one line more") << 326 << 14;
  QTest::newRow("a title alone") << 1 << 1;
  QTest::newRow("no text at all") << 0 << 1;
}

void HelpWindowTest::pageCountRoundsUp() {
  QFETCH(int, lines);
  QFETCH(int, pages);
  Thelpform help;
  tervo::HelpTestAccess::SetStoredLines(help, Stored(NumberedLines(lines)));
  help.OpenHelp();
  QCOMPARE(int(help.HelpPageCount), pages);
  QCOMPARE(int(help.HelpPage), 1);
}

void HelpWindowTest::lastPageOf321Lines() {
  Thelpform help;
  tervo::HelpTestAccess::SetStoredLines(help, Stored(NumberedLines(321)));
  help.OpenHelp();
  for (int i = 0; i < 20; ++i) QTest::keyClick(&help, Qt::Key_PageDown);
  QCOMPARE(int(help.HelpPage), 13);
  QCOMPARE(help.findChild<QLabel*>("PageNrDisplay")->text(), QStringLiteral("13"));
  QCOMPARE(help.findChild<QLabel*>("subtitle")->text(), QStringLiteral("title 13"));
  std::set<int> rows;
  for (const HelpDrawOp& op : Characters(help)) rows.insert(RowOf(op));
  QCOMPARE(int(rows.size()), 20);
  QCOMPARE(*rows.begin(), 1);
  QCOMPARE(*rows.rbegin(), 20);
  QCOMPARE(RowText(help, 20), QStringLiteral("line 320"));
}

void HelpWindowTest::pagingStopsAtBothEnds() {
  Thelpform help;
  tervo::HelpTestAccess::SetStoredLines(help, Stored(NumberedLines(60)));
  help.OpenHelp();

  int drawn = tervo::HelpTestAccess::PaintCount(help);
  QTest::keyClick(&help, Qt::Key_PageUp);
  QCOMPARE(int(help.HelpPage), 1);
  QCOMPARE(tervo::HelpTestAccess::PaintCount(help), drawn);  // page 1 is not drawn again

  QTest::keyClick(&help, Qt::Key_PageDown);
  QTest::keyClick(&help, Qt::Key_PageDown);
  QCOMPARE(int(help.HelpPage), 3);
  QCOMPARE(RowText(help, 1), QStringLiteral("line 51"));
  drawn = tervo::HelpTestAccess::PaintCount(help);
  QTest::keyClick(&help, Qt::Key_PageDown);
  QCOMPARE(int(help.HelpPage), 3);
  QCOMPARE(tervo::HelpTestAccess::PaintCount(help), drawn);
  QCOMPARE(help.findChild<QLabel*>("PageNrDisplay")->text(), QStringLiteral("3"));

  QTest::keyClick(&help, Qt::Key_PageUp);
  QCOMPARE(int(help.HelpPage), 2);
  QCOMPARE(help.findChild<QLabel*>("subtitle")->text(), QStringLiteral("title 2"));
}

void HelpWindowTest::homeAndPageOneButtonShowTheFirstPage() {
  Thelpform help;
  tervo::HelpTestAccess::SetStoredLines(help, Stored(NumberedLines(100)));
  help.OpenHelp();
  help.StepPage(Thelpform::kNextPage);
  help.StepPage(Thelpform::kNextPage);
  QTest::keyClick(&help, Qt::Key_Home);
  QCOMPARE(int(help.HelpPage), 1);
  QCOMPARE(help.findChild<QLabel*>("PageNrDisplay")->text(), QStringLiteral("1"));

  // Also on page 1 the page is drawn again.
  const int drawn = tervo::HelpTestAccess::PaintCount(help);
  QTest::keyClick(&help, Qt::Key_Home);
  QCOMPARE(tervo::HelpTestAccess::PaintCount(help), drawn + 1);

  help.StepPage(Thelpform::kNextPage);
  help.findChild<QPushButton*>("page1Btn")->click();
  QCOMPARE(int(help.HelpPage), 1);
  QCOMPARE(help.findChild<QLabel*>("subtitle")->text(), QStringLiteral("title 1"));
}

void HelpWindowTest::markupHeightsAndOffsets_data() {
  QTest::addColumn<QString>("line");
  QTest::addColumn<QString>("expected");  // per drawn character: cell height and offset from the row
  QTest::newRow("large, then normal") << "\\Lbig\\Nnormal" << "b24+0 i24+0 g24+0 n20+0 o20+0 r20+0 m20+0 a20+0 l20+0";
  QTest::newRow("lowered index") << "H\\B2\\NO" << "H20+0 217+7 O20+0";
  QTest::newRow("raised exponent") << "2\\Pn\\N" << "220+0 n17-5";
  QTest::newRow("small") << "a\\Sb" << "a20+0 b17+0";
  QTest::newRow("unknown command dropped") << "a\\Zb\\7c" << "a20+0 b20+0 c20+0";
  QTest::newRow("lower-case commands") << "\\lbig\\nx H\\b2\\n2\\pn\\sa" << "b24+0 i24+0 g24+0 x20+0  20+0 H20+0 217+7 220+0 n17-5 a17+0";
  QTest::newRow("second backslash still waits for a command") << "\\\\Lx" << "x24+0";
}

void HelpWindowTest::markupHeightsAndOffsets() {
  QFETCH(QString, line);
  QFETCH(QString, expected);
  Thelpform help;
  QStringList got;
  for (const HelpDrawOp& op : DrawLine(help, line.toStdString()))
    got << QStringLiteral("%1%2%3%4")
               .arg(QChar(op.ch))
               .arg(op.cellHeight)
               .arg(op.y - 24 >= 0 ? "+" : "-")
               .arg(std::abs(op.y - 24));
  QCOMPARE(got.join(' '), expected);
}

void HelpWindowTest::tabStops_data() {
  QTest::addColumn<QString>("line");
  QTest::addColumn<int>("xOfX");
  QTest::newRow("one tab at the start") << "\\TX" << 150;
  QTest::newRow("two tabs") << "\\T\\TX" << 300;
  QTest::newRow("a tab from 150 goes to 300") << "\\Ta\\TX" << 300;
  QTest::newRow("text first") << "abc\\TX" << 150;
  QTest::newRow("no tab: the left margin") << "X" << 10;
  QTest::newRow("lower-case tab") << "\\t\\tX" << 300;
}

void HelpWindowTest::tabStops() {
  QFETCH(QString, line);
  QFETCH(int, xOfX);
  Thelpform help;
  const auto chars = DrawLine(help, line.toStdString());
  QVERIFY(!chars.empty());
  QCOMPARE(chars.back().ch, 'X');
  QCOMPARE(chars.back().x, xOfX);
}

void HelpWindowTest::boxedCells() {
  Thelpform help;
  const auto chars = DrawLine(help, "\\[ab\\[cd\\[");
  const auto edges = Edges(help);
  const int y = 24;

  // Three vertical edges from y - 5 to y + 25: at 10, after "ab", after "cd".
  std::vector<int> verticals;
  for (const HelpDrawOp& e : edges) {
    if (e.x != e.x2) continue;
    QCOMPARE(e.y, y - 5);
    QCOMPARE(e.y2, y + 25);
    verticals.push_back(e.x);
  }
  QCOMPARE(int(verticals.size()), 3);
  QCOMPARE(chars.size(), size_t{4});
  QCOMPARE(verticals[0], 10);
  QCOMPARE(chars[0].x, 15);  // 5 pixels inside the edge
  QCOMPARE(verticals[1], chars[1].x + chars[1].width);
  QCOMPARE(chars[2].x, verticals[1] + 5);
  QCOMPARE(verticals[2], chars[3].x + chars[3].width);

  // Top and bottom edges run without a gap from the first to the last vertical.
  for (int edgeY : {y - 5, y + 25}) {
    std::vector<std::pair<int, int>> spans;
    for (const HelpDrawOp& e : edges)
      if (e.y == edgeY && e.y2 == edgeY) spans.emplace_back(e.x, e.x2);
    std::sort(spans.begin(), spans.end());
    QVERIFY(!spans.empty());
    QCOMPARE(spans.front().first, verticals[0]);
    int reach = spans.front().first;
    for (const auto& [from, to] : spans) {
      QVERIFY2(from <= reach, "gap in a box edge");
      reach = std::max(reach, to);
    }
    QCOMPARE(reach, verticals[2]);
  }
}

void HelpWindowTest::styleCommands() {
  for (const char* line : {"a\\Fb\\Ic\\Fd\\Me\\Nf", "a\\fb\\ic\\fd\\me\\nf"}) {
    Thelpform help;
    const auto chars = DrawLine(help, line);
    QCOMPARE(chars.size(), size_t{6});
    QVERIFY(!chars[0].bold && !chars[0].italic && !chars[0].marked);
    QVERIFY(chars[1].bold && !chars[1].italic);  // bold only
    QVERIFY(!chars[2].bold && chars[2].italic);  // italic only
    QVERIFY(chars[3].bold && !chars[3].italic);
    QVERIFY(chars[4].bold && chars[4].marked);  // marked background
    QVERIFY(!chars[5].bold && !chars[5].italic && !chars[5].marked && chars[5].cellHeight == 20);
    QCOMPARE(chars[1].x, chars[0].x + chars[0].width);  // characters follow by their widths
  }
}

void HelpWindowTest::titleIsShownAsItStands() {
  Thelpform help;
  const std::string title = "a\\Lb\\\\c\\T <b>d</b> \\[";
  tervo::HelpTestAccess::SetStoredLines(help, Stored({title, "text"}));
  help.OpenHelp();
  QCOMPARE(help.findChild<QLabel*>("subtitle")->text(), QString::fromStdString(title));
  QCOMPARE(help.findChild<QLabel*>("subtitle")->textFormat(), Qt::PlainText);
  for (const HelpDrawOp& op : help.Drawing().ops) QVERIFY(op.y > 5);  // nothing drawn for row 0
  QCOMPARE(RowText(help, 1), QStringLiteral("text"));
}

void HelpWindowTest::linkHighlightAndClick() {
  Thelpform help;
  std::vector<std::string> lines = Page("contents", {"no link here", "second page\\G2", "third page\\g3", "nowhere\\G9"});
  const auto p2 = Page("page two", {"back\\G1"});
  const auto p3 = Page("page three", {"x"});
  lines.insert(lines.end(), p2.begin(), p2.end());
  lines.insert(lines.end(), p3.begin(), p3.end());
  tervo::HelpTestAccess::SetStoredLines(help, Stored(lines));
  help.OpenHelp();
  QVERIFY(QTest::qWaitForWindowExposed(&help));
  auto* box = help.findChild<QWidget*>("helpbox");

  QCOMPARE(int(help.LinkTarget[2]), 2);
  QCOMPARE(int(help.LinkTarget[3]), 3);
  QCOMPARE(RowText(help, 2), QStringLiteral("second page"));  // the command draws nothing

  // Pointer over a row without a link: no highlight; a click does nothing.
  QTest::mouseMove(box, QPoint(300, 24 * 1 + 10));
  QCOMPARE(int(help.LinkRow), 0);
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(300, 24 * 1 + 10));
  QCOMPARE(int(help.HelpPage), 1);

  // Over a linked row: highlighted; a click shows the linked page.
  QTest::mouseMove(box, QPoint(300, 24 * 3 + 10));
  QCOMPARE(int(help.LinkRow), 3);
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(300, 24 * 3 + 10));
  QCOMPARE(int(help.HelpPage), 3);
  QCOMPARE(help.findChild<QLabel*>("PageNrDisplay")->text(), QStringLiteral("3"));
  QCOMPARE(help.findChild<QLabel*>("subtitle")->text(), QStringLiteral("page three"));
  QCOMPARE(int(help.LinkTarget[3]), 0);  // the new page's own links

  // A link to a page that does not exist is not followed.
  help.FirstPage();
  QTest::mouseMove(box, QPoint(300, 24 * 4 + 10));
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(300, 24 * 4 + 10));
  QCOMPARE(int(help.HelpPage), 1);

  // The way back.
  QTest::mouseMove(box, QPoint(300, 24 * 2 + 10));
  QTest::mouseClick(box, Qt::RightButton, {}, QPoint(300, 24 * 2 + 10));
  QCOMPARE(int(help.HelpPage), 2);
  QTest::mouseMove(box, QPoint(300, 24 * 1 + 10));
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(300, 24 * 1 + 10));
  QCOMPARE(int(help.HelpPage), 1);
}

void HelpWindowTest::linkHighlightIsDrawnInverted() {
  Thelpform help;
  tervo::HelpTestAccess::SetStoredLines(help, Stored(Page("contents", {"first\\G1", "second\\G1"})));
  help.OpenHelp();
  QVERIFY(QTest::qWaitForWindowExposed(&help));
  auto* box = help.findChild<QWidget*>("helpbox");
  QTest::mouseMove(box, QPoint(400, 24 * 2 + 5));
  QCOMPARE(int(help.LinkRow), 2);
  const QImage image = box->grab().toImage();
  // Background #FFFFE0 combined with the inverted pen #0000A0 gives #0000BF.
  QCOMPARE(image.pixelColor(400, 24 * 2 + 10), QColor(0x00, 0x00, 0xBF));
  QCOMPARE(image.pixelColor(700, 24 * 2), QColor(0x00, 0x00, 0xBF));
  QCOMPARE(image.pixelColor(400, 24 * 2 + 20), QColor(0xFF, 0xFF, 0xE0));  // 20 lines only
  QCOMPARE(image.pixelColor(400, 24 * 1 + 10), QColor(0xFF, 0xFF, 0xE0));  // the other row

  // Moving on draws the old row back.
  QTest::mouseMove(box, QPoint(400, 24 * 1 + 5));
  QCOMPARE(int(help.LinkRow), 1);
  const QImage after = box->grab().toImage();
  QCOMPARE(after.pixelColor(400, 24 * 2 + 10), QColor(0xFF, 0xFF, 0xE0));
  QCOMPARE(after.pixelColor(400, 24 * 1 + 10), QColor(0x00, 0x00, 0xBF));
}

void HelpWindowTest::pageNumberRepeatsWhileHeld() {
  Thelpform help;
  tervo::HelpTestAccess::SetStoredLines(help, Stored(NumberedLines(100)));
  help.OpenHelp();
  auto* number = help.findChild<QLabel*>("PageNrDisplay");
  auto* timer = help.findChild<QTimer*>("Timer1");

  QTest::mousePress(number, Qt::LeftButton);
  QCOMPARE(int(help.HelpPage), 2);  // one step at once
  QVERIFY(timer->isActive());
  QCOMPARE(timer->interval(), 500);
  QMetaObject::invokeMethod(timer, "timeout");
  QCOMPARE(int(help.HelpPage), 3);
  QMetaObject::invokeMethod(timer, "timeout");
  QMetaObject::invokeMethod(timer, "timeout");
  QCOMPARE(int(help.HelpPage), 4);  // the last page: further steps do nothing
  QTest::mouseRelease(number, Qt::LeftButton);
  QVERIFY(!timer->isActive());

  QTest::mousePress(number, Qt::RightButton);
  QCOMPARE(int(help.HelpPage), 3);
  QCOMPARE(int(help.RepeatDirection), 2);
  QMetaObject::invokeMethod(timer, "timeout");
  QCOMPARE(int(help.HelpPage), 2);
  QTest::mouseRelease(number, Qt::RightButton);
  QVERIFY(!timer->isActive());
}

void HelpWindowTest::escapeClosesAndReopeningStartsAtPageOne() {
  Thelpform help;
  tervo::HelpTestAccess::SetStoredLines(help, Stored(NumberedLines(100)));
  help.OpenHelp();
  QVERIFY(help.isVisible());
  QCOMPARE(help.windowModality(), Qt::ApplicationModal);
  help.StepPage(Thelpform::kNextPage);
  QTest::keyClick(&help, Qt::Key_Escape);
  QVERIFY(!help.isVisible());

  tervo::HelpTestAccess::SetStoredLines(help, Stored(NumberedLines(30)));
  help.OpenHelp();
  QCOMPARE(int(help.HelpPage), 1);
  QCOMPARE(int(help.HelpPageCount), 2);
  QCOMPARE(help.findChild<QLabel*>("PageNrDisplay")->text(), QStringLiteral("1"));
}

// Every page of the built-in manual: text stays inside the page, boxed
// tables line up, every page has a title, and every link leads somewhere.
void HelpWindowTest::manualPagesAreSound() {
  Thelpform help;
  help.OpenHelp();
  QVERIFY(help.HelpPageCount >= 20);
  const int width = help.findChild<QWidget*>("helpbox")->width();
  QStringList problems;
  for (;;) {
    problems << LintHelpPage(help, width);
    if (Title(help).trimmed().isEmpty()) problems << QStringLiteral("page %1 has no title").arg(help.HelpPage);
    for (int row = 1; row < 25; ++row) {
      const int target = help.LinkTarget[row];
      if (target > help.HelpPageCount) problems << QStringLiteral("page %1 row %2 links to page %3").arg(help.HelpPage).arg(row).arg(target);
    }
    if (help.HelpPage == help.HelpPageCount) break;
    help.StepPage(Thelpform::kNextPage);
  }
  QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
}

// The contents page: each row that links names the title of its page, and
// every other page is listed.
void HelpWindowTest::contentsRowsLinkToTheirPages() {
  Thelpform help;
  help.OpenHelp();
  std::map<int, QString> titles;
  for (int page = 1; page <= help.HelpPageCount; ++page) {
    titles[page] = Title(help);
    if (page < help.HelpPageCount) help.StepPage(Thelpform::kNextPage);
  }
  help.FirstPage();
  std::set<int> listed;
  for (int row = 1; row < 25; ++row) {
    const int target = help.LinkTarget[row];
    if (target == 0) continue;
    listed.insert(target);
    const QString text = RowText(help, row);
    QVERIFY2(text.contains(titles[target]), qPrintable(QStringLiteral("row \"%1\" links to \"%2\"").arg(text, titles[target])));
    QVERIFY2(text.contains(QString::number(target)), qPrintable(text));
  }
  for (int page = 2; page <= help.HelpPageCount; ++page)
    QVERIFY2(listed.count(page), qPrintable(QStringLiteral("page %1 is not in the contents").arg(page)));
}

void HelpWindowTest::placedInsideTheFreeArea_data() {
  QTest::addColumn<QRect>("area");
  QTest::addColumn<QSize>("frame");
  QTest::addColumn<QPoint>("placed");
  const QSize help(818 + 2, 673 + 30);  // the client area with a border and a title bar
  QTest::newRow("a large screen: where it belongs") << QRect(0, 0, 1920, 1050) << help << QPoint(320, 138);
  QTest::newRow("1280 x 800, panel below: moved up") << QRect(0, 0, 1280, 770) << help << QPoint(320, 67);
  QTest::newRow("1280 x 800, panel above") << QRect(0, 30, 1280, 770) << help << QPoint(320, 97);
  QTest::newRow("narrow: moved left") << QRect(0, 0, 1000, 900) << help << QPoint(180, 138);
  QTest::newRow("second screen to the right") << QRect(1280, 0, 1024, 768) << help << QPoint(1280, 65);
  QTest::newRow("smaller than the window: top left") << QRect(0, 24, 800, 576) << help << QPoint(0, 24);
}

void HelpWindowTest::placedInsideTheFreeArea() {
  QFETCH(QRect, area);
  QFETCH(QSize, frame);
  QFETCH(QPoint, placed);
  QCOMPARE(Thelpform::PlaceInside(area, frame, QPoint(320, 138)), placed);
}

QTEST_MAIN(HelpWindowTest)
#include "help_window_test.moc"
