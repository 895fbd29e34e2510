#include "app/platform.h"

#include <QBitmap>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QStringList>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace numira::platform {
namespace {

ErrorBoxPresenter& Presenter() {
  static ErrorBoxPresenter presenter;
  return presenter;
}

QPixmap TransparentPixmap(const QImage& half, QRgb transparent) {
  QPixmap pixmap = QPixmap::fromImage(half);
  pixmap.setMask(QBitmap::fromImage(half.createMaskFromColor(transparent, Qt::MaskInColor)));
  return pixmap;
}

}  // namespace

QStringList FontFamilies(const QString& windows_face) {
  if (windows_face == QStringLiteral("MS UI Gothic") || windows_face == QStringLiteral("ＭＳ Ｐゴシック")) {
    return {windows_face, QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")};
  }
  if (windows_face == QStringLiteral("ＭＳ ゴシック")) {
    return {windows_face, QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic")};
  }
  if (windows_face == QStringLiteral("Small Fonts")) {
    return {windows_face, QStringLiteral("DejaVu Sans"), QStringLiteral("IPAPGothic")};
  }
  return {windows_face};
}

QFont WindowsFont(const QString& windows_face, int pixel_height) {
  QFont font;
  font.setFamilies(FontFamilies(windows_face));
  font.setPixelSize(pixel_height);
  return font;
}

QIcon GlyphIcon(const QImage& bitmap) {
  if (bitmap.isNull()) return {};
  const QImage image = bitmap.convertToFormat(QImage::Format_RGB32);
  const QRgb transparent = image.pixel(0, image.height() - 1);
  const int half = image.width() / 2;
  QIcon icon;
  icon.addPixmap(TransparentPixmap(image.copy(0, 0, half, image.height()), transparent), QIcon::Normal);
  icon.addPixmap(TransparentPixmap(image.copy(half, 0, half, image.height()), transparent), QIcon::Disabled);
  return icon;
}

void SetWindowTopmost(QWidget* window, bool topmost) {
  Qt::WindowFlags flags = window->windowFlags();
  flags.setFlag(Qt::WindowStaysOnTopHint, topmost);
  // QWidget::setWindowFlags would re-create and hide a shown window; changing
  // the native window's flags re-stacks it in place.
  window->overrideWindowFlags(flags);
  if (QWindow* handle = window->windowHandle()) handle->setFlags(flags);
}

void ShowErrorBox(QWidget* parent, const QString& caption, const QString& text) {
  if (Presenter()) {
    Presenter()(parent, caption, text);
    return;
  }
  QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
  box.exec();
}

ErrorBoxPresenter SetErrorBoxPresenter(ErrorBoxPresenter presenter) {
  return std::exchange(Presenter(), std::move(presenter));
}

}  // namespace numira::platform
