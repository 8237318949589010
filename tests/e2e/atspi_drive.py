#!/usr/bin/python3
"""Drives the station from outside through AT-SPI, as an acceptance run or a screen reader would.

Starts the zelvan program on a fresh station folder with accessibility on, answers the start-up
dialogs by pressing their buttons, finds every control of the configuration screen and of the
main screen by its accessible description (the documented control name), reads their texts,
and leaves the configuration screen with its exit button. Then it walks the road of a jump by
pressing buttons: the capture screen, the frame selection screen and back to the main screen,
finding their controls the same way. Exits 0 when everything was found.

    tests/e2e/headless.py -- /usr/bin/python3 tests/e2e/atspi_drive.py build/station/zelvan
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi

MAIN_FORM = [
    "Frame1", "cmdSetup", "cmdConfigure", "ccmdGoToMeasure", "cmdGoCapture", "cmdGoTimer",
    "cmdImport", "btnChangeDirectory", "cmdShowConfig", "cb15", "txtVideoDir", "Label2",
    "lblVideodir", "lblConfig", "lblGrid1", "ImageGrid1", "txtGridDescription(0)",
]
CONFIG = [
    "TournamentName", "ResultsPathName", "btnFindResults", "CapturesPathName",
    "SetupFilesPathName", "SkierNameFile", "btnFindNames", "gridframe", "Opt1Grid", "Opt2grid",
    "Opt3grid", "Jump_direction", "right_to_left_button", "left_to_right_button", "Barefoot_box",
    "SitSki_box", "WSTIMS", "line_control_check", "OptCross", "OptCircle", "message_colors",
    "default_color", "black_color", "chkBadSetup", "chkLoupe", "cmdLoupe",
]
PREVIEW_FORM = [
    "CapturePRO1", "txtSkierName", "txtPass", "Label2", "cmdSelect", "cmdStartCapture",
    "cmdStartTimer", "Label3", "captureTimeValue", "Label9", "captime", "Label7", "LblFrame",
    "Label5", "LblFrmDrop", "Label6", "btnCaptureFrame", "cmdGoToTimer", "cmdGoSetup",
]
FRAME_SELECTION = [
    "Label3", "Command6", "Text6", "MediaPlayer1", "sldPosition", "lblPlayerPosition", "Label5",
    "Command1", "Command4", "Command7", "cmdMarkStart", "btnGoToSetup", "cmdGoToCapture",
    "cmdGoToSetup", "cmdViewLog", "Label10", "lblDiskSpace",
]


failures = []


def check(ok, what):
    """One check of an outside run: printed either way, counted when it fails."""
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def verdict(folder, kind):
    """The run's exit code: 0 with its folder removed, or 1 with the folder kept for a look."""
    if failures:
        print(f"failed ({len(failures)}); the {kind} folder is kept in {folder}")
        return 1
    shutil.rmtree(folder, ignore_errors=True)
    return 0


def wait_for(find, what, seconds=20.0):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = find()
        if found is not None:
            return found
        time.sleep(0.1)
    raise SystemExit(f"not found within {seconds:.0f} s: {what}")


def started_station(station, seconds=60.0):
    """The station's application on the accessibility bus once it shows there (start-up on a
    loaded machine, other tests on both cores, can take a while); a station that ended first is
    reported at once with its exit code."""
    def find():
        if station.poll() is not None:
            raise SystemExit(f"the station ended (exit code {station.returncode}) before it "
                             "showed on the accessibility bus")
        return station_app(station.pid)
    return wait_for(find, "the station on the accessibility bus", seconds)


