#include "print_render.h"

#include <QFont>
#include <QFontMetrics>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>
#include <QTransform>
#include <algorithm>

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

bool RenderPrint(QPainter& painter, QPagedPaintDevice& device, const std::vector<PrintOp>& ops, double scale,
                 int copies) {
  const QTransform fit = QTransform::fromScale(scale, scale);
  painter.setTransform(fit);
  for (int copy = 0; copy < std::max(1, copies); ++copy) {
    if (copy > 0) {
      if (!device.newPage()) return false;
      painter.setTransform(fit);
    }
    for (const PrintOp& op : ops) {
      switch (op.kind) {
        case PrintOp::kNewPage:
          if (!device.newPage()) return false;
          painter.setTransform(fit);
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
  }
  return true;
}

QChar DateSeparator(const QString& shortFormat) {
  // The first mark between the fields; blanks and quotes do not count, and a
  // format without one (such as "d MMM yyyy") gives "/".
  for (QChar c : shortFormat)
    if (!c.isLetterOrNumber() && !c.isSpace() && c != QLatin1Char('\'')) return c;
  return QLatin1Char('/');
}

QString PrintDate(const QDate& date) {
  const QChar separator = DateSeparator(QLocale::system().dateFormat(QLocale::ShortFormat));
  // Built piece by piece: chained arg() calls would read the digits of one
  // field together with a following placeholder ("%4" + "12" as "%412").
  const auto field = [](int value, int width) { return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0')); };
  return field(date.day(), 2) + separator + field(date.month(), 2) + separator + field(date.year(), 4);
}

}  // namespace tervo
