#include "prentix/frame/pointers.h"

#include <QColor>
#include <QLineF>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <initializer_list>

namespace prentix {

namespace {

constexpr int kSize = 32;
// Symmetric pointers are laid out around this pixel, so their hot spot is a real pixel.
constexpr int kMid = 15;

QImage Blank() {
  QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

// Whole-pixel runs: the crisp shapes must not depend on the rasteriser's edge rules.
void Run(QPainter& p, int y, int x0, int x1) { p.fillRect(x0, y, x1 - x0 + 1, 1, Qt::black); }

void Column(QPainter& p, int x, int y0, int y1) { p.fillRect(x, y0, 1, y1 - y0 + 1, Qt::black); }

// Moves every pixel; used to get the other directions of a shape without drawing it again.
QImage Remap(const QImage& source, const std::function<QPoint(int, int)>& to) {
  QImage result = Blank();
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const QPoint t = to(x, y);
      if (result.rect().contains(t)) result.setPixel(t, source.pixel(x, y));
    }
  }
  return result;
}

QImage Transposed(const QImage& source) {
  return Remap(source, [](int x, int y) { return QPoint(y, x); });
}

QImage Mirrored(const QImage& source) {
  return Remap(source, [](int x, int y) { return QPoint(2 * kMid - x, y); });
}

void Merge(QImage& target, const QImage& more) {
  QPainter p(&target);
  p.drawImage(0, 0, more);
}

// A white rim one pixel wide around everything drawn, so that black pointers stay visible on
// dark pictures. Taking the strongest neighbour keeps antialiased edges soft.
QImage WithRim(const QImage& ink) {
  QImage rim = Blank();
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      int alpha = 0;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const QPoint n(x + dx, y + dy);
          if (ink.rect().contains(n)) alpha = std::max(alpha, qAlpha(ink.pixel(n)));
        }
      }
      rim.setPixel(x, y, qPremultiply(qRgba(255, 255, 255, alpha)));
    }
  }
  Merge(rim, ink);
  return rim;
}

// One string a row: 'X' outline, '.' fill. The arrow is small enough that laying out each
// pixel is clearer than any geometry, and it keeps the tip a single pixel.
void Plot(QPainter& p, std::initializer_list<const char*> rows) {
  int y = 0;
  for (const char* row : rows) {
    for (int x = 0; row[x]; ++x) {
      if (row[x] == 'X') p.fillRect(x, y, 1, 1, Qt::black);
      if (row[x] == '.') p.fillRect(x, y, 1, 1, Qt::white);
    }
    ++y;
  }
}

QImage Arrow() {
  QImage image = Blank();
  QPainter p(&image);
  // clang-format off
  Plot(p, {"X",
           "XX",
           "X.X",
           "X..X",
           "X...X",
           "X....X",
           "X.....X",
           "X......X",
           "X.......X",
           "X........X",
           "X.........X",
           "X......XXXXX",
           "X...X..X",
           "X..XX..X",
           "X.X  X..X",
           "XX   X..X",
           "X     X..X",
           "      X..X",
           "       XX"});
  // clang-format on
  p.end();
  return image;
}

QImage TextBeam() {
  QImage image = Blank();
  QPainter p(&image);
  Column(p, kMid, 7, 23);
  for (int y : {6, 24}) {
    Run(p, y, kMid - 3, kMid - 1);
    Run(p, y, kMid + 1, kMid + 3);
  }
  Run(p, kMid, kMid - 2, kMid + 2);
  p.end();
  return WithRim(image);
}

// A little sand left just above the neck, the rest heaped in the lower bulb.
bool Sand(int x, int y) {
  const int off = std::abs(2 * x - 31);  // twice the distance from the middle line
  return (y >= 12 && y <= 13) || y >= 22 || (y == 21 && off < 7) || (y == 20 && off < 3);
}

QImage Hourglass() {
  QImage image = Blank();
  QPainter p(&image);
  // Laid out around x = 15.5 so both halves match; the neck covers the hot spot (15,15).
  p.fillRect(8, 4, 16, 3, Qt::black);
  p.fillRect(8, 25, 16, 3, Qt::black);
  // How far each bulb reaches beyond the neck, row by row away from it: rounded, not a cone.
  constexpr std::array<int, 9> kBulb{0, 1, 2, 3, 4, 5, 5, 6, 6};
  for (int d = 0; d < static_cast<int>(kBulb.size()); ++d) {
    const int left = 15 - kBulb[d];
    const int right = 16 + kBulb[d];
    for (int y : {15 - d, 16 + d}) {
      Run(p, y, left, right);
      for (int x = left + 1; x < right; ++x) {
        if (!Sand(x, y)) p.fillRect(x, y, 1, 1, Qt::white);
      }
    }
  }
  p.end();
  return WithRim(image);
}

