// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Numira developers
#pragma once
// Reaching screen readers whenever they start. Qt's accessibility bridge
// (AT-SPI) connects to the accessibility bus only when the bus's status on
// the session bus (org.a11y.Bus, interface org.a11y.Status: IsEnabled or
// ScreenReaderEnabled) says assistive technology is on, and it looks at that
// status only when the program starts or the bus appears: a screen reader
// started later never finds the program. Here the program follows the
// status itself and brings Qt's bridge up when it turns on, the way Qt does
// when the bus appears.

class QObject;

namespace numira {

// Makes Qt's accessibility bridge now (Qt makes it at the first question
// whether assistive technology is listening, and so would the first widget)
// and notes Qt's object that connects it to the accessibility bus. Call once,
// right after the application object is made.
void NoteAccessibilityBridge();

// From now on, for as long as `context` lives: whenever the accessibility
// bus's status is on (already now, or turned on later, or the bus started
// with it on) while Qt's bridge is down, brings the bridge up. Does nothing
// without a session bus or a noted bridge (another platform, or a Qt that
// connects some other way).
void FollowAccessibilityBus(QObject* context);

}  // namespace numira
