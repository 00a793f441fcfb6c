// Drawing a laid-out print on a paint device (a printer or a PDF file).
#pragma once

#include <QDate>
#include <QString>
#include <vector>

#include "print_layout.h"

class QPagedPaintDevice;
class QPainter;

namespace tervo {

// Draw the operations with the painter, every position and size multiplied
// by scale; page breaks go to the device. With copies above 1 the whole
// print is drawn that many times, each copy from a new page. Returns false
// when the device refuses a new page.
bool RenderPrint(QPainter& painter, QPagedPaintDevice& device, const std::vector<PrintOp>& ops,
                 double scale = 1.0, int copies = 1);

// A date as dd/mm/yyyy with the system locale's date separator.
QString PrintDate(const QDate& date);

// The date separator of a short date format: "M/d/yy" gives "/",
// "dd.MM.yy" gives ".", and a format without one gives "/".
QChar DateSeparator(const QString& shortFormat);

}  // namespace tervo