def station_app(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            continue
    return None


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for i in range(node.childCount):
        yield from walk(node.getChildAtIndex(i), depth + 1)


def find_in(root, test):
    for node in walk(root):
        try:
            if test(node):
                return node
        except Exception:
            continue
    return None


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def text_of(node):
    try:
        t = node.queryText()
        return t.getText(0, t.characterCount)
    except NotImplementedError:
        return node.name


def press(button):
    action = button.queryAction()
    for i in range(action.nActions):
        if action.getName(i) in ("press", "click", "Press", "SetFocus") or i == 0:
            action.doAction(i)
            return
    raise SystemExit(f"cannot press {button.name}")


def answer(app, question, button_name):
    """Finds the dialog showing `question` and presses its button `button_name`."""
    dialog = wait_for(
        lambda: find_in(app, lambda n: n.getRoleName() in ("dialog", "alert", "frame", "window")
                        and showing(n)
                        and find_in(n, lambda c: question in (c.name or "") or
                                    (c.getRoleName() == "label" and question in text_of(c)))),
        f'dialog "{question}"')
    button = wait_for(lambda: find_in(dialog, lambda n: n.getRoleName() == "push button"
                                      and n.name.replace("&", "") == button_name),
                      f'button "{button_name}" of "{question}"')
    press(button)
    print(f'answered "{question}" with {button_name}')


def by_description(root, name):
    return find_in(root, lambda n: n.description == name)


def showing_texts(app):
    """Every text on a showing window, for a failure report."""
    texts = []
    for n in walk(app):
        try:
            if n.getRoleName() in ("label", "push button") and showing(n) and n.name:
                texts.append(n.name)
        except Exception:
            continue
    return texts


def check_screen(app, screen_name, names):
    try:
        screen = wait_for(lambda: find_in(app, lambda n: n.description == screen_name
                                          and showing(n)), f"screen {screen_name}")
    except SystemExit:
        print("showing: " + " | ".join(showing_texts(app)))
        raise
    missing = []
    for name in names:
        node = by_description(screen, name)
        if node is None:
            missing.append(name)
            continue
        print(f"  {screen_name}.{name}: {node.getRoleName()} \"{node.name}\" = \"{text_of(node)}\"")
    described = [n for n in walk(screen) if n.description]
    print(f"{screen_name}: {len(described)} controls with a documented name")
    return screen, missing, described


def press_described(screen, name):
    button = by_description(screen, name)
    if button is None:
        return [name]
    press(button)
    return []


def walk_the_road(app, main):
    """Main screen -> capture screen -> frame selection -> main screen, by their buttons."""
    missing = press_described(main, "cmdGoCapture")
    capture, found_missing, _ = check_screen(app, "PreviewForm", PREVIEW_FORM)
    missing += found_missing + press_described(capture, "cmdGoToTimer")
    frames, found_missing, _ = check_screen(app, "frmSetStart", FRAME_SELECTION)
    missing += found_missing + press_described(frames, "cmdGoToSetup")
    check_screen(app, "MainForm", ["cmdGoCapture"])
    return missing


def main():
    if len(sys.argv) < 2:
        raise SystemExit("usage: atspi_drive.py ZELVAN")
    folder = tempfile.mkdtemp(prefix="zelvan-atspi.")
    for sub in ("station", "zqio", "videos"):
        os.makedirs(os.path.join(folder, sub))
    with open(os.path.join(folder, "DI05.ini"), "w") as ini:
        ini.write("[Settings]\nlogpath=%s\n" % os.path.join(folder, "videos"))
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
               ZELVAN_APP_DIR=os.path.join(folder, "station"),
               ZELVAN_ZQIO=os.path.join(folder, "zqio"),
               ZELVAN_SETTINGS=os.path.join(folder, "DI05.ini"))
    station = subprocess.Popen([sys.argv[1]], env=env)
    try:
        app = started_station(station)
        answer(app, "Do you want to reset all parameters to install values?", "No")
        answer(app, "Please Verify all Setup Parameters", "OK")
        config, missing, described = check_screen(app, "Config", CONFIG)
        exit_button = find_in(config, lambda n: n.getRoleName() in ("push button", "menu item")
                              and n.name.replace("&", "") == "Exit and Save Parameters")
        if exit_button is None:
            missing.append("Config: Exit and Save Parameters")
        else:
            press(exit_button)
        main, main_missing, _ = check_screen(app, "MainForm", MAIN_FORM)
        missing += main_missing
        missing += walk_the_road(app, main)
    finally:
        station.kill()
        station.wait()
    if missing:
        print("not found: " + ", ".join(missing))
        return 1
    print("every control found")
    return 0


if __name__ == "__main__":
    sys.exit(main())
