// The Karnaugh map of the current result, in a window of its own beside the
// main window. The main window hands it a map (LayOutKarnaugh) or a note
// that says why there is none; paintEvent only draws what it was handed.
#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

#include "karnaugh_layout.h"

class KarnaughWindow : public QWidget {
  Q_OBJECT
 public:
  // The caption of the window.
  static QString Caption();

  explicit KarnaughWindow(QWidget* parent = nullptr);

  // Show a map; the window takes the map's size.
  void ShowMap(tervo::KarnaughMap map);
  // Show no map, only a note in its place; the window keeps its size.
  void ShowNote(const QString& note);

  const tervo::KarnaughMap& map() const { return map_; }
  const QString& note() const { return note_; }
  // Move next to the parent's panes, inside the parent's screen.
  void PlaceBesideParent();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  tervo::KarnaughMap map_;
  QString note_;
  QFont font_;       // the panes' fixed-pitch font: cells, headings, legend
  QFont boldFont_;   // letters and submap labels
  QFont titleFont_;  // the line above the maps
};
