// The help window's test seams: a help text of the test's own and how many
// pages the window has drawn, kept out of its public members.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <string>
#include <utility>
#include <vector>

#include "help_unit.h"

namespace tervo {

struct HelpTestAccess {
  // Put in a help text of stored lines (pair code) in place of the built-in
  // manual; it takes effect at the next OpenHelp.
  static void SetStoredLines(Thelpform& h, std::vector<std::string> lines) { h.ListBox1 = std::move(lines); }

  // Pages drawn (PaintHelpPage calls) since the first time a test asked:
  // tests compare two counts, never a count with a number of their own.
  static int PaintCount(Thelpform& h) {
    static const QString kName = QStringLiteral("helpTestPageCounter");
    QObject* counter = h.findChild<QObject*>(kName, Qt::FindDirectChildrenOnly);
    if (counter == nullptr) {
      counter = new QObject(&h);
      counter->setObjectName(kName);
      counter->setProperty("count", 0);
      QObject::connect(&h, &Thelpform::pageDrawn, counter,
                       [counter] { counter->setProperty("count", counter->property("count").toInt() + 1); });
    }
    return counter->property("count").toInt();
  }
};

}  // namespace tervo
