#!/usr/bin/python3
"""The built program read back through the accessibility bus, as a screen reader reads it.

Run under a session bus and an X server (dbus-run-session, xvfb-run); the first argument is the
program. Exits non-zero, naming what is wrong, when a control is unnamed, exposed when hidden, or
the remove menu cannot be reached.
"""
import os
import subprocess
import sys
import tempfile
import time

import pyatspi

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def wait_for(find, what, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = find()
        if found is not None:
            return found
        time.sleep(0.2)
    sys.exit(f"FAIL: {what} never appeared on the accessibility bus")


def find_application():
    for application in pyatspi.Registry.getDesktop(0):
        if application is not None and application.name == "Tessaly":
            return application
    return None


def showing_nodes(node):
    """Every node under `node` that is on screen, with its role and name."""
    nodes = []
    for child in node:
        if child is None or not child.getState().contains(pyatspi.STATE_SHOWING):
            continue
        nodes.append(child)
        nodes.extend(showing_nodes(child))
    return nodes


def named(nodes, role, name):
    return [node for node in nodes if node.getRoleName() == role and node.name == name]


def main():
    home = tempfile.mkdtemp()
    # On the X server: the offscreen platform the other tests use has no accessibility bridge.
    environment = dict(os.environ, APPDATA=home, XDG_CACHE_HOME=os.path.join(home, "cache"),
                       QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    program = subprocess.Popen([sys.argv[1]], env=environment)
    try:
        application = wait_for(find_application, "the program")
        window = wait_for(lambda: next((child for child in application
                                        if child is not None and child.name == "Tessaly"), None),
                          "its window")
        nodes = showing_nodes(window)

        for name in ["添加文件", "添加文件夹", "移除文件", "软件信息", "退出程序", "开始压缩",
                     "关闭", "最小化"]:
            buttons = named(nodes, "push button", name)
            check(len(buttons) == 1, f"push button {name}: found {len(buttons)}")
            if buttons:
                check(buttons[0].description != "", f"push button {name} has no description")
                check(buttons[0].getState().contains(pyatspi.STATE_FOCUSABLE),
                      f"push button {name} cannot take the focus")

        for name in ["默认值", "为什么压缩后图片依然很大呢?", "图片原始路径"]:
            check(len(named(nodes, "link", name)) == 1, f"link {name} missing")

        sliders = named(nodes, "slider", "压缩质量")
        check(len(sliders) == 1, "slider 压缩质量 missing")
        if sliders:
            value = sliders[0].queryValue()
            check(value.currentValue == 75, f"slider value {value.currentValue}, not 75")
            check((value.minimumValue, value.maximumValue) == (1, 100),
                  f"slider range {value.minimumValue}..{value.maximumValue}")

        check(len(named(nodes, "progress bar", "当前状态")) == 1, "progress bar 当前状态 missing")

        boxes = [node for node in nodes if node.getRoleName() == "combo box"]
        labels = sorted(target.name for box in boxes for relation in box.getRelationSet()
                        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
                        for target in (relation.getTarget(i)
                                       for i in range(relation.getNTargets())))
        check(labels == ["尺寸", "输出"], f"drop-downs labelled by {labels}")

        # The hidden path lists and the menu mailbox (whose text is "Text1") are not offered.
        texts = [node for node in nodes if node.getRoleName() in ("text", "list")]
        for node in texts:
            try:
                shown = node.queryText().getText(0, -1)
            except NotImplementedError:
                shown = ""
            check(shown != "Text1", "the menu mailbox is offered")
        lists = [node for node in window if node is not None and node.getRoleName() == "list"]
        check(lists == [], f"{len(lists)} hidden list(s) offered")

        # Pressed through the bus, the remove item opens its menu, and the menu is in the tree.
        remove = named(nodes, "push button", "移除文件")
        if remove:
            remove[0].queryAction().doAction(0)
            menu = wait_for(lambda: next(
                (child for child in window if child is not None and
                 child.getRoleName() == "popup menu"), None), "the remove menu")
            items = [item.name for item in menu if item is not None]
            check(menu.name == "移除文件", f"the menu is named {menu.name!r}")
            check(items == ["移除选中文件", "移除所有文件"], f"menu items {items}")
    finally:
        program.terminate()
        program.wait(timeout=30)

    for failure in failures:
        print("FAIL:", failure)
    print(f"{len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
