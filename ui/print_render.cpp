#include "print_render.h"

#include <QFont>
#include <QFontMetrics>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>

namespace tervo {

namespace {

// A font whose character cell (ascent + descent) is `height` device pixels.
QFont CellFont(const std::string& name, int height, QPaintDevice* device) {
  QFont font(name == "courier new" ? QStringLiteral("Courier New") : QStringLiteral("Arial"));
  font.setStyleHint(name == "courier new" ? QFont::TypeWriter : QFont::SansSerif);
  font.setPixelSize(std::max(1, height));
  const int cell = QFontMetrics(font, device).height();
  if (cell > height && cell > 0) font.setPixelSize(std::max(1, height * height / cell));
  return font;
}

}  // namespace

bool RenderPrint(QPainter& painter, QPagedPaintDevice& device, const std::vector<PrintOp>& ops) {
  for (const PrintOp& op : ops) {
    switch (op.kind) {
      case PrintOp::kNewPage:
        if (!device.newPage()) return false;
        break;
      case PrintOp::kRule:
        painter.setPen(QPen(Qt::black, op.penWidth));
        painter.drawLine(op.x, op.y, op.x2, op.y);
        break;
      case PrintOp::kText: {
        const QFont font = CellFont(op.font, op.height, &device);
        painter.setFont(font);
        painter.setPen(QColor::fromRgb(op.color));
        // Positions give the top of the character cell; Qt draws on the baseline.
        const int ascent = QFontMetrics(font, &device).ascent();
        painter.drawText(op.x, op.y + ascent, QString::fromStdString(op.text));
        break;
      }
    }
  }
  return true;
}

QString PrintDate(const QDate& date) {
  // The separator is the first character of the short date format that is
  // not part of a day, month or year field.
  QChar separator = QLatin1Char('/');
  for (QChar c : QLocale::system().dateFormat(QLocale::ShortFormat))
    if (!c.isLetter()) {
      separator = c;
      break;
    }
  return QStringLiteral("%1%4%2%4%3")
      .arg(date.day(), 2, 10, QLatin1Char('0'))
      .arg(date.month(), 2, 10, QLatin1Char('0'))
      .arg(date.year(), 4, 10, QLatin1Char('0'))
      .arg(separator);
}

}  // namespace tervo
