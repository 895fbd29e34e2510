// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// Writes the application icon for the desktop's icon theme from the same
// XPM pictures the program builds into its resources, so there is one icon art:
//   numira_icon_png OUTPUT_DIR PICTURE.xpm...
// The pictures are the hand-drawn sizes (16, 24, 32 and 48 pixels), each known
// by its size. OUTPUT_DIR gets SIZExSIZE/numira.png for every theme size, made
// from them by the program's own rule (app/application_icon.h: no size is
// resampled), and scalable/numira.svg: one square per pixel run of the 32 x 32
// picture.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRect>

#include <cstdio>
#include <map>
#include <vector>

#include "app/application_icon.h"

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

bool Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR PICTURE.xpm...\n", argv[0]);
    return 2;
  }
  // The transparent background stays transparent: keep the alpha channel.
  std::map<int, QImage> drawn;
  for (int i = 2; i < argc; ++i) {
    const QImage picture = QImage(QString::fromLocal8Bit(argv[i])).convertToFormat(QImage::Format_ARGB32);
    if (picture.isNull() || picture.width() != picture.height()) {
      std::fprintf(stderr, "%s: cannot read a square picture from %s\n", argv[0], argv[i]);
      return 1;
    }
    drawn[picture.width()] = picture;
  }
  const auto drawn_picture = [&drawn](int size) {
    const auto found = drawn.find(size);
    return found == drawn.end() ? QImage() : found->second;
  };
  const QDir out(QString::fromLocal8Bit(argv[1]));
  const QImage art = drawn_picture(32);
  bool written = !art.isNull() && out.mkpath(QStringLiteral("scalable")) &&
                 Write(out.filePath(QStringLiteral("scalable/numira.svg")), Svg(art, RunsOf(art)));
  for (const int size : kThemeSizes) {
    const QImage picture = numira::IconPicture(size, drawn_picture);
    if (picture.isNull()) {
      std::fprintf(stderr, "%s: no picture for %d x %d among the given ones\n", argv[0], size, size);
      return 1;
    }
    const QString folder = QStringLiteral("%1x%1").arg(size);
    written = written && out.mkpath(folder) && picture.save(out.filePath(folder + QStringLiteral("/numira.png")), "PNG");
  }
  if (!written) {
    std::fprintf(stderr, "%s: cannot write into %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
