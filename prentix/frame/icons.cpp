#include "prentix/frame/icons.h"

#include <QBrush>
#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <map>
#include <numbers>
#include <utility>

#include "prentix/app/commands.h"

namespace prentix {

using namespace cmd;

namespace {

// A few colours shared by all pictures, so the tool bar looks like one set.
const QColor kInk(0x2b, 0x34, 0x40);
const QColor kInkSoft(0x70, 0x7b, 0x88);
const QColor kPaper(0xff, 0xff, 0xff);
const QColor kPaperShade(0xd9, 0xdf, 0xe6);
const QColor kPaperLine(0x55, 0x5f, 0x6b);
const QColor kText(0x8d, 0x9c, 0xae);
const QColor kBlue(0x2f, 0x6f, 0xd0);
const QColor kBlueDark(0x1b, 0x43, 0x8a);
const QColor kBlueLight(0xbf, 0xd6, 0xf4);
const QColor kGlass(0xdc, 0xeb, 0xfb, 0xe0);
const QColor kYellow(0xf7, 0xd3, 0x5c);
const QColor kYellowDark(0xdc, 0xa6, 0x2c);
const QColor kYellowLine(0x8f, 0x62, 0x10);
const QColor kGrey(0xb9, 0xc1, 0xca);
const QColor kGreyLight(0xe4, 0xe8, 0xec);
const QColor kGreen(0x2c, 0x9a, 0x45);
const QColor kRed(0xd4, 0x3d, 0x2c);
const QColor kBrown(0xc2, 0x8b, 0x4b);
const QColor kBrownDark(0x70, 0x4b, 0x1c);
const QColor kEnvelope(0xfd, 0xfa, 0xf0);
const QColor kEnvelopeFlap(0xee, 0xe4, 0xc8);
const QColor kEnvelopeLine(0x6e, 0x5d, 0x3c);

// Draws on a grid of design cells; every picture is laid out once on its
// small grid and scaled. Straight edges are snapped to whole pixels and
// outlines are kept inside their shapes, so the larger sizes stay as crisp
// as the small one.
class Sketch {
 public:
  Sketch(QPainter& p, double scale, double line) : p_(p), s_(scale), line_(line) {
    p_.setRenderHint(QPainter::Antialiasing);
  }

  QPainter& painter() { return p_; }
  double scale() const { return s_; }

  double Snap(double v) const { return std::round(v * s_); }
  QPointF At(double x, double y) const { return {Snap(x), Snap(y)}; }
  QPointF Free(double x, double y) const { return {x * s_, y * s_}; }
  // A width in cells as whole pixels, never thinner than one.
  double Width(double cells) const { return std::max(1.0, std::round(cells * s_)); }

  void Block(double x0, double y0, double x1, double y1, const QColor& c) {
    p_.fillRect(QRectF(At(x0, y0), At(x1, y1)), c);
  }
  // One pixel thick whatever the size: text lines and grid lines.
  void HLine(double x0, double x1, double y, const QColor& c) {
    p_.fillRect(QRectF(Snap(x0), Snap(y), Snap(x1) - Snap(x0), line_), c);
  }
  void VLine(double x, double y0, double y1, const QColor& c) {
    p_.fillRect(QRectF(Snap(x), Snap(y0), line_, Snap(y1) - Snap(y0)), c);
  }

  void Box(double x0, double y0, double x1, double y1, const QBrush& fill, const QColor& line) {
    QPainterPath path;
    path.addRect(QRectF(At(x0, y0), At(x1, y1)));
    Shape(path, fill, line);
  }
  void Poly(std::initializer_list<QPointF> cells, const QBrush& fill, const QColor& line,
            bool snap = true) {
    QPolygonF poly;
    for (const QPointF& c : cells) poly << (snap ? At(c.x(), c.y()) : Free(c.x(), c.y()));
    QPainterPath path;
    path.addPolygon(poly);
    path.closeSubpath();
    Shape(path, fill, line);
  }
  void Disc(double cx, double cy, double r, const QBrush& fill, const QColor& line,
            double lineWidth = 0) {
    QPainterPath path;
    path.addEllipse(Free(cx, cy), r * s_, r * s_);
    Shape(path, fill, line, lineWidth);
  }

