// The Karnaugh map window from the main window: F2 and the output pane's
// menu open it, it is refused with a message where there is no map, it
// follows a new GO and empties when the result is cleared, and it draws
// its groups where the layout puts them, at the edges too.
#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include "karnaugh_window.h"
#include "window_test_access.h"
#include "window_test_support.h"

using namespace wt;

namespace {

KarnaughWindow* MapWindow(TForm1& form) { return form.findChild<KarnaughWindow*>(QStringLiteral("karnaughform")); }

bool MapShown(TForm1& form) {
  KarnaughWindow* w = MapWindow(form);
  return w != nullptr && w->isVisible();
}

// Chooses the entry of the output pane's menu named `entry`; returns the
// names of all its entries.
QStringList ChooseFromMenu(TForm1& form, const QString& entry) {
  QStringList items;
  QWidget* out = Child<QWidget>(form, "outputbox");
  QTimer::singleShot(100, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    QAction* chosen = nullptr;
    for (QAction* a : menu->actions()) {
      items << a->text();
      if (a->text() == entry) chosen = a;
    }
    menu->close();
    if (chosen) chosen->trigger();
  });
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(100, 40), out->mapToGlobal(QPoint(100, 40)));
  QCoreApplication::sendEvent(out, &event);
  QTest::qWait(150);
  return items;
}

void Run(TForm1& form, const QString& formula) {
  Click(form, "inclearBtn");
  TypeFormula(form, formula);
  Click(form, "GObtn");
}

// The map window's picture, in device pixels, with the factor from logical ones.
QImage Picture(KarnaughWindow* w, double& dpr) {
  const QPixmap pm = w->grab();
  dpr = pm.devicePixelRatio();
  return pm.toImage().convertToFormat(QImage::Format_RGB32);
}

// Pixels of colour c inside the logical box b, seen in a picture of factor dpr.
int InkOf(const QImage& img, double dpr, const tervo::KarnaughBox& b, QColor c) {
  const QRect r(qRound(b.x * dpr), qRound(b.y * dpr), qRound(b.w * dpr), qRound(b.h * dpr));
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) n += img.pixelColor(x, y) == c;
  return n;
}

QString ScaleName() { return qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")); }

}  // namespace

class KarnaughWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void f2OpensTheMapOfTheResult();
  void menuEntryOpensTheMap();
  void refusedWithAMessage_data();
  void refusedWithAMessage();
  void refusedDuringARun();
  void followsANewGoAndEmptiesWhenCleared();
  void groupsAreDrawnAtBothEdgesWhenTheyWrap();
  void saveScreenshots();
};

void KarnaughWindowTest::f2OpensTheMapOfTheResult() {
  auto form = ShownWindow();
  Run(*form, "A.B+/A.C");
  const QString result = form->Message();
  Key(*form, Qt::Key_F2);
  KarnaughWindow* w = MapWindow(*form);
  QVERIFY(w && w->isVisible());
  QCOMPARE(w->windowTitle(), QStringLiteral("tervo42: Karnaugh map"));
  QCOMPARE(w->map().variables, 3);
  QCOMPARE(w->map().groups.size(), size_t{2});
  QCOMPARE(w->size(), QSize(w->map().width, w->map().height));
  QCOMPARE(form->Message(), result);  // the result's line stays
  // Esc closes it; closed, it does not follow a run; F2 brings it back, the one window.
  QTest::keyClick(w, Qt::Key_Escape);
  QVERIFY(!w->isVisible());
  Run(*form, "A.B");
  QCOMPARE(w->map().variables, 3);
  Key(*form, Qt::Key_F2);
  QVERIFY(w->isVisible());
  QCOMPARE(w->map().variables, 2);
  QCOMPARE(form->findChildren<KarnaughWindow*>().size(), 1);
}

void KarnaughWindowTest::menuEntryOpensTheMap() {
  auto form = ShownWindow();
  Run(*form, "A.B.C+/C.D");
  const QStringList items = ChooseFromMenu(*form, QStringLiteral("Karnaugh map"));
  QCOMPARE(items, (QStringList{"copy as formula", "copy as table", "Karnaugh map"}));
  QVERIFY(MapShown(*form));
  QCOMPARE(MapWindow(*form)->map().variables, 4);
}

