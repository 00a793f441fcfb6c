// The output pane: the result table. Band 0 holds the header (the variable
// letters joined by "." in CNF mode or "+" in DNF mode), bands 1..29 hold the
// entries P+1..P+29 of the TruthTable, P being the scroll position. Entries
// flagged in TermMark are red. Two arrow markers can stand beside rows.
#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "engine.h"

class OutputPane : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kBandH = 18;   // band height
  static constexpr int kBands = 30;   // header band and 29 row bands
  static constexpr int kFirstX = 40;  // x of the first cell
  static constexpr int kCellW = 10;   // one character; a variable takes two

  explicit OutputPane(QWidget* parent = nullptr);

  void setEngine(const tervo::Engine* engine);
  void setArrow(const QPixmap& arrow);

  // The header text: letters at 20v+20 with the separator at 20v+30, as one
  // string starting at x = 40 (every character on its own 10-pixel cell).
  static QString HeaderText(const tervo::Engine& e);
  // Text of entry t: "1 ", "0 " or "x " per variable, starting at x = 40.
  static QString RowText(const tervo::Engine& e, int t);

  // Show the result from the engine's tables from scroll position p on:
  // stores p and repaints.
  void ShowResultAt(int p);
  // Fill the pane with its background and forget both markers; the pane
  // stays empty until ShowResultAt.
  void ClearOutputPane();
  // Place marker 1 beside entry a and marker 2 beside entry b (0 = none).
  void SetRowMarkers(uint16_t a, uint16_t b);

  int ScrollPos() const { return scroll_; }
  bool ShowsResult() const { return shown_; }
  uint16_t Marker(int which) const { return which == 1 ? marker1_ : marker2_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const tervo::Engine* engine_ = nullptr;
  QPixmap arrow_;
  QFont font_;
  int scroll_ = 0;
  bool shown_ = true;
  uint16_t marker1_ = 0;
  uint16_t marker2_ = 0;
};
