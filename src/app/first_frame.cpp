// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#include "app/first_frame.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <utility>
#include <vector>

namespace numira {
namespace {

// A window mapped under another one gets no expose; its work goes after this.
constexpr int kUnexposedMilliseconds = 1000;

// The work waiting for one window's first frame; a child of the window.
class FirstFrameWatch : public QObject {
  Q_OBJECT

 public:
  explicit FirstFrameWatch(QWidget* window) : QObject(window), window_(window) {
    // The window's QWindow may not exist yet (it is made at the first show):
    // the application sees the events of every object.
    QCoreApplication::instance()->installEventFilter(this);
    // Work handed over just after the show (whose event has gone by then)
    // waits no longer than the show's own would.
    if (window->isVisible()) QTimer::singleShot(kUnexposedMilliseconds, this, [this] { Release(); });
  }

  static FirstFrameWatch* Of(QWidget* window) {
    return window->findChild<FirstFrameWatch*>(QString(), Qt::FindDirectChildrenOnly);
  }

  void Add(QObject* context, std::function<void()> work) { waiting_.push_back({context, std::move(work)}); }
  bool Released() const { return released_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched == window_) {
      QTimer::singleShot(kUnexposedMilliseconds, this, [this] { Release(); });
    }
    // Qt draws the whole window while it handles its first expose, so a
    // queued call runs once that frame has gone to the window system.
    if (event->type() == QEvent::Expose && watched == window_->windowHandle()) {
      QCoreApplication::instance()->removeEventFilter(this);
      QTimer::singleShot(0, this, [this] { Release(); });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  // Runs the work once; the watch is done then, and the window's later work
  // goes straight to the event loop.
  void Release() {
    if (released_) return;
    released_ = true;
    QCoreApplication::instance()->removeEventFilter(this);
    std::vector<Work> now = std::exchange(waiting_, {});
    for (Work& work : now) {
      if (work.context != nullptr) work.run();
    }
  }

  struct Work {
    QPointer<QObject> context;
    std::function<void()> run;
  };

  QWidget* window_;
  bool released_ = false;
  std::vector<Work> waiting_;
};

}  // namespace

void AfterFirstFrame(QWidget* window, QObject* context, std::function<void()> work) {
  if (context == nullptr) context = QCoreApplication::instance();
  FirstFrameWatch* watch = window != nullptr ? FirstFrameWatch::Of(window) : nullptr;
  const bool framed = window == nullptr || (watch != nullptr && watch->Released()) ||
                      (window->windowHandle() != nullptr && window->windowHandle()->isExposed());
  if (framed) {
    QTimer::singleShot(0, context, std::move(work));
    return;
  }
  if (watch == nullptr) watch = new FirstFrameWatch(window);
  watch->Add(context, std::move(work));
}

}  // namespace numira

#include "first_frame.moc"
