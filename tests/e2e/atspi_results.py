#!/usr/bin/python3
"""An operator's day on a site the station was never shown, driven from outside.

Builds a station folder from two simulated sites of their own seeds (grid 1 and grid 2), starts
the zelvan program on it with accessibility on, and drives it through AT-SPI (buttons, menus,
dialogs, text boxes) with real mouse clicks and keys sent through the X server's test extension,
as xdotool sends them. Then checks the results file and the WSTIMS files byte for byte where the
station defines them:

- a jump recorded without a click on the picture records nothing and says so;
- the arrow keys nudge the impact on the measurement screen and step the frame on the frame
  selection screen, but keys typed into the "Input Comment" box never move the impact;
- Fall with a comment records a fall;
- loading grid 1 and grid 2 and leaving the set-up screen from grid 2 keeps measuring open;
- a grid file without its check-buoy file loaded as grid 2 keeps grid 1.

    tests/e2e/headless.py -- /usr/bin/python3 tests/e2e/atspi_results.py \
        build/station/zelvan build/cli/zelvan-tool
"""
import ctypes
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import GLib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from atspi_drive import (answer, by_description, check, check_screen, find_in,  # noqa: E402
                         press, showing, started_station, text_of, verdict, wait_for,
                         walk)

SKIER = "Kai Lund"
KEY_LEFT, KEY_UP, KEY_RIGHT, KEY_DOWN = 0xFF51, 0xFF52, 0xFF53, 0xFF54
KEY_CONTROL, KEY_ZERO = 0xFFE3, 0x30
DATE_TIME = r"\d\d-\d\d-\d\d\d\d \d\d:\d\d:\d\d "
TIME = r"\d\d:\d\d:\d\d "
NO_IMPACT = ("Click the point where the skier touched the water before recording the jump. "
             "Nothing was recorded.")

class XInput:
    """Mouse and keys through the X test extension: what the station sees from a real device."""

    def __init__(self):
        self.x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
        self.xtst = ctypes.cdll.LoadLibrary("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                ctypes.c_ulong]
        self.xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                                   ctypes.c_int, ctypes.c_ulong]
        self.xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                   ctypes.c_ulong]
        self.display = self.x11.XOpenDisplay(None)
        if not self.display:
            raise SystemExit("cannot open the X display")

    def click(self, x, y):
        self.xtst.XTestFakeMotionEvent(self.display, -1, int(x), int(y), 0)
        self.x11.XFlush(self.display)
        time.sleep(0.1)
        self.xtst.XTestFakeButtonEvent(self.display, 1, 1, 0)
        self.xtst.XTestFakeButtonEvent(self.display, 1, 0, 0)
        self.x11.XFlush(self.display)

    def key(self, keysym, held=0.0):
        code = self.x11.XKeysymToKeycode(self.display, keysym)
        self.xtst.XTestFakeKeyEvent(self.display, code, 1, 0)
        self.x11.XFlush(self.display)
        time.sleep(held)
        self.xtst.XTestFakeKeyEvent(self.display, code, 0, 0)
        self.x11.XFlush(self.display)

    def chord(self, modifier, keysym):
        held = self.x11.XKeysymToKeycode(self.display, modifier)
        self.xtst.XTestFakeKeyEvent(self.display, held, 1, 0)
        self.key(keysym)
        self.xtst.XTestFakeKeyEvent(self.display, held, 0, 0)
        self.x11.XFlush(self.display)
        time.sleep(0.3)

    def taps(self, keysym, count):
        # Apart by more than one poll, so every tap is its own step.
        for _ in range(count):
            self.key(keysym)
            time.sleep(0.25)
        time.sleep(0.3)


def tool(tool_path, *args):
    done = subprocess.run([tool_path, *args], check=True, capture_output=True, text=True)
    return json.loads(done.stdout)


def press_opening_dialog(node):
    """Presses a control whose handler opens a modal dialog: the reply comes only once the
    dialog is closed, so it is not waited for."""
    try:
        press(node)
    except GLib.GError:
        pass


def menu_item(root, caption):
    return wait_for(lambda: find_in(root, lambda n: n.getRoleName() == "menu item"
                                    and n.name.replace("&", "") == caption), f"menu {caption}")


