// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Writes the application icon for the desktop's icon theme from the same
// 32 x 32 XPM the program builds into its resources, so there is one icon art:
//   numira_icon_png SOURCE.xpm OUTPUT_DIR
// OUTPUT_DIR gets scalable/numira.svg (one square per pixel run of the art)
// and SIZExSIZE/numira.png for every theme size. The 32 x 32 PNG is the XPM
// itself; the other sizes paint the SVG's squares scaled, so every size shows
// the same calculator.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRect>

#include <cstdio>
#include <vector>

namespace {

constexpr int kThemeSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// A horizontal run of pixels of one opaque colour.
struct Run {
  QRect pixels;
  QColor colour;
};

std::vector<Run> RunsOf(const QImage& art) {
  std::vector<Run> runs;
  for (int y = 0; y < art.height(); ++y) {
    int x = 0;
    while (x < art.width()) {
      const QRgb pixel = art.pixel(x, y);
      int end = x + 1;
      while (end < art.width() && art.pixel(end, y) == pixel) ++end;
      if (qAlpha(pixel) != 0) runs.push_back({QRect(x, y, end - x, 1), QColor::fromRgba(pixel)});
      x = end;
    }
  }
  return runs;
}

QByteArray Svg(const QImage& art, const std::vector<Run>& runs) {
  QByteArray svg = QByteArrayLiteral(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!-- Numira's application icon: a pocket calculator, drawn from its 32 x 32 pixel art. -->\n");
  svg += QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" viewBox=\"0 0 %1 %2\" "
                        "shape-rendering=\"crispEdges\">\n")
             .arg(art.width())
             .arg(art.height())
             .toUtf8();
  for (const Run& run : runs) {
    svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"1\" fill=\"%4\"/>\n")
               .arg(run.pixels.x())
               .arg(run.pixels.y())
               .arg(run.pixels.width())
               .arg(run.colour.name())
               .toUtf8();
  }
  svg += "</svg>\n";
  return svg;
}

QImage Painted(const QImage& art, const std::vector<Run>& runs, int size) {
  if (size == art.width()) return art;
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  // Enlarged, the pixels stay sharp squares; reduced, they blend.
  painter.setRenderHint(QPainter::Antialiasing, size < art.width());
  painter.scale(static_cast<qreal>(size) / art.width(), static_cast<qreal>(size) / art.height());
  for (const Run& run : runs) painter.fillRect(run.pixels, run.colour);
  return image;
}

bool Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s SOURCE.xpm OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  // The transparent background stays transparent: keep the alpha channel.
  const QImage art = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_ARGB32);
  if (art.isNull()) {
    std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
    return 1;
  }
  const QDir out(QString::fromLocal8Bit(argv[2]));
  const std::vector<Run> runs = RunsOf(art);
  bool written = out.mkpath(QStringLiteral("scalable")) && Write(out.filePath(QStringLiteral("scalable/numira.svg")), Svg(art, runs));
  for (const int size : kThemeSizes) {
    const QString folder = QStringLiteral("%1x%1").arg(size);
    written = written && out.mkpath(folder) &&
              Painted(art, runs, size).save(out.filePath(folder + QStringLiteral("/numira.png")), "PNG");
  }
  if (!written) {
    std::fprintf(stderr, "%s: cannot write into %s\n", argv[0], argv[2]);
    return 1;
  }
  return 0;
}
