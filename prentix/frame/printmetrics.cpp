#include "prentix/frame/printmetrics.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPrinter>
#include <QScreen>

namespace prentix {

PageMetrics PrinterPageMetrics(QPrinter& printer, const QFont& font) {
  PageMetrics m;
  m.horzRes = printer.width();
  m.vertRes = printer.height();
  m.logPixelsX = printer.logicalDpiX();
  m.logPixelsY = printer.logicalDpiY();
  QFontMetrics fm(font, &printer);
  m.cellWidth = fm.horizontalAdvance('A');
  m.cellHeight = fm.height();
  m.lineHeight = fm.height();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    m.screenLogPixelsX = qRound(screen->logicalDotsPerInchX());
    m.screenLogPixelsY = qRound(screen->logicalDotsPerInchY());
  }
  m.textWidth = [fm](const std::string& t) {
    return fm.horizontalAdvance(QString::fromStdString(t));
  };
  return m;
}

}  // namespace prentix