def showing_dialog(app, test):
    return find_in(app, lambda n: n.getRoleName() in ("dialog", "alert") and showing(n)
                   and test(n))


def fill_input(app, prompt, value):
    """Types `value` into the input box asking `prompt` and takes it with OK."""
    dialog = wait_for(lambda: showing_dialog(
        app, lambda n: find_in(n, lambda c: c.getRoleName() == "label" and prompt in c.name)),
        f'input box "{prompt}"')
    box = find_in(dialog, lambda c: c.getRoleName() == "text")
    box.queryEditableText().setTextContents(value)
    press(find_in(dialog, lambda c: c.getRoleName() == "push button" and c.name == "OK"))
    return dialog


def choose_file(app, path):
    dialog = wait_for(lambda: showing_dialog(
        app, lambda n: find_in(n, lambda c: c.getRoleName() == "text" and c.name == "File name:")),
        "file dialog")
    box = find_in(dialog, lambda c: c.getRoleName() == "text" and c.name == "File name:")
    box.queryEditableText().setTextContents(path)
    press(find_in(dialog, lambda c: c.getRoleName() == "push button" and c.name == "Open"))
    wait_for(lambda: None if showing(dialog) else True, "file dialog closed")


def message_boxes(app):
    return [n for n in walk(app) if n.getRoleName() in ("dialog", "alert") and showing(n)]


def dismiss_messages(app, seconds=1.5):
    """Takes every message box that shows within `seconds` with OK; returns their texts."""
    texts = []
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        for box in message_boxes(app):
            ok = find_in(box, lambda c: c.getRoleName() == "push button" and c.name == "OK")
            if ok is None:
                continue
            texts += [text_of(c) for c in walk(box) if c.getRoleName() == "label"]
            press(ok)
            deadline = time.monotonic() + seconds
        time.sleep(0.2)
    return texts


def read(path):
    with open(path, "rb") as f:
        return f.read()


def lines(path):
    return read(path).decode("utf-8").split("\r\n") if os.path.exists(path) else []


def make_station(folder, tool_path):
    for sub in ("station", "zqio", "videos", "setups"):
        os.makedirs(os.path.join(folder, sub))
    # Two cameras of their own geometry: neither is the demo's site.
    tool(tool_path, "simulate", "--out", os.path.join(folder, "north"), "--seed", "7")
    tool(tool_path, "simulate", "--out", os.path.join(folder, "south"), "--seed", "23")
    setups = os.path.join(folder, "setups")
    tool(tool_path, "grid", "solve", "--in", os.path.join(folder, "north", "site.json"),
         "--save", os.path.join(setups, "North.ipt"))
    with open(os.path.join(folder, "south", "site.json")) as f:
        south = json.load(f)
    south.update(grid=2, numGrids=2, description="South tower camera")
    with open(os.path.join(folder, "south", "setup.json"), "w") as f:
        json.dump(south, f)
    saved = tool(tool_path, "grid", "solve", "--in", os.path.join(folder, "south", "setup.json"),
                 "--save", os.path.join(setups, "South.ipt"))["saved"]
    # The same set-up under another name, without its check-buoy file.
    shutil.copy(os.path.join(setups, "South.ipt"), os.path.join(setups, "Bare.ipt"))
    check(os.path.join(setups, "South.ipt.cb") in saved
          and not os.path.exists(os.path.join(setups, "Bare.ipt.cb")),
          "a grid file without its check-buoy file")
    shutil.copy(os.path.join(folder, "north", "jump.avi"),
                os.path.join(folder, "videos", SKIER + "jump1.avi"))
    with open(os.path.join(folder, "DI05.ini"), "w") as ini:
        ini.write("[Settings]\nTournamentName=Lake Varde Open\nSetupFiles=%s\ngrids=2\n"
                  "grid1File=%s\ngrid2File=%s\nlogpath=%s\nWSTIMS=1\n" % (
                      setups, os.path.join(setups, "North.ipt"),
                      os.path.join(setups, "South.ipt"), os.path.join(folder, "videos")))
    with open(os.path.join(folder, "answers.txt"), "w") as f:
        f.write("No\nOK\n")
    with open(os.path.join(folder, "north", "site.json")) as f:
        return json.load(f)


