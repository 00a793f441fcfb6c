// The help window: paged help text.
#pragma once

#include <QWidget>

class Thelpform : public QWidget {
  Q_OBJECT
 public:
  explicit Thelpform(QWidget* parent = nullptr);
  // Show the help window modally at its first page.
  void OpenHelp();
};