QImage Cross() {
  QImage image = Blank();
  QPainter p(&image);
  Column(p, kMid, kMid - 10, kMid + 10);
  Run(p, kMid, kMid - 10, kMid + 10);
  p.end();
  return WithRim(image);
}

// Rows of a head pointing up, tip at (x, y), widening one pixel each side per row.
void HeadUp(QPainter& p, int x, int y, int rows) {
  for (int i = 0; i < rows; ++i) Run(p, y + i, x - i, x + i);
}

void HeadDown(QPainter& p, int x, int y, int rows) {
  for (int i = 0; i < rows; ++i) Run(p, y - i, x - i, x + i);
}

QImage UpArrow() {
  QImage image = Blank();
  QPainter p(&image);
  HeadUp(p, kMid, 3, 7);
  p.fillRect(kMid - 1, 10, 3, 17, Qt::black);
  p.end();
  return WithRim(image);
}

// The north-south shape without its rim, shared by the sizing and the move pointers.
QImage NorthSouth(int reach, int head) {
  QImage image = Blank();
  QPainter p(&image);
  Column(p, kMid, kMid - reach, kMid + reach);
  HeadUp(p, kMid, kMid - reach, head);
  HeadDown(p, kMid, kMid + reach, head);
  p.end();
  return image;
}

QImage Move() {
  QImage image = NorthSouth(11, 4);
  Merge(image, Transposed(image));
  return WithRim(image);
}

QImage NorthWestSouthEast() {
  QImage image = Blank();
  QPainter p(&image);
  constexpr int kReach = 8;
  constexpr int kHead = 6;
  constexpr int kNear = kMid - kReach;
  constexpr int kFar = kMid + kReach;
  for (int i = kNear; i <= kFar; ++i) p.fillRect(i, i, 1, 1, Qt::black);
  // Right-angled heads sitting in the corners the arrow points to.
  for (int i = 0; i < kHead; ++i) {
    Run(p, kNear + i, kNear, kNear + kHead - 1 - i);
    Run(p, kFar - i, kFar - kHead + 1 + i, kFar);
  }
  p.end();
  return image;
}

QImage Zoom(QPoint* centre) {
  QImage image = Blank();
  QPainter p(&image);
  constexpr int kLens = 12;
  *centre = QPoint(kLens, kLens);
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF c(kLens + 0.5, kLens + 0.5);
  QPen handle(Qt::black, 3.6, Qt::SolidLine, Qt::RoundCap);
  p.setPen(handle);
  p.drawLine(QLineF(c + QPointF(6, 6), c + QPointF(12, 12)));
  p.setPen(QPen(Qt::black, 2));
  p.setBrush(Qt::white);
  p.drawEllipse(c, 6.5, 6.5);
  p.setRenderHint(QPainter::Antialiasing, false);
  Run(p, kLens, kLens - 3, kLens + 3);
  Column(p, kLens, kLens - 3, kLens + 3);
  p.end();
  return WithRim(image);
}

QImage Draw(int index, QPoint* hotSpot) {
  *hotSpot = QPoint(kMid, kMid);
  switch (index) {
    case 0:
      *hotSpot = QPoint(0, 0);
      return Arrow();
    case 1:
      return TextBeam();
    case 2:
      return Hourglass();
    case 3:
      return Cross();
    case 4:
      *hotSpot = QPoint(kMid, 3);
      return UpArrow();
    case 5:
      return Move();
    case 6:
      return WithRim(NorthWestSouthEast());
    case 7:
      return WithRim(Mirrored(NorthWestSouthEast()));
    case 8:
      return WithRim(Transposed(NorthSouth(10, 5)));
    case 9:
      return WithRim(NorthSouth(10, 5));
    case 10:
      return Zoom(hotSpot);
  }
  return {};
}

}  // namespace

QImage PointerImage(int command, QPoint* hotSpot) {
  const int index = command - kFirstPointer;
  if (index < 0 || index >= kPointerCount) {
    if (hotSpot) *hotSpot = QPoint();
    return {};
  }
  static std::array<QImage, kPointerCount> images;
  static std::array<QPoint, kPointerCount> spots;
  if (images[index].isNull()) images[index] = Draw(index, &spots[index]);
  if (hotSpot) *hotSpot = spots[index];
  return images[index];
}

}  // namespace prentix
