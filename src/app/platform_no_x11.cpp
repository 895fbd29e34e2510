// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
// The platform stand-ins where Qt was built without its xcb platform: no
// window manager states to set or follow, no XEmbed notification area.

#include "app/platform_x11.h"

namespace numira::platform::x11 {

void SetSkipTaskbar(QWindow*, bool) {}
void ClearStaleIconicStart(QWindow*) {}
QMargins FrameExtents(QWidget*) { return {}; }
void PrepareToShow(QWidget*) {}
bool KeptBelow(QWindow*) { return false; }
void WatchTrayManager(QObject*, std::function<void()>) {}
void WatchStaysOnTop(QWidget*, std::function<void(bool)>) {}

}  // namespace numira::platform::x11
