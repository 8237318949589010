#!/usr/bin/python3
"""The demo station's windows as an operator sees them, checked from outside at one screen size.

Starts the demo station (scripts/demo.sh) with accessibility on under an X server without a
window manager, and through AT-SPI and plain X requests checks that:

- every window the road opens is found by its caption;
- the manual covers at least half the screen;
- closing the set-up window as a window manager does (WM_DELETE_WINDOW) leaves the station
  running with the main screen shown;
- the contact picture taken on the frame selection screen opens covering at least 90 % of its
  magenta area's width or height, counted in the pixels the X server shows.

    tests/e2e/headless.py --size 1920x1080 -- /usr/bin/python3 \
        tests/e2e/atspi_screens.py build
"""
import os
import sys
import time

import pyatspi

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from atspi_demo import (XServer, dialogs, extents, leave_config, start_demo,  # noqa: E402
                        stop, window)
from atspi_drive import (by_description, check, find_in, press, showing,  # noqa: E402
                         verdict, wait_for)
from atspi_results import choose_file, menu_item, press_opening_dialog  # noqa: E402

CONFIG, MAIN = "System Configuration Parameters", "Zelvan 2005"
MANUAL, SETUP, MEASURE = "Zelvan 2005 Manual", "Grid Setup", "Measure"
CAPTURE, FRAMES = "Zelvan 2005 Capture Screen", "Zelvan 2005 Frame Selection"
MAGENTA = (255, 0, 255)

def by_caption(app, caption, seconds=10.0):
    """The window named `caption`; a failure when none shows within `seconds`."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = window(app, caption)
        if found is not None:
            print(f"ok   window found by its caption {caption!r}")
            return found
        time.sleep(0.1)
    shown = [app.getChildAtIndex(i).name for i in range(app.childCount)
             if showing(app.getChildAtIndex(i))]
    check(False, f"window found by its caption {caption!r} (showing: {shown})")
    return None


def picture_cover(x, canvas):
    """Share of the canvas's width and height the picture covers: the columns and rows in which
    at least half the pixels are not the area's magenta (so a thin overlay line drawn on the
    magenta counts for nothing)."""
    at = extents(canvas)
    rows = x.pixels(at.x, at.y, at.width, at.height)
    picture = [[p != MAGENTA for p in row] for row in rows]
    row_counts = [sum(row) for row in picture]
    col_counts = [sum(row[c] for row in picture) for c in range(at.width)]
    tall = max(row_counts) if row_counts else 0
    wide = max(col_counts) if col_counts else 0
    width = sum(1 for n in col_counts if wide and n >= wide / 2)
    height = sum(1 for n in row_counts if tall and n >= tall / 2)
    return width / at.width, height / at.height, (at.width, at.height, width, height)


def manual(app, main, x):
    press(menu_item(main, "View Manual"))
    shown = by_caption(app, MANUAL)
    if shown is None:
        return
    at = extents(shown)
    screen_w, screen_h = x.size
    share = at.width * at.height / (screen_w * screen_h)
    check(share >= 0.5, f"the manual covers {share:.0%} of the {screen_w}x{screen_h} screen "
          f"({at.width}x{at.height})")
    press(find_in(shown, lambda n: n.getRoleName() == "push button" and n.name == "Done"))
    wait_for(lambda: None if showing(shown) else True, "the manual closed")


def close_setup(app, main, station, x):
    press(by_description(main, "cmdSetup"))
    if by_caption(app, SETUP) is None:
        return
    time.sleep(0.5)
    check(x.close(SETUP) == 1, "the set-up window is one X window titled by its caption")
    time.sleep(1.5)
    asked = [n.name for n in dialogs(app)]
    check(not asked, f"closing the ready set-up window asks nothing {asked}")
    check(station.poll() is None, "the station runs on after the set-up window is closed")
    if station.poll() is not None:
        return
    check(window(app, SETUP) is None, "the set-up window is gone")
    check(window(app, MAIN) is not None, "the main screen is shown")


def contact_picture(app, main, folder, x):
    press(by_description(main, "cmdGoCapture"))
    capture = by_caption(app, CAPTURE)
    if capture is None:
        return
    press(by_description(capture, "cmdGoToTimer"))
    frames = by_caption(app, FRAMES)
    if frames is None:
        return
    press_opening_dialog(by_description(frames, "Command6"))
    choose_file(app, os.path.join(folder, "videos", "Demo Skierjump1.avi"))
    take = by_description(frames, "cmdMarkStart")
    wait_for(lambda: take.getState().contains(pyatspi.STATE_ENABLED) or None, "a frame to take")
    press(take)
    measure = by_caption(app, MEASURE)
    if measure is None:
        return
    time.sleep(1.0)  # the first paint of the picture
    wide, high, sizes = picture_cover(x, by_description(measure, "picture"))
    check(max(wide, high) >= 0.9,
          f"the contact picture covers {wide:.0%} of its area's width and {high:.0%} of its "
          f"height on opening (area {sizes[0]}x{sizes[1]}, picture {sizes[2]}x{sizes[3]})")


def main():
    if len(sys.argv) < 2:
        raise SystemExit("usage: atspi_screens.py BUILD_DIR")
    x = XServer()
    print(f"screen {x.size[0]}x{x.size[1]}")
    station, app, folder = start_demo(os.path.abspath(sys.argv[1]), "zelvan-screens.")
    try:
        by_caption(app, CONFIG, seconds=30.0)
        main_screen = leave_config(app)
        by_caption(app, MAIN)
        manual(app, main_screen, x)
        close_setup(app, main_screen, station, x)
        if station.poll() is None:
            contact_picture(app, main_screen, folder, x)
    finally:
        stop(station)
    return verdict(folder, "demo station")


if __name__ == "__main__":
    sys.exit(main())
