#include "help_unit.h"

Thelpform::Thelpform(QWidget* parent) : QWidget(parent, Qt::Window) { setFixedSize(818, 673); }

void Thelpform::OpenHelp() {
  setWindowModality(Qt::ApplicationModal);
  show();
}