def frame_selection(app, main, folder, x):
    """Opens the jump video, steps it with the arrow keys and takes the frame shown."""
    press(by_description(main, "cmdGoTimer"))
    frames, _, _ = check_screen(app, "frmSetStart", [])
    press_opening_dialog(by_description(frames, "Command6"))
    choose_file(app, os.path.join(folder, "videos", SKIER + "jump1.avi"))
    position = by_description(frames, "sldPosition").queryValue()
    before = position.currentValue
    x.taps(KEY_RIGHT, 3)
    check(position.currentValue == before + 3,
          f"three Right taps step the frame from {before:g} to {position.currentValue:g}")
    press(by_description(frames, "cmdMarkStart"))
    measure, _, _ = check_screen(app, "Measure", [])
    return measure


def results_file(folder):
    videos = os.path.join(folder, "videos")
    names = [f for f in os.listdir(videos) if f.startswith("JumpMeasurementResults")]
    return os.path.join(videos, names[0]) if names else ""


def choose_option(measure, name):
    press_opening_dialog(by_description(measure, name))


def comment(app, measure, text, x=None):
    """Makes a comment; with `x`, holds Left and taps Left and Down while typing it."""
    choose_option(measure, "Make_comment")
    prompt = "What comment would you like to add?"
    wait_for(lambda: showing_dialog(
        app, lambda n: find_in(n, lambda c: c.getRoleName() == "label" and prompt in c.name)),
        "the Input Comment box")
    if x is not None:
        x.key(KEY_LEFT, held=0.5)
        x.taps(KEY_LEFT, 3)
        x.taps(KEY_DOWN, 2)
    fill_input(app, prompt, text)
    time.sleep(0.3)


def measured_on_picture(app, measure, x, folder, measured, at):
    zqio = os.path.join(folder, "zqio")
    # Keys typed into the comment box stay there: the impact is recorded where the arrow keys
    # of the measurement screen left it.
    comment(app, measure, "wind gust", x)
    press(by_description(measure, "Record"))
    time.sleep(0.5)
    shown = text_of(by_description(measure, "distance"))
    check(shown == measured["meters"] + "m",
          f"the recorded distance {shown} is the nudged impact's {measured['meters']}m")
    wstims = "OK, %s, %s, 1" % (measured["meters"], measured["feet"])
    check(read(os.path.join(zqio, "zqresult.dst")) == (wstims + "\r\n").encode(),
          f"zqresult.dst reads {wstims!r}")
    raw = lines(os.path.join(zqio, "zqraw.dst"))
    check(len(raw) == 2 and re.fullmatch(TIME + re.escape(",%s,%s" % (SKIER, wstims)), raw[0])
          is not None, f"zqraw.dst holds one line for {wstims!r}: {raw}")
    water = "(%s/%s)" % (number3(measured["waterX"]), number3(measured["waterY"]))
    jump1 = (f"{SKIER}  jump 1 - {measured['meters']}m  (IWSF){measured['feet']}ft  (AWSA)"
             f" {water} ({at[0]}/{at[1]}) ({measured['raw']})")

    # The next attempt: after Clear there is no impact on the picture, so Record asks for one.
    press(by_description(measure, "Unfreeze"))
    time.sleep(0.3)
    check(text_of(by_description(measure, "Jump_no")) == "2", "Clear goes on to jump 2")
    press_opening_dialog(by_description(measure, "Record"))
    answer(app, NO_IMPACT, "OK")
    time.sleep(0.3)
    check(read(os.path.join(zqio, "zqresult.dst")) == (wstims + "\r\n").encode(),
          "Record after Clear sends nothing to WSTIMS")

    # Fall, then a comment: the fall is recorded as a fall.
    choose_option(measure, "Fall")
    time.sleep(0.3)
    comment(app, measure, "short line")
    press(by_description(measure, "Record"))
    time.sleep(0.5)
    check(read(os.path.join(zqio, "zqresult.dst")) == b"Fall, 0, 0,2\r\n",
          "Fall with a comment sends 'Fall, 0, 0,2' to WSTIMS")
    raw = lines(os.path.join(zqio, "zqraw.dst"))
    check(len(raw) == 3 and re.fullmatch(TIME + re.escape(",%s,Fall, 0, 0,2" % SKIER), raw[1])
          is not None, f"zqraw.dst adds the fall: {raw}")
    results = lines(results_file(folder))
    print("  results:\n    " + "\n    ".join(results))
    expected = [re.escape("wind gust"), re.escape(jump1), re.escape("short line"),
                re.escape(f"{SKIER}  jump 2 -   (IWSF)  (AWSA)Fall") + r" \(.*"]
    tail = results[-len(expected) - 1:-1]
    check(len(tail) == len(expected) and all(
        re.fullmatch(DATE_TIME + e, line) for e, line in zip(expected, tail)),
        "the results file holds the comment, jump 1 where the keys left it, the note and the fall")
    check(not any(NO_IMPACT in line for line in results), "no line for the refused record")
    check(text_of(by_description(measure, "Jump_no")) == "3", "the fall advances the jump to 3")