  // The outline is the inner half of a doubled stroke, so it never spills
  // past the snapped edge.
  void Shape(const QPainterPath& path, const QBrush& fill, const QColor& line,
             double lineWidth = 0) {
    if (fill.style() != Qt::NoBrush) p_.fillPath(path, fill);
    if (!line.isValid()) return;
    QPainterPathStroker stroker;
    stroker.setWidth(2 * (lineWidth > 0 ? lineWidth : line_));
    stroker.setJoinStyle(Qt::MiterJoin);
    stroker.setMiterLimit(10);
    p_.fillPath(stroker.createStroke(path).intersected(path), line);
  }

  void Stroke(const QPainterPath& path, const QColor& c, double widthPx,
              Qt::PenCapStyle cap = Qt::FlatCap) {
    QPen pen(c, widthPx, Qt::SolidLine, cap, Qt::MiterJoin);
    p_.strokePath(path, pen);
  }

  // Left and right swapped for what follows, on a grid cells wide.
  void Mirror(double cells) {
    p_.translate(Snap(cells), 0);
    p_.scale(-1, 1);
  }

 private:
  QPainter& p_;
  double s_;
  double line_;
};

using Drawer = void (*)(Sketch&);

// Tool-bar pictures, on a grid of 16x15 cells.

void DrawNew(Sketch& k) {
  k.Poly({{3, 0}, {10, 0}, {13, 3}, {13, 15}, {3, 15}}, kPaper, kPaperLine);
  k.Poly({{10, 0}, {10, 3}, {13, 3}}, kPaperShade, kPaperLine);
}

void DrawOpen(Sketch& k) {
  k.Poly({{0, 1}, {5, 1}, {7, 3}, {13, 3}, {13, 15}, {0, 15}}, kYellowDark, kYellowLine);
  k.Poly({{0, 15}, {3, 7}, {16, 7}, {13, 15}}, kYellow, kYellowLine);
}

void DrawSave(Sketch& k) {
  k.Poly({{1, 0}, {13, 0}, {15, 2}, {15, 15}, {1, 15}}, kBlue, kBlueDark);
  k.Box(4, 0, 12, 6, kGreyLight, kBlueDark);
  k.Block(9, 1, 11, 5, kBlueDark);
  k.Box(3, 8, 13, 15, kPaper, kBlueDark);
  k.HLine(5, 11, 10, kText);
  k.HLine(5, 11, 12, kText);
}

void DrawPrinter(Sketch& k) {
  k.Box(4, 0, 12, 6, kPaper, kPaperLine);
  k.Box(0, 5, 16, 12, kGrey, kInk);
  k.Block(1, 6, 15, 7, kGreyLight);
  k.Block(12, 8, 14, 9, kGreen);
  k.Box(3, 10, 13, 15, kPaper, kPaperLine);
  k.HLine(5, 11, 12, kText);
}

// A magnifying glass: the handle goes toward the lower right.
void DrawLens(Sketch& k, double cx, double cy, double r, double ring, double hx, double hy,
              double handle) {
  const double d = std::numbers::sqrt2 / 2;
  QPainterPath grip;
  grip.moveTo(k.Free(cx + r * d, cy + r * d));
  grip.lineTo(k.Free(hx, hy));
  k.Stroke(grip, kInk, k.Width(handle), Qt::RoundCap);
  k.Disc(cx, cy, r, kGlass, kInk, k.Width(ring));
}

void DrawPreview(Sketch& k) {
  k.Box(1, 0, 12, 15, kPaper, kPaperLine);
  k.HLine(3, 10, 2, kText);
  k.HLine(3, 10, 4, kText);
  k.HLine(3, 7, 6, kText);
  DrawLens(k, 10, 9.5, 3.6, 1.3, 15.2, 14.4, 2);
}

void DrawMail(Sketch& k) {
  k.Box(0, 2, 16, 14, kEnvelope, kEnvelopeLine);
  QPainterPath fold;
  fold.moveTo(k.Free(0.5, 13.5));
  fold.lineTo(k.Free(6, 8.5));
  fold.moveTo(k.Free(15.5, 13.5));
  fold.lineTo(k.Free(10, 8.5));
  k.Stroke(fold, kEnvelopeFlap.darker(120), 1);
  k.Poly({{0, 2}, {16, 2}, {8, 9.5}}, kEnvelopeFlap, kEnvelopeLine, false);
  k.Box(0, 2, 16, 14, Qt::NoBrush, kEnvelopeLine);
}

void DrawCopy(Sketch& k) {
  k.Box(0, 0, 10, 11, kPaper, kPaperLine);
  k.HLine(2, 8, 2, kText);
  k.HLine(2, 8, 4, kText);
  k.Box(6, 4, 16, 15, kPaper, kPaperLine);
  k.HLine(8, 14, 6, kText);
  k.HLine(8, 14, 8, kText);
  k.HLine(8, 14, 10, kText);
  k.HLine(8, 12, 12, kText);
}

void DrawPaste(Sketch& k) {
  k.Box(0, 1, 11, 15, kBrown, kBrownDark);
  k.Box(3, 0, 8, 3, kGrey, kInk);
  k.Box(5, 5, 16, 15, kPaper, kPaperLine);
  k.HLine(7, 14, 7, kText);
  k.HLine(7, 14, 9, kText);
  k.HLine(7, 12, 11, kText);
}

// The picture and its mirror image: solid and hollow.
void DrawFlipVertical(Sketch& k) {
  k.Poly({{1, 0}, {1, 6}, {10, 6}}, kBlue, kBlueDark);
  for (int x = 0; x < 11; x += 2) k.Block(x, 7, x + 1, 8, kInkSoft);
  k.Poly({{1, 15}, {1, 9}, {10, 9}}, kBlueLight, kBlueDark);
  k.Poly({{13.5, 0}, {16, 3}, {11, 3}}, kGreen, QColor(), false);
  k.Poly({{13.5, 15}, {16, 12}, {11, 12}}, kGreen, QColor(), false);
  k.Block(13, 3, 14, 12, kGreen);
}

void DrawFlipHorizontal(Sketch& k) {
  k.Poly({{6, 0}, {6, 9}, {0, 9}}, kBlue, kBlueDark);
  for (int y = 0; y < 10; y += 2) k.Block(7, y, 8, y + 1, kInkSoft);
  k.Poly({{9, 0}, {9, 9}, {15, 9}}, kBlueLight, kBlueDark);
  k.Poly({{0, 12.5}, {3, 10}, {3, 15}}, kGreen, QColor(), false);
  k.Poly({{15, 12.5}, {12, 10}, {12, 15}}, kGreen, QColor(), false);
  k.Block(3, 12, 12, 13, kGreen);
}

// Clockwise, over the top and down the right side.
void DrawRotateRight(Sketch& k) {
  const double cx = 8, cy = 7.5, r = 4.8, head = 3.8, half = 3.2;
  const double start = 215, end = 25;  // degrees, counter-clockwise from three o'clock
  const double s = k.scale();
  QRectF circle(k.Free(cx - r, cy - r), k.Free(cx + r, cy + r));
  QPainterPath arc;
  arc.arcMoveTo(circle, start);
  arc.arcTo(circle, start, end - start);
  k.Stroke(arc, kGreen, k.Width(2));

  const double a = end * std::numbers::pi / 180;
  const QPointF radial(std::cos(a), -std::sin(a));
  const QPointF along(std::sin(a), std::cos(a));  // the clockwise direction
  const QPointF base = k.Free(cx, cy) + radial * (r * s);
  QPolygonF tip;
  tip << base + radial * (half * s) << base + along * (head * s) << base - radial * (half * s);
  QPainterPath path;
  path.addPolygon(tip);
  path.closeSubpath();
  k.Shape(path, kGreen, QColor());
}

void DrawRotateLeft(Sketch& k) {
  k.Mirror(16);
  DrawRotateRight(k);
}

// The area to keep: marching ants and crop marks.
void DrawCut(Sketch& k) {
  k.Block(3, 3, 13, 12, kBlueLight);
  for (int x = 3; x < 13; ++x) {
    const QColor& c = (x - 3) / 2 % 2 ? kPaper : kInk;
    k.Block(x, 3, x + 1, 4, c);
    k.Block(x, 11, x + 1, 12, c);
  }
  for (int y = 3; y < 12; ++y) {
    const QColor& c = (y - 3) / 2 % 2 ? kPaper : kInk;
    k.Block(3, y, 4, y + 1, c);
    k.Block(12, y, 13, y + 1, c);
  }
  k.Block(0, 3, 2, 4, kRed);
  k.Block(3, 0, 4, 2, kRed);
  k.Block(14, 3, 16, 4, kRed);
  k.Block(12, 0, 13, 2, kRed);
  k.Block(0, 11, 2, 12, kRed);
  k.Block(3, 13, 4, 15, kRed);
  k.Block(14, 11, 16, 12, kRed);
  k.Block(12, 13, 13, 15, kRed);
}

void DrawEditPicture(Sketch& k) {
  k.Box(0, 3, 12, 15, kBlueLight, kInk);
  k.Disc(3.5, 6.5, 1.3, kYellow, QColor());
  k.Poly({{1, 14}, {1, 12}, {4.5, 8.5}, {7.5, 11.5}, {9.5, 9.5}, {11, 11}, {11, 14}}, kGreen,
         QColor(), false);

  // A pencil lying from the upper right down to its point in the picture.
  QPainter& p = k.painter();
  const double s = k.scale();
  p.save();
  p.translate(k.Free(5.5, 10.5));
  p.rotate(-45);
  p.scale(s, s);
  const double w = 1.8, len = 13.5;
  QPainterPath wood;
  wood.moveTo(0, 0);
  wood.lineTo(3.2, -w);
  wood.lineTo(3.2, w);
  wood.closeSubpath();
  p.fillPath(wood, QColor(0xf1, 0xd6, 0xa6));
  QPainterPath lead;
  lead.moveTo(0, 0);
  lead.lineTo(1.3, -0.75);
  lead.lineTo(1.3, 0.75);
  lead.closeSubpath();
  p.fillPath(lead, kInk);
  p.fillRect(QRectF(3.2, -w, len - 5.2, 2 * w), kYellowDark);
  p.fillRect(QRectF(3.2, -w, len - 5.2, w * 0.8), kYellow);
  p.fillRect(QRectF(len - 2, -w, 2, 2 * w), kRed);
  QPainterPath outline;
  outline.moveTo(0, 0);
  outline.lineTo(3.2, -w);
  outline.lineTo(len, -w);
  outline.lineTo(len, w);
  outline.lineTo(3.2, w);
  outline.closeSubpath();
  p.strokePath(outline, QPen(kInk, 1.0 / s, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
  p.restore();
}

void DrawAbout(Sketch& k) {
  k.Disc(8, 7.5, 7.5, kBlue, kBlueDark);
  k.Block(7, 3, 9, 5, kPaper);
  k.Block(7, 6, 9, 11, kPaper);
  k.Block(6, 6, 7, 7, kPaper);
  k.Block(6, 11, 10, 12, kPaper);
}

void DrawPointer(Sketch& k) {
  k.Poly({{3, 0}, {3, 13}, {6, 10}, {8, 15}, {10, 14}, {8, 9}, {12, 9}}, kPaper, kInk);
}

void DrawZoomGlass(Sketch& k) { DrawLens(k, 7, 7, 5.6, 1.4, 15, 14, 2.6); }

void DrawZoomIn(Sketch& k) {
  DrawZoomGlass(k);
  k.Block(4, 6, 10, 8, kInk);
  k.Block(6, 4, 8, 10, kInk);
}

void DrawZoomOut(Sketch& k) {
  DrawZoomGlass(k);
  k.Block(4, 6, 10, 8, kInk);
}

void DrawZoomOneToOne(Sketch& k) {
  DrawZoomGlass(k);
  k.Block(5, 4, 6, 10, kInk);
  k.Block(4, 5, 5, 6, kInk);
  k.Block(7, 5, 8, 6, kInk);
  k.Block(7, 8, 8, 9, kInk);
  k.Block(9, 4, 10, 10, kInk);
  k.Block(8, 5, 9, 6, kInk);
}

void DrawGrid(Sketch& k) {
  k.Block(2, 1, 14, 13, kBlueLight);
  // the lines stop at the last crossing line, not a cell after it
  for (double x : {2, 6, 10, 14}) k.VLine(x, 1, 14, kInkSoft);
  for (double y : {1, 5, 9, 13}) k.HLine(2, 14, y, kInkSoft);
}

struct Picture {
  int id;
  Drawer draw;
};
constexpr Picture kPictures[] = {
    {kNew, DrawNew},
    {kOpen, DrawOpen},
    {kSaveAs, DrawSave},
    {kFilePrintDirect, DrawPrinter},
    {kFilePrintPreview, DrawPreview},
    {kMail, DrawMail},
    {kEditCopy, DrawCopy},
    {kEditPaste, DrawPaste},
    {kFlipVertical, DrawFlipVertical},
    {kFlipHorizontal, DrawFlipHorizontal},
    {kRotateRight, DrawRotateRight},
    {kRotateLeft, DrawRotateLeft},
    {kCut, DrawCut},
    {kEditPicture, DrawEditPicture},
    {kAppAbout, DrawAbout},
    {kInsertCursor, DrawPointer},
    {kZoomIn, DrawZoomIn},
    {kZoomOneToOne, DrawZoomOneToOne},
    {kZoomOut, DrawZoomOut},
    {kShowGrid, DrawGrid},
};

Drawer DrawerFor(int id) {
  for (const Picture& picture : kPictures) {
    if (picture.id == id) return picture.draw;
  }
  return nullptr;
}

QPixmap Blank(int w, int h) {
  QPixmap pm(w, h);
  pm.fill(Qt::transparent);
  return pm;
}

// The program icon on a 16x16 grid: a dark monitor with a bright screen
// and a light printer in front, so the shape still reads in a tray.
QPixmap ProgramPixmap(int size) {
  QPixmap pm = Blank(size, size);
  QPainter p(&pm);
  const double s = size / 16.0;
  Sketch k(p, s, std::max(1.0, std::round(size / 32.0)));
  const bool detail = size >= 32;

  k.Box(0, 0, 13, 10, QColor(0x5a, 0x66, 0x75), kInk);
  QLinearGradient sky(k.At(0, 1.5), k.At(0, 8.5));
  sky.setColorAt(0, QColor(0x7c, 0xb9, 0xf4));
  sky.setColorAt(1, QColor(0x1f, 0x5c, 0xc0));
  k.Box(1.5, 1.5, 11.5, 8.5, sky, QColor());
  if (detail) {
    k.Box(2.5, 2.5, 7.5, 6, kPaper, kBlueDark);
    k.Block(2.5, 2.5, 7.5, 3.25, kBlue);
  }
  k.Block(5, 10, 8, 11, kInk);
  k.Box(3, 11, 10, 12, kInkSoft, kInk);

  k.Box(8, 5, 14, 9, kPaper, kInk);
  k.Box(6, 8, 16, 14, kGrey, kInk);
  k.Block(6.5, 8.75, 15.5, 9.5, kGreyLight);
  k.Block(13, 10, 15, 11, kGreen);
  k.Box(8, 12, 14, 16, kPaper, kInk);
  if (detail) {
    k.HLine(9, 13, 13.5, kText);
    k.HLine(9, 12, 14.5, kText);
  }
  return pm;
}

}  // namespace

QIcon ProgramIcon() {
  static const QIcon icon = [] {
    QIcon i;
    for (int size : {16, 22, 24, 32, 48, 64, 128}) i.addPixmap(ProgramPixmap(size));
    return i;
  }();
  return icon;
}

// A sheet fresh from the printer with a screen picture on it.
QPixmap AboutPicture() {
  static const QPixmap picture = [] {
    QPixmap pm = Blank(32, 32);
    QPainter p(&pm);
    Sketch k(p, 1, 1);
    k.Poly({{5, 1}, {21, 1}, {27, 7}, {27, 31}, {5, 31}}, kPaper, kPaperLine);
    k.Poly({{21, 1}, {21, 7}, {27, 7}}, kPaperShade, kPaperLine);

    QLinearGradient sky(k.At(0, 9), k.At(0, 21));
    sky.setColorAt(0, QColor(0x7c, 0xb9, 0xf4));
    sky.setColorAt(1, QColor(0x1f, 0x5c, 0xc0));
    k.Box(8, 9, 24, 22, sky, kInk);
    k.Box(10, 11, 19, 18, kPaper, kBlueDark);
    k.Block(11, 12, 18, 13, kBlue);
    k.HLine(12, 17, 15, kText);
    k.Block(9, 20, 23, 21, kGreyLight);
    k.Block(9, 20, 11, 21, kGreen);

    k.HLine(8, 24, 25, kText);
    k.HLine(8, 24, 27, kText);
    k.HLine(8, 18, 29, kText);
    k.HLine(8, 17, 5, kText);
    return pm;
  }();
  return picture;
}

QIcon CommandIcon(int id, bool large) {
  static std::map<std::pair<int, bool>, QIcon> cache;
  const auto key = std::make_pair(id, large);
  if (auto it = cache.find(key); it != cache.end()) return it->second;

  QIcon icon;
  if (Drawer draw = DrawerFor(id)) {
    QPixmap pm = large ? Blank(24, 23) : Blank(16, 15);
    QPainter p(&pm);
    Sketch k(p, large ? 1.5 : 1.0, 1);
    draw(k);
    p.end();
    icon.addPixmap(pm);
  }
  cache.emplace(key, icon);
  return icon;
}

}  // namespace prentix
