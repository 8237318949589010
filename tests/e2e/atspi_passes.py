#!/usr/bin/python3
"""Two passes on the demo station, only the first measured, with both policies "Never Save".

Starts the demo station (scripts/demo.sh) with accessibility on, chooses "Never Save" for the
picture and the video on the configuration screen, and drives the road through AT-SPI with a
real click on the picture through the X server's test extension:

1. Ann's pass is recorded on the "Simulated Jump Site" camera (stopped by the countdown), its
   frame taken, the impact clicked and the jump recorded; Capture Next Jump asks nothing and
   deletes Ann's measured video, saving no picture.
2. Bob's pass is recorded and no frame of it is taken; from the frame selection screen to the
   main screen, on to the measurement screen (still holding Ann's picture) and Capture Next
   Jump: nothing asks to save a picture, Bob's video is still there with no .info, and no
   picture nor session log line carries Bob's name.

    tests/e2e/headless.py -- /usr/bin/python3 tests/e2e/atspi_passes.py build
"""
import os
import sys
import time

import pyatspi

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from atspi_demo import (dialogs, extents, leave_config, settings, start_demo,  # noqa: E402
                        stop)
from atspi_drive import (by_description, check, check_screen, find_in, press,  # noqa: E402
                         showing, text_of, verdict, wait_for, walk)
from atspi_results import XInput, press_opening_dialog  # noqa: E402

SAVE_PICTURE = "Do you want to save this picture?"
KEY_ESCAPE = 0xFF1B
REMAIN = "Do you want to remain on this form?"

def questions(app, seconds=1.5):
    """Every message box shown within `seconds`, answered as an operator going on would (No to a
    question, OK to a message); returns their texts."""
    asked = []
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        for box in dialogs(app):
            texts = [text_of(c) for c in walk(box) if c.getRoleName() == "label"]
            buttons = {c.name.replace("&", ""): c for c in walk(box)
                       if c.getRoleName() == "push button"}
            button = buttons.get("No") or buttons.get("OK")
            if button is None:
                continue
            asked.append(" ".join(t for t in texts if t))
            press_opening_dialog(button)
            deadline = time.monotonic() + seconds
        time.sleep(0.2)
    return asked


def videos(folder):
    return sorted(os.listdir(os.path.join(folder, "videos")))


def never_save(app):
    config, _, _ = check_screen(app, "Config", ["OptPictureNoSave", "OptVideoNoSave"])
    for name in ("OptPictureNoSave", "OptVideoNoSave"):
        press(by_description(config, name))
    time.sleep(0.5)


def set_text(screen, name, value):
    box = by_description(screen, name)
    editable = find_in(box, lambda n: n.getRoleName() == "text") or box
    editable.queryEditableText().setTextContents(value)
    time.sleep(0.3)