def settings(folder):
    with open(os.path.join(folder, "DI05.ini")) as f:
        return dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)


def load_grid(app, setup, n, path, x):
    """Load File into grid `n`; arrow keys typed while the station asks which grid."""
    caption = by_description(setup, "grid_select").name.replace("&", "")
    press_opening_dialog(menu_item(setup, "Load File"))
    wait_for(lambda: showing_dialog(app, lambda d: find_in(
        d, lambda c: c.getRoleName() == "label" and c.name == f"Load {caption}")),
        f'"Load {caption}"')
    x.key(KEY_RIGHT, held=0.5)
    x.taps(KEY_UP, 2)
    if caption == f"Grid {n}":
        answer(app, f"Load {caption}", "Yes")
    else:
        answer(app, f"Load {caption}", "No")
        fill_input(app, "What grid are you loading?", str(n))
    choose_file(app, path)
    return dismiss_messages(app)


def return_to_main(app, screen, caption="Return to Main Screen"):
    press_opening_dialog(menu_item(screen, caption))
    time.sleep(0.5)


def leave_measure(app, measure):
    return_to_main(app, measure)
    question = "Do you want to save this picture?"
    deadline = time.monotonic() + 1.5
    while time.monotonic() < deadline:
        if showing_dialog(app, lambda d: find_in(d, lambda c: question in (c.name or "") or (
                c.getRoleName() == "label" and question in text_of(c)))):
            answer(app, question, "No")
            return
        time.sleep(0.2)


def grids(app, measure, x, folder):
    setups = os.path.join(folder, "setups")
    before = settings(folder)
    leave_measure(app, measure)
    main_screen, _, _ = check_screen(app, "MainForm", [])
    press(by_description(main_screen, "cmdSetup"))
    setup, _, _ = check_screen(app, "Grid_Setup", [])
    # The two-camera morning: grid 1, grid 2, and back to the main screen from grid 2.
    print("  loading grid 1:", load_grid(app, setup, 1, os.path.join(setups, "North.ipt"), x))
    print("  loading grid 2:", load_grid(app, setup, 2, os.path.join(setups, "South.ipt"), x))
    return_to_main(app, setup)
    check(not any("not setup" in t for t in dismiss_messages(app, 0.5)),
          "leaving from grid 2 with both grids loaded asks nothing")
    main_screen, _, _ = check_screen(app, "MainForm", [])
    press_opening_dialog(by_description(main_screen, "ccmdGoToMeasure"))
    refused = dismiss_messages(app, 1.0)
    check(not refused and showing(by_description(app, "Measure")),
          f"the measurement screen opens after leaving from grid 2 {refused}")
    after = settings(folder)
    check(after.get("grid1File") == before.get("grid1File") and
          after.get("grid2File") == before.get("grid2File"),
          "keys typed while asked which grid change no grid file")
    leave_measure(app, by_description(app, "Measure"))

    # A file without its check-buoy file, loaded as grid 2: grid 1 stays as it was.
    main_screen, _, _ = check_screen(app, "MainForm", [])
    press(by_description(main_screen, "cmdSetup"))
    setup, _, _ = check_screen(app, "Grid_Setup", [])
    told = load_grid(app, setup, 2, os.path.join(setups, "Bare.ipt"), x)
    print("  loading Bare.ipt:", told)
    after = settings(folder)
    check(after.get("grid1File") == before.get("grid1File"), "grid1File is kept")
    log = read(os.path.join(folder, "zqio", "DebugLog.txt")).decode("utf-8")
    check(log.count("load grid 2") == 2 and log.count("load grid 1") == 1,
          "each load is logged once")
    return_to_main(app, setup)
    answer(app, "Do you want to leave the grid setup with all configured grids not setup?", "Yes")
    main_screen, _, _ = check_screen(app, "MainForm", [])
    # The button's caption is not read here: its accessible name stays the caption it was
    # built with. The main screen shows what each grid holds.
    first = text_of(by_description(main_screen, "txtGridDescription(0)"))
    second = text_of(by_description(main_screen, "txtGridDescription(1)"))
    check(first == "Simulated Jump Site seed 7" and second == "South tower camera",
          f"grid 1 keeps its set-up and grid 2 holds the file loaded: {first!r}, {second!r}")
    check(any("check  buoy file" in t for t in told),
          "the load says the check-buoy file is missing")
    press_opening_dialog(by_description(main_screen, "ccmdGoToMeasure"))
    answer(app, "At least one measurement grid that you have specified has not been set up.",
           "OK")
    check_screen(app, "Grid_Setup", [])


