// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/helupu_.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <vector>

#include "app/fonts.h"
#include "app/form_settings.h"
#include "ui/readme_text.h"

namespace numira {

namespace {

ScreenRect RectOf(const QRect& rect) {
  return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

ScreenSize FrameSize(const QMargins& margins) {
  return {margins.left() + margins.right(), margins.top() + margins.bottom()};
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

// ---- TFormvajon ----

TFormvajon::TFormvajon(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("Formvajon"));
  // Modal to the main window only: the main window takes no input while it
  // is open, but the tray icon (a window of its own) still hides and shows
  // the main window.
  setWindowModality(Qt::WindowModal);
  setWindowTitle(QString::fromUtf8(readme::kCaption));

  // Scaled once, here: the font follows the screen's resolution, and the
  // client area follows the text height the font system really gives, so the
  // window grows with its text. The text height is the character height in
  // force, not the line cell: the stand-in faces have a taller cell than the
  // face the window was laid out with (16 instead of 15 pixels at 15 pixels),
  // and growing the window by that alone would let the longest history line
  // fit, where it is meant to run past the right edge.
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int dpi = screen != nullptr ? qRound(screen->logicalDotsPerInchY()) : readme::kDesignDpi;
  setFont(platform::WindowsFont(QString::fromUtf8(readme::kDesignFont.face), readme::FontHeight(dpi)));
  client_ = readme::ClientSize(QFontInfo(font()).pixelSize());
  setFixedSize(client_.width, client_.height);

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
  const std::vector<Monitor> monitors = ScreenMonitors();
  // Without a main window the primary monitor stands in for its monitor.
  QRect main_frame;
  if (mainWindow != nullptr) {
    main_frame = mainWindow->frameGeometry();
    const QRect inner = mainWindow->geometry();
    main_frame_margins_ = QMargins(inner.left() - main_frame.left(), inner.top() - main_frame.top(),
                                   main_frame.right() - inner.right(), main_frame.bottom() - inner.bottom());
  }
  const ScreenRect main = mainWindow != nullptr || monitors.empty() ? RectOf(main_frame) : monitors[0].area;
  const QMargins margins = FrameMargins();
  Place(readme::OpeningPlacement(!opened_, RectOf(geometry().marginsAdded(margins)), client_, FrameSize(margins),
                                 main, monitors));
  if (!opened_) centre_on_ = readme::MonitorOf(main, monitors);
  opened_ = true;
}

void TFormvajon::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!centre_on_) return;
  const QMargins margins = FrameMargins();
  const std::vector<Monitor> monitor{*centre_on_};
  Place(readme::OpeningPlacement(true, RectOf(geometry().marginsAdded(margins)), client_, FrameSize(margins),
                                 centre_on_->area, monitor));
  centre_on_.reset();
}

void TFormvajon::Place(const readme::Placement& placement) {
  // The text field is laid out to fill the client area, whatever its size.
  setFixedSize(placement.client.width, placement.client.height);
  move(placement.frame.left, placement.frame.top);
}

QMargins TFormvajon::FrameMargins() const {
  const QRect frame = frameGeometry();
  const QRect inner = geometry();
  if (frame == inner) return main_frame_margins_;
  return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
          frame.bottom() - inner.bottom()};
}

void TFormvajon::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Cancel)) {
    event->ignore();
    return;
  }
  QDialog::keyPressEvent(event);
}

ReadmeWindowMaker::ReadmeWindowMaker(QWidget* mainWindow) : main_window_(mainWindow) {}

TFormvajon* ReadmeWindowMaker::Make() {
  if (window_ == nullptr) window_ = std::make_unique<TFormvajon>(main_window_);
  return window_.get();
}

}  // namespace numira
