// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/helupu_.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QGuiApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <limits>

#include "app/platform.h"
#include "ui/readme_text.h"

namespace numira {

TFormvajon* Formvajon = nullptr;

namespace {

// a * b / c rounded to the nearest integer, halves away from zero (all
// positive here).
int ScaleRounded(int a, int b, int c) {
  return static_cast<int>((2LL * a * b + c) / (2LL * c));
}

// Squared distance between a rectangle and the nearest point of another; zero
// when they touch or overlap.
long long DistanceSquared(const QRect& a, const QRect& b) {
  const long long dx = std::max({0, b.left() - a.right() - 1, a.left() - b.right() - 1});
  const long long dy = std::max({0, b.top() - a.bottom() - 1, a.top() - b.bottom() - 1});
  return dx * dx + dy * dy;
}

QList<QRect> MonitorGeometries() {
  QList<QRect> monitors;
  // The primary screen first, so it is the fallback among equals.
  if (QScreen* primary = QGuiApplication::primaryScreen()) monitors.append(primary->geometry());
  for (QScreen* screen : QGuiApplication::screens()) {
    if (screen != QGuiApplication::primaryScreen()) monitors.append(screen->geometry());
  }
  return monitors;
}

}  // namespace

const QStringList& ReadmeLines() {
  static const QStringList lines = [] {
    QStringList result;
    for (const char* line : ReadmeText()) result.append(QString::fromUtf8(line));
    return result;
  }();
  return lines;
}

int ReadmeFontHeight(int screenDpi) {
  return ScaleRounded(kReadmeDesignTextHeight, screenDpi, kReadmeDesignDpi);
}

QSize ReadmeClientSize(int textHeight) {
  return {ScaleRounded(kReadmeDesignClientSize.width(), textHeight, kReadmeDesignTextHeight),
          ScaleRounded(kReadmeDesignClientSize.height(), textHeight, kReadmeDesignTextHeight)};
}

QRect MonitorOf(const QRect& frame, const QList<QRect>& monitors) {
  QRect best;
  long long bestArea = 0;
  for (const QRect& monitor : monitors) {
    const QRect common = monitor.intersected(frame);
    const long long area = common.isEmpty() ? 0 : 1LL * common.width() * common.height();
    if (area > bestArea) {
      best = monitor;
      bestArea = area;
    }
  }
  if (bestArea > 0) return best;
  long long bestDistance = std::numeric_limits<long long>::max();
  for (const QRect& monitor : monitors) {
    const long long distance = DistanceSquared(frame, monitor);
    if (distance < bestDistance) {
      best = monitor;
      bestDistance = distance;
    }
  }
  return best;
}

QPoint ReadmeOpeningPosition(bool firstOpening, const QRect& readmeFrame, const QRect& mainFrame,
                             const QList<QRect>& monitors) {
  const QRect target = MonitorOf(mainFrame, monitors);
  if (target.isNull()) return readmeFrame.topLeft();
  if (firstOpening) {
    // Integer division rounds each half toward zero, also when the window is
    // larger than the monitor.
    return {target.left() + (target.width() - readmeFrame.width()) / 2,
            target.top() + (target.height() - readmeFrame.height()) / 2};
  }
  const QRect current = MonitorOf(readmeFrame, monitors);
  if (current == target) return readmeFrame.topLeft();
  QPoint moved = target.topLeft() + (readmeFrame.topLeft() - current.topLeft());
  moved.setX(std::min(moved.x(), target.left() + target.width() - readmeFrame.width()));
  moved.setY(std::min(moved.y(), target.top() + target.height() - readmeFrame.height()));
  return moved;
}

// ---- TFormvajon ----

TFormvajon::TFormvajon(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("Formvajon"));
  // Modal to the main window only: the main window takes no input while it
  // is open, but the tray icon (a window of its own) still hides and shows
  // the main window.
  setWindowModality(Qt::WindowModal);
  setWindowTitle(QStringLiteral("Numira"));

