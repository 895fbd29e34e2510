// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// TFormvajon: the readme window. A modal dialog with one read-only text field,
// Memo1, holding the fixed readme text (name and version, usage notes, change
// history). Made hidden when it is first opened; each opening shows it
// modally, closing only hides it, so text position and window position carry
// over.

#include <QDialog>
#include <QMargins>
#include <QObject>
#include <QStringList>
#include <memory>
#include <optional>

#include "ui/helupu_.h"

class QTextEdit;

namespace numira {

// The 43 lines of the readme text, in order.
const QStringList& ReadmeLines();

class TFormvajon : public QDialog {
  Q_OBJECT

 public:
  explicit TFormvajon(QWidget* parent = nullptr);

  QTextEdit* Memo1;

  // Shows the window modally over mainWindow and returns when the user has
  // closed it; the result is of no interest.
  void ShowModalFor(QWidget* mainWindow);

  // Places and sizes the window for an opening over mainWindow (the rules
  // of ui/helupu_.h). ShowModalFor does this before it shows the window.
  void PrepareOpening(QWidget* mainWindow);

 protected:
  // Escape does not close the window: only the close box, the window menu's
  // Close and Alt+F4 do.
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // The frame's margins: the window's own once the window system has told
  // them, before that the main window's (both windows carry the same title
  // bar and border). An X11 window manager adds the frame only when it maps
  // the window, after the show event.
  QMargins FrameMargins() const;
  void Place(const readme::Placement& placement);

  bool opened_ = false;
  // The client size the scaling asks for; an opening may shrink the window
  // below it to fit the screen.
  ScreenSize client_;
  // The monitor to centre on at the first opening. The frame's size is only
  // known once the window is shown, so the centring is done again then.
  std::optional<Monitor> centre_on_;
  QMargins main_frame_margins_;
};

// Makes the program's readme window `Formvajon` over the main window when it
// is first opened, and owns it. Until then a hidden window would cost the
// program a few milliseconds after its start and about a mebibyte of memory
// (the laid-out text and its fonts), and a user sees no difference: the
// window is placed and scaled at its opening, and the first opening centres
// it either way.
class ReadmeWindowMaker : public QObject {
 public:
  explicit ReadmeWindowMaker(QWidget* mainWindow);
  ReadmeWindowMaker(const ReadmeWindowMaker&) = delete;
  ReadmeWindowMaker& operator=(const ReadmeWindowMaker&) = delete;

  // Makes the window now unless it is made already.
  TFormvajon* Make();
  // The window once made; null before that.
  TFormvajon* Window() const { return window_.get(); }

 private:
  QWidget* main_window_;
  std::unique_ptr<TFormvajon> window_;
};

}  // namespace numira
