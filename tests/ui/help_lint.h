// Checks of a drawn help page that catch slips in the help text: text running
// past the right margin, and boxed tables whose rows do not line up.
#pragma once

#include <QString>
#include <QStringList>
#include <algorithm>
#include <map>
#include <set>

#include "help_unit.h"

// Problems of the page shown by the window, one text per problem.
inline QStringList LintHelpPage(const Thelpform& help, int boxWidth) {
  QStringList problems;
  const int page = help.HelpPage;
  std::map<int, std::set<int>> verticals;  // row -> x of its vertical box edges
  std::map<int, int> lastX;                // row -> right end of its last character
  for (const HelpDrawOp& op : help.Drawing().ops) {
    if (op.kind == HelpDrawOp::Edge) {
      if (op.x == op.x2) verticals[(op.y + 5) / 24].insert(op.x);
      continue;
    }
    const int row = (op.y + 7) / 24;
    lastX[row] = std::max(lastX[row], op.x + op.width);
    if (op.x + op.width > boxWidth - 10)
      problems << QStringLiteral("page %1 row %2: text runs to x = %3").arg(page).arg(row).arg(op.x + op.width);
  }
  for (const auto& [row, xs] : verticals) {
    // A boxed row must end with a closing edge, after its last character.
    if (lastX.count(row) && *xs.rbegin() < lastX[row])
      problems << QStringLiteral("page %1 row %2: text after the last box edge").arg(page).arg(row);
    const auto above = verticals.find(row - 1);
    if (above != verticals.end() && above->second != xs) {
      QStringList a, b;
      for (int x : above->second) a << QString::number(x);
      for (int x : xs) b << QString::number(x);
      problems << QStringLiteral("page %1 row %2: box edges %3 do not match the row above (%4)")
                      .arg(page).arg(row).arg(b.join(','), a.join(','));
    }
  }
  return problems;
}