  // Scaled once, here: the font follows the screen's resolution, and the
  // client area follows the text height the font system really gives, so the
  // window grows with its text. The text height is the character height in
  // force, not the line cell: the stand-in faces have a taller cell than the
  // face the window was laid out with (16 instead of 15 pixels at 15 pixels),
  // and growing the window by that alone would let the longest history line
  // fit, where it is meant to run past the right edge.
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int dpi = screen != nullptr ? qRound(screen->logicalDotsPerInchY()) : kReadmeDesignDpi;
  setFont(platform::WindowsFont(QStringLiteral("ＭＳ Ｐゴシック"), ReadmeFontHeight(dpi)));
  setFixedSize(ReadmeClientSize(QFontInfo(font()).pixelSize()));

  Memo1 = new QTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QTextEdit::NoWrap);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Read-only, yet the text can be selected and copied with mouse and keys.
  Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Memo1->setPlainText(ReadmeLines().join(QLatin1Char('\n')));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Memo1);
}

void TFormvajon::ShowModalFor(QWidget* mainWindow) {
  PrepareOpening(mainWindow);
  exec();
}

void TFormvajon::PrepareOpening(QWidget* mainWindow) {
  const QList<QRect> monitors = MonitorGeometries();
  // Without a main window the primary monitor stands in for its monitor.
  const QRect mainFrame = mainWindow != nullptr ? mainWindow->frameGeometry() : monitors.value(0);
  if (mainWindow != nullptr) {
    const QRect inner = mainWindow->geometry();
    main_frame_margins_ = QMargins(inner.left() - mainFrame.left(), inner.top() - mainFrame.top(),
                                 mainFrame.right() - inner.right(), mainFrame.bottom() - inner.bottom());
  }
  move(ReadmeOpeningPosition(!opened_, FrameForPlacing(), mainFrame, monitors));
  if (!opened_) centre_on_ = MonitorOf(mainFrame, monitors);
  opened_ = true;
}

void TFormvajon::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (centre_on_.isNull()) return;
  move(ReadmeOpeningPosition(true, FrameForPlacing(), centre_on_, {centre_on_}));
  centre_on_ = QRect();
}

QRect TFormvajon::FrameForPlacing() const {
  const QRect frame = frameGeometry();
  if (frame != geometry()) return frame;
  return geometry().marginsAdded(main_frame_margins_);
}

void TFormvajon::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Cancel)) {
    event->ignore();
    return;
  }
  QDialog::keyPressEvent(event);
}

namespace {
ReadmeWindowMaker* active_maker = nullptr;
}  // namespace

ReadmeWindowMaker::ReadmeWindowMaker(QWidget* mainWindow) : main_window_(mainWindow) {
  active_maker = this;
  QCoreApplication::instance()->installEventFilter(this);
}

ReadmeWindowMaker::~ReadmeWindowMaker() {
  if (active_maker == this) active_maker = nullptr;
  if (Formvajon == window_.get()) Formvajon = nullptr;
}

TFormvajon* ReadmeWindowMaker::Make() {
  if (window_ == nullptr) {
    QCoreApplication::instance()->removeEventFilter(this);
    window_ = std::make_unique<TFormvajon>(main_window_);
    Formvajon = window_.get();
  }
  return window_.get();
}

bool ReadmeWindowMaker::eventFilter(QObject* watched, QEvent* event) {
  // The main window paints its whole content while it handles its first
  // expose (its own paint event may never come: the panels cover it), so the
  // queued call runs once that frame has gone to the window system.
  if (event->type() == QEvent::Expose && watched == main_window_->windowHandle()) {
    QCoreApplication::instance()->removeEventFilter(this);
    QTimer::singleShot(0, this, [this] { Make(); });
  }
  return QObject::eventFilter(watched, event);
}

TFormvajon* ReadmeWindow() {
  if (Formvajon == nullptr && active_maker != nullptr) active_maker->Make();
  return Formvajon;
}

}  // namespace numira