void KarnaughWindowTest::refusedWithAMessage_data() {
  QTest::addColumn<QString>("formula");  // empty: no run
  QTest::addColumn<QString>("then");     // a button clicked after the run, or none
  QTest::addColumn<QString>("message");
  const QString none;
  QTest::newRow("at start") << none << none << "Karnaugh map: no result to map";
  QTest::newRow("one variable") << "/A" << none << "Karnaugh map: 1 variable: a map needs 2 to 6";
  QTest::newRow("seven variables") << "A.B.C.D.E.F.G" << none << "Karnaugh map: 7 variables: a map needs 2 to 6";
  QTest::newRow("output cleared") << "A.B" << "SpeedButton2" << "Karnaugh map: no result to map";
  QTest::newRow("CNF/DNF switched") << "A.B" << "dnfBtn" << "Karnaugh map: no result terms to map";
  QTest::newRow("failed run") << "A.+B" << none << "Karnaugh map: no result to map";
}

// By F2 and by the menu alike: the message line says why, and no map opens.
void KarnaughWindowTest::refusedWithAMessage() {
  QFETCH(QString, formula);
  QFETCH(QString, then);
  QFETCH(QString, message);
  for (bool byMenu : {false, true}) {
    auto form = ShownWindow();
    if (!formula.isEmpty()) Run(*form, formula);
    if (!then.isEmpty()) Click(*form, then.toLatin1().constData());
    if (byMenu)
      ChooseFromMenu(*form, QStringLiteral("Karnaugh map"));
    else
      Key(*form, Qt::Key_F2);
    QCOMPARE(form->Message(), message);
    QVERIFY(!MapShown(*form));
  }
}

void KarnaughWindowTest::refusedDuringARun() {
  auto form = ShownWindow();
  TypeFormula(*form, "A.B+C");
  Click(*form, "DBxlate");
  QString said;
  RunWithStops(*form, [&](const QString&, int) {
    Key(*form, Qt::Key_F2);
    said = form->Message();
    Key(*form, Qt::Key_Escape);
  });
  QCOMPARE(said, QStringLiteral("Karnaugh map: not while a run is going"));
  QVERIFY(!MapShown(*form));
}

void KarnaughWindowTest::followsANewGoAndEmptiesWhenCleared() {
  QTemporaryDir dir;
  auto form = ShownWindow();
  const QString path = dir.path() + QStringLiteral("/kmap");
  tervo::WindowTestAccess::AskSavePath(*form) = [&](const QString&, const QString&) { return path; };
  tervo::WindowTestAccess::AskOpenPath(*form) = [&](const QString&, const QString&) { return path; };
  Run(*form, "A.B");
  Key(*form, Qt::Key_S, Qt::ControlModifier);
  Key(*form, Qt::Key_F2);
  KarnaughWindow* w = MapWindow(*form);
  QVERIFY(w && w->isVisible());
  QCOMPARE(w->map().variables, 2);

  const struct {
    const char* formula;  // typed and run; nullptr: the button only
    const char* button;   // clicked after it (Ctrl+O: load the file saved first), or nullptr
    int variables;        // of the map shown; 0: a note instead
    const char* note;
  } steps[] = {
      {"A.B.C+D./E", nullptr, 5, ""},
      {nullptr, "dnfBtn", 0, "no result: GO draws the map again"},
      {nullptr, "GObtn", 5, ""},
      {nullptr, "SpeedButton2", 0, "no result: GO draws the map again"},
      {"A.B.C.D.E.F.G", nullptr, 0, "7 variables: a map needs 2 to 6"},
      {"A.B.C.D.E.F", nullptr, 6, ""},
      {"A+/A", nullptr, 0, "no result: GO draws the map again"},  // TAUTOLOGY
      {"A+B", nullptr, 2, ""},
      {nullptr, "Ctrl+O", 0, "no result: GO draws the map again"},
  };
  for (const auto& s : steps) {
    if (s.formula) Run(*form, QString::fromLatin1(s.formula));
    if (s.button && QLatin1String(s.button) == QLatin1String("Ctrl+O"))
      Key(*form, Qt::Key_O, Qt::ControlModifier);
    else if (s.button)
      Click(*form, s.button);
    QVERIFY2(w->isVisible(), s.formula ? s.formula : s.button);
    QCOMPARE(w->map().variables, s.variables);
    QCOMPARE(w->note(), QString::fromLatin1(s.note));
  }
}

