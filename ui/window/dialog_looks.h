// Sizes for the dialogs the main window opens, so that their texts show
// whole.
#pragma once

#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QSpacerItem>
#include <QTreeView>

// A file dialog (the toolkit's own, not the desktop's) wide enough for its
// detail view, whose Size, Type and Date columns take the width of their
// texts and leave the rest to the names.
inline void ShowFileColumnsWhole(QFileDialog& dialog) {
  dialog.resize(std::max(dialog.width(), 760), std::max(dialog.height(), 440));
  if (auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
    QHeaderView* header = tree->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int c = 1; c < header->count(); ++c) header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
  }
}

// A question box at least as wide as its title needs in a title bar: the
// title in bold, with room for the bar's icon and three buttons.
inline void FitTitle(QMessageBox& box) {
  QFont bold = box.font();
  bold.setBold(true);
  const int needs = QFontMetrics(bold).horizontalAdvance(box.windowTitle()) + 150;
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(needs, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}
