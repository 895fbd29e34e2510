// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// TFormvajon: the readme window. A modal dialog with one read-only text field,
// Memo1, holding the fixed readme text (name and version, usage notes, change
// history). Created hidden at start (just after the main window's first
// paint); each opening shows it modally, closing only hides it, so text
// position and window position carry over.

#include <QDialog>
#include <QList>
#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringList>
#include <memory>

class QTextEdit;

namespace numira {

// The 43 lines of the readme text, in order.
const QStringList& ReadmeLines();

// The window was laid out at 96 pixels per inch with a text height of 15
// pixels, for a client area of 526 x 539.
inline constexpr int kReadmeDesignDpi = 96;
inline constexpr int kReadmeDesignTextHeight = 15;
inline constexpr QSize kReadmeDesignClientSize{526, 539};

// The font's pixel height at a screen resolution: 15 x dpi / 96, halves away
// from zero.  96 -> 15, 120 -> 19 (18.75), 144 -> 23 (22.5), 72 -> 11 (11.25)
int ReadmeFontHeight(int screenDpi);

// The client size for the text height in force: the design size times
// height / 15, each rounded to the nearest pixel, halves away from zero.
//   15 -> 526 x 539;  18 -> 631 x 647;  16 -> 561 x 575
QSize ReadmeClientSize(int textHeight);

// The monitor a window is on: the one it overlaps most; if it overlaps none,
// the nearest one. An empty list gives an empty rectangle.
QRect MonitorOf(const QRect& frame, const QList<QRect>& monitors);

// Where the readme window's frame goes when it is opened.
//   first opening: centred on the main window's monitor, each half of the
//     free space rounded toward zero;
//   later openings: where it was left, unless the main window is on another
//     monitor: then moved onto that monitor at the same offset from its
//     top-left corner, and pulled left and up as far as needed so that it
//     does not reach past the monitor's right or bottom edge.
QPoint ReadmeOpeningPosition(bool firstOpening, const QRect& readmeFrame, const QRect& mainFrame,
                             const QList<QRect>& monitors);

class TFormvajon : public QDialog {
  Q_OBJECT

 public:
  explicit TFormvajon(QWidget* parent = nullptr);

  QTextEdit* Memo1;

  // Shows the window modally over mainWindow and returns when the user has
  // closed it; the result is of no interest.
  void ShowModalFor(QWidget* mainWindow);

  // Places the window for an opening over mainWindow (the position rules
  // above). ShowModalFor does this before it shows the window.
  void PrepareOpening(QWidget* mainWindow);

 protected:
  // Escape does not close the window: only the close box, the window menu's
  // Close and Alt+F4 do.
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // The frame to place: the window's own once the window system has told it,
  // before that its client area with the main window's frame margins (both
  // windows carry the same title bar and border). An X11 window manager adds
  // the frame only when it maps the window, after the show event.
  QRect FrameForPlacing() const;

  bool opened_ = false;
  // The monitor to centre on at the first opening. The frame's size is only
  // known once the window is shown, so the centring is done again then.
  QRect centre_on_;
  QMargins main_frame_margins_;
};

// The program's readme window, made hidden at start; null before that.
extern TFormvajon* Formvajon;

// Makes the program's readme window `Formvajon` over the main window and owns
// it. Building the window and its text takes a few milliseconds that the
// main window's first paint need not wait for, so it is made on the turn of
// the event loop after that paint, or earlier when ReadmeWindow() asks for it
// (an opening before the first paint still finds the window). One at a time;
// its end deletes the window and sets `Formvajon` back to null.
class ReadmeWindowMaker : public QObject {
 public:
  explicit ReadmeWindowMaker(QWidget* mainWindow);
  ~ReadmeWindowMaker() override;
  ReadmeWindowMaker(const ReadmeWindowMaker&) = delete;
  ReadmeWindowMaker& operator=(const ReadmeWindowMaker&) = delete;

  // Makes the window now unless it is made already.
  TFormvajon* Make();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* main_window_;
  std::unique_ptr<TFormvajon> window_;
};

// `Formvajon`, made first when the program's maker has not made it yet; null
// when there is neither (tests without a maker).
TFormvajon* ReadmeWindow();

}  // namespace numira