def number3(value):
    text = "%.3f" % value
    return text.rstrip("0").rstrip(".") if "." in text else text


def main():
    if len(sys.argv) < 3:
        raise SystemExit("usage: atspi_results.py ZELVAN ZELVAN_TOOL")
    station_path, tool_path = sys.argv[1], sys.argv[2]
    folder = tempfile.mkdtemp(prefix="zelvan-results.")
    site = make_station(folder, tool_path)
    setups = os.path.join(folder, "setups")
    zqio = os.path.join(folder, "zqio")
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
               ZELVAN_APP_DIR=os.path.join(folder, "station"), ZELVAN_ZQIO=zqio,
               ZELVAN_SETTINGS=os.path.join(folder, "DI05.ini"))
    station = subprocess.Popen([station_path, "--answers", os.path.join(folder, "answers.txt")],
                               env=env)
    x = XInput()
    try:
        app = started_station(station)
        config, _, _ = check_screen(app, "Config", [])
        press(find_in(config, lambda n: n.getRoleName() in ("push button", "menu item")
                      and n.name.replace("&", "") == "Exit and Save Parameters"))
        main_screen, _, _ = check_screen(app, "MainForm", [])
        measure = frame_selection(app, main_screen, folder, x)
        check(by_description(measure, "Set_grid").name.replace("&", "") == "Grid 1",
              "measuring on grid 1")
        skier = by_description(measure, "Skier_name")
        editable = find_in(skier, lambda n: n.getRoleName() == "text") or skier
        editable.queryEditableText().setTextContents(SKIER)
        time.sleep(0.3)
        check(text_of(by_description(measure, "Jump_no")) == "1", "a new skier starts at jump 1")

        # A fresh screen with Jump OK and no click: nothing is recorded, and the operator is told.
        press_opening_dialog(by_description(measure, "Record"))
        answer(app, NO_IMPACT, "OK")
        time.sleep(0.3)
        check(not os.path.exists(os.path.join(zqio, "zqresult.dst")),
              "Record without a click sends nothing to WSTIMS")

        # The picture opens fitted to its area; Ctrl+0 shows it at 100 %, where one picture
        # pixel is one screen pixel from the canvas's corner.
        x.chord(KEY_CONTROL, KEY_ZERO)
        canvas = by_description(measure, "picture")
        at = canvas.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        px, py = round(site["landing"]["screen"][0] / 15), round(site["landing"]["screen"][1] / 15)
        x.click(at.x + px, at.y + py)
        time.sleep(0.5)
        grid1 = os.path.join(setups, "North.ipt")
        x.taps(KEY_RIGHT, 2)
        measured = tool(tool_path, "distance", "--grid", grid1, "--at",
                        f"{px * 15 + 30},{py * 15}")
        measured_on_picture(app, measure, x, folder, measured, (px * 15 + 30, py * 15))
        grids(app, measure, x, folder)
    finally:
        time.sleep(0.3)
        station.kill()
        station.wait()
    return verdict(folder, "station")


if __name__ == "__main__":
    sys.exit(main())
