#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Numira developers
"""Reads a running kelto the way a screen reader does, over AT-SPI (pyatspi),
and drives it only through the accessibility interfaces:

    accessibility_check.py KELTO_PID
    accessibility_check.py --registered KELTO_PID   (exit 0 once it is on the bus)

Checks that the window is a frame and every control has a name, that the
keypad's controls come in reading order (rows from the top, each from the
left), that the buttons press through their Action interface, that each result and each tape
line arrives as a text-changed event on a named object, that the tape's lines
read back through its Text interface, and that the display field's action
switches the view. Prints the accessible tree (role and name) and one line per
check; exits 1 at the first failure.
"""

import sys
import time

import pyatspi
from gi.repository import GLib

WAIT_SECONDS = 10

# The keypad panel's controls as a screen reader meets them, row by row.
READING_ORDER = ["表示窓", "7", "8", "9", "+", "AC", "4", "5", "6", "-", "BS", "1", "2", "3", "*", "+-",
                 "0", "000", "．", "/", "=", "最小化", "バージョン＆ヘルプ", "常に前面"]


def fail(message):
    desktop = pyatspi.Registry.getDesktop(0)
    print("applications on the bus: %s" % [(a.name, a.get_process_id()) for a in desktop if a is not None],
          file=sys.stderr)
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def wait_for(description, predicate):
    deadline = time.monotonic() + WAIT_SECONDS
    while time.monotonic() < deadline:
        # Let the bus's signals in, so the cached tree follows the program.
        while GLib.MainContext.default().iteration(False):
            pass
        value = predicate()
        if value:
            return value
        time.sleep(0.05)
    fail(description + " (not within %d s)" % WAIT_SECONDS)


def find_application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def walk(node, depth=0):
    yield depth, node
    for child in node:
        if child is not None:
            yield from walk(child, depth + 1)


def find(root, role, name):
    for _, node in walk(root):
        if node.getRole() == role and node.name == name:
            return node
    return None


def press(button):
    action = button.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    if "Press" not in names:
        fail("button %r offers no Press action (only %s)" % (button.name, names))
    action.doAction(names.index("Press"))


def do_named_action(node, name):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    if name not in names:
        fail("%r offers no action %r (only %s)" % (node.name, name, names))
    action.doAction(names.index(name))


def whole_text(node):
    return node.queryText().getText(0, -1)


def main():
    if sys.argv[1] == "--registered":
        # A fresh look at the registry: a process's first look is cached.
        sys.exit(0 if find_application(int(sys.argv[2])) else 1)
    pid = int(sys.argv[1])
    app = wait_for("kelto (pid %d) appears on the accessibility bus" % pid, lambda: find_application(pid))
    frame = wait_for("the main window is a frame named \"Numira V4.2\"",
                     lambda: find(app, pyatspi.ROLE_FRAME, "Numira V4.2"))

    print("accessible tree:")
    for depth, node in walk(frame):
        print("  %s%s %r" % ("  " * depth, node.getRoleName(), node.name))

    buttons = [n for _, n in walk(frame) if n.getRole() == pyatspi.ROLE_PUSH_BUTTON]
    unnamed = [n for n in buttons if not n.name]
    if len(buttons) != 22 or unnamed:
        fail("expected 22 named push buttons, found %d, %d without a name" % (len(buttons), len(unnamed)))
    by_name = {n.name: n for n in buttons}
    for name in ("最小化", "バージョン＆ヘルプ", "7", "1", "2", "3", "+", "="):
        if name not in by_name:
            fail("no push button named %r" % name)
    if find(frame, pyatspi.ROLE_CHECK_BOX, "常に前面") is None:
        fail("no check box named 常に前面")
    display = find(frame, pyatspi.ROLE_TEXT, "表示窓") or fail("no text named 表示窓")
    tape = find(frame, pyatspi.ROLE_TEXT, "入力履歴") or fail("no text named 入力履歴")
    print("- every control named; the window is a frame")

    panel = display.parent
    order = [child.name for child in panel]
    if order != READING_ORDER:
        fail("the keypad panel's controls come in the order %s" % order)
    indexes = [child.getIndexInParent() for child in panel]
    if indexes != list(range(len(READING_ORDER))):
        fail("the keypad panel's controls give their places as %s" % indexes)
    print("- the keypad's controls come row by row, each row from the left")

    # 12+3= through the buttons' Press actions, listening as a screen reader.
    heard = []

    def on_text_changed(event):
        heard.append((event.type, event.source.name, event.any_data, event.detail1))

    pyatspi.Registry.registerEventListener(on_text_changed, "object:text-changed")
    loop = GLib.MainLoop()
    deadline = time.monotonic() + WAIT_SECONDS

    def drive():
        for name in ("1", "2", "+", "3", "="):
            press(by_name[name])
        return False

    def done_or_late():
        results = [d for t, s, d, _ in heard if t.endswith(":insert") and s == "表示窓" and d == "15.00000"]
        lines = [d for t, s, d, _ in heard if t.endswith(":insert") and s == "入力履歴" and "=15.00000" in d]
        if (results and lines) or time.monotonic() > deadline:
            loop.quit()
            return False
        return True

    GLib.idle_add(drive)
    GLib.timeout_add(50, done_or_late)
    loop.run()
    pyatspi.Registry.deregisterEventListener(on_text_changed, "object:text-changed")
    if not any(t.endswith(":insert") and s == "表示窓" and d == "15.00000" for t, s, d, _ in heard):
        fail("no text-changed event with 15.00000 on 表示窓; heard %r" % heard)
    # The tape's last line goes in after "12+\n3", with its line break.
    if ("object:text-changed:insert", "入力履歴", "\n=15.00000", 5) not in heard:
        fail("no text-changed event with the line =15.00000 at offset 5 on 入力履歴; heard %r" % heard)
    print("- the result 15.00000 and the tape's new line were heard as text-changed events")

    wait_for("the tape reads 12+ / 3 / =15.00000 through its Text interface",
             lambda: whole_text(tape) == "12+\n3\n=15.00000")
    text = tape.queryText()
    if text.characterCount != len("12+\n3\n=15.00000"):
        fail("the tape counts %d characters" % text.characterCount)
    line, start, end = text.getTextAtOffset(7, pyatspi.TEXT_BOUNDARY_LINE_START)
    if line.rstrip("\n") != "=15.00000":
        fail("the line at offset 7 reads %r" % line)
    print("- the tape's lines read back: %r" % whole_text(tape))

    # A digit after a result goes on from the result's text, as typed keys do.
    press(by_name["7"])
    wait_for("the display reads 15.000007 after pressing 7 through its action",
             lambda: whole_text(display) == "15.000007")
    print("- \"7\" pressed through the Action interface")

    width = lambda: frame.queryComponent().getSize()[0]
    standard = width()
    do_named_action(display, "切り替え")
    wait_for("the compact view after the display's 切り替え action", lambda: width() == 175)
    do_named_action(display, "切り替え")
    wait_for("the standard view again after a second 切り替え", lambda: width() == standard)
    if whole_text(display) != "15.000007" or whole_text(tape) != "12+\n3\n=15.00000":
        fail("switching the view changed the display or the tape")
    print("- the display's 切り替え action switches the view and back")


if __name__ == "__main__":
    main()