// The table line " 0 0" under ABCD is the term B = 0, D = 0: the four
// corners of the map. Its colour is drawn in each corner cell and in none of
// the four middle cells. Also run at scale 1.5 (CMakeLists.txt).
void KarnaughWindowTest::groupsAreDrawnAtBothEdgesWhenTheyWrap() {
  auto form = ShownWindow();
  TypeTable(*form, {"ABCD", " 0 0"});
  Click(*form, "GObtn");
  QVERIFY(form->Message().startsWith(QLatin1String("OK: ")));
  Key(*form, Qt::Key_F2);
  KarnaughWindow* w = MapWindow(*form);
  QVERIFY(w && w->isVisible());
  QVERIFY(QTest::qWaitForWindowExposed(w));
  const tervo::KarnaughMap& m = w->map();
  QCOMPARE(m.groups.size(), size_t{1});
  QCOMPARE(m.groups[0].rects.size(), size_t{4});
  const QColor colour{QRgb{m.groups[0].rgb}};
  double dpr = 1;
  const QImage img = Picture(w, dpr);
  for (const auto& [row, col, inked] : std::vector<std::tuple<int, int, bool>>{
           {0, 0, true}, {0, 3, true}, {3, 0, true}, {3, 3, true}, {1, 1, false}, {1, 2, false}, {2, 1, false},
           {2, 2, false}, {0, 1, false}, {1, 0, false}}) {
    const int ink = InkOf(img, dpr, m.Cell(0, row, col)->box, colour);
    QVERIFY2((ink > 0) == inked, qPrintable(QStringLiteral("cell %1,%2: %3").arg(row).arg(col).arg(ink)));
  }
}

// Pictures for docs/screenshots when TERVO_SCREENSHOT_DIR names a folder;
// at a QT_SCALE_FACTOR other than 1 the names carry it.
void KarnaughWindowTest::saveScreenshots() {
  const QString dir = ScreenshotDir();
  if (dir.isEmpty()) QSKIP("TERVO_SCREENSHOT_DIR not set");
  const QString scale = ScaleName();
  const QString suffix = scale == QLatin1String("1") ? QString() : QStringLiteral("-scale-") + scale;
  const struct {
    const char* name;
    const char* formula;  // nullptr: the table below
    bool dnf;
  } shots[] = {
      {"karnaugh-2vars", "A+B", false},
      {"karnaugh-3vars", "A./B+B.C", false},
      {"karnaugh-4vars", "/B./D+A.C+/A.B.D", false},
      {"karnaugh-4vars-dnf", "/B./D+A.C+/A.B.D", true},
      {"karnaugh-4vars-corners", nullptr, false},
      {"karnaugh-5vars", "A./C+B.D.E+/A./B./D+C./E", false},
      {"karnaugh-6vars", "A.B./C+/A.D.E+C.F+/B./D./F+A./E.F", false},
  };
  for (const auto& s : shots) {
    auto form = ShownWindow();
    if (s.dnf) Click(*form, "dnfBtn");
    if (s.formula)
      TypeFormula(*form, QString::fromLatin1(s.formula));
    else
      TypeTable(*form, {"ABCD", " 0 0"});
    Click(*form, "GObtn");
    Key(*form, Qt::Key_F2);
    KarnaughWindow* w = MapWindow(*form);
    QVERIFY(w && w->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QVERIFY(w->grab().save(dir + QLatin1Char('/') + QLatin1String(s.name) + suffix + QStringLiteral(".png")));
    // The map where it opens, beside the result it draws (the whole screen).
    if (scale == QLatin1String("1") && QLatin1String(s.name) == QLatin1String("karnaugh-4vars")) {
      QTest::qWait(200);
      QVERIFY(w->screen()->grabWindow(0).save(dir + QStringLiteral("/karnaugh-beside-window.png")));
    }
  }
}

QTEST_MAIN(KarnaughWindowTest)
#include "karnaugh_window_test.moc"