def shortest_recording(capture, x):
    """Clicks the shortest recording time the list offers, so the countdown ends the pass
    soon."""
    times = by_description(capture, "captureTimeValue")
    seconds = []
    for item in walk(times):
        try:
            seconds.append((float(item.name), item))
        except (TypeError, ValueError):
            continue
    if seconds:
        at = extents(min(seconds, key=lambda s: s[0])[1])
        time.sleep(0.3)
        x.click(at.x + at.width // 2, at.y + at.height // 2)
        time.sleep(0.5)
    return text_of(by_description(capture, "captime"))


def record_pass(app, capture, folder, skier, x=None, seconds=None):
    """Records one pass for `skier`, stopped by the countdown or, with `x`, by ESC after a
    second; returns the frame selection screen and the new video's name (or "")."""
    set_text(capture, "txtSkierName", skier)
    attempt = text_of(by_description(capture, "txtPass")).strip()
    before = set(videos(folder))
    press(by_description(capture, "cmdStartCapture"))
    started = time.monotonic()
    if x is not None:
        time.sleep(1.0)
        x.key(KEY_ESCAPE)
    frames = wait_for(lambda: find_in(app, lambda n: n.description == "frmSetStart"
                                      and showing(n)), f"the frame selection after {skier}'s pass",
                      seconds=15.0)
    took = time.monotonic() - started
    if seconds is not None:
        check(seconds - 0.5 < took < seconds + 2.0,
              f"the countdown of {seconds:g} s ends {skier}'s pass after {took:.1f} s")
    if x is not None:
        check(took < 2.5, f"ESC stops {skier}'s pass after {took:.1f} s")
    made = [f for f in set(videos(folder)) - before if f.endswith(".avi")]
    expected = f"{skier}jump{attempt}.avi"
    check(made == [expected], f"{skier}'s pass is recorded as {expected}: {made}")
    return frames, expected if expected in made else ""


def measure_first(app, frames, folder, x, video):
    take = by_description(frames, "cmdMarkStart")
    wait_for(lambda: take.getState().contains(pyatspi.STATE_ENABLED) or None,
             "a frame of the pass to take")
    check(text_of(by_description(frames, "Text6")).endswith(video),
          f"the frame selection opens {video}")
    press(take)
    measure, _, _ = check_screen(app, "Measure", [])
    time.sleep(1.0)
    at = extents(by_description(measure, "picture"))
    x.click(at.x + at.width // 2, at.y + at.height // 2)
    time.sleep(0.5)
    press_opening_dialog(by_description(measure, "Record"))
    told = questions(app, 1.0)
    shown = text_of(by_description(measure, "distance"))
    check(not told and shown.endswith("m") and shown != "m",
          f"Ann's jump is recorded at {shown} {told}")
    press_opening_dialog(by_description(measure, "btnNextJump"))
    asked = questions(app)
    check(not asked, f"Capture Next Jump under Never Save asks nothing {asked}")
    check_screen(app, "PreviewForm", [])
    stem = os.path.join(folder, "videos", video)
    check(not os.path.exists(stem), f"Ann's measured video {video} is deleted")
    check(not os.path.exists(stem + ".info"), "and has no .info")
    check(not os.path.exists(stem[:-4] + ".bmp"), "no contact picture is saved for Ann")


def leave_second_unmeasured(app, frames, folder, video):
    press(by_description(frames, "cmdGoToSetup"))
    main_screen, _, _ = check_screen(app, "MainForm", [])
    press_opening_dialog(by_description(main_screen, "ccmdGoToMeasure"))
    told = questions(app, 1.0)
    check(not told, f"the measurement screen opens from the main screen {told}")
    measure, _, _ = check_screen(app, "Measure", [])
    press_opening_dialog(by_description(measure, "btnNextJump"))
    asked = questions(app)
    check(not any(SAVE_PICTURE in a for a in asked),
          f"Capture Next Jump never asks to save a picture under Never Save {asked}")
    check(all(REMAIN in a for a in asked), f"nothing else is asked {asked}")
    check_screen(app, "PreviewForm", [])
    path = os.path.join(folder, "videos", video)
    check(os.path.exists(path), f"Bob's unmeasured pass {video} still exists")
    check(not os.path.exists(path + ".info"), f"{video} has no .info")
    bob = [f for f in videos(folder) if f.startswith("Bob") and not f.endswith(".avi")]
    check(not bob, f"no picture nor side file carries Bob's name {bob}")
    logs = [f for f in videos(folder) if f.startswith("JumpMeasurementLog")]
    text = "".join(open(os.path.join(folder, "videos", f), encoding="utf-8",
                        errors="replace").read() for f in logs)
    check("Skier: Bob" not in text, "the session log has no line for Bob")


def main():
    if len(sys.argv) < 2:
        raise SystemExit("usage: atspi_passes.py BUILD_DIR")
    x = XInput()
    station, app, folder = start_demo(os.path.abspath(sys.argv[1]), "zelvan-passes.")
    try:
        never_save(app)
        stored = settings(folder)
        check(stored.get("PictureSave") == "NoSave" and stored.get("VideoSave") == "NoSave",
              "Never Save is stored for the picture and the video")
        main_screen = leave_config(app)
        press(by_description(main_screen, "cmdGoCapture"))
        capture, _, _ = check_screen(app, "PreviewForm", [])
        shown = shortest_recording(capture, x)
        stored = settings(folder).get("captureTime")
        check(stored == "3.0", f"the shortest recording time is chosen: {stored} (shown {shown})")
        frames, first = record_pass(app, capture, folder, "Ann", seconds=3.0)
        if first:
            measure_first(app, frames, folder, x, first)
            capture, _, _ = check_screen(app, "PreviewForm", [])
            frames, second = record_pass(app, capture, folder, "Bob", x)
            if second:
                leave_second_unmeasured(app, frames, folder, second)
    finally:
        stop(station)
    return verdict(folder, "demo station")


if __name__ == "__main__":
    sys.exit(main())
