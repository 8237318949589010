#!/usr/bin/python3
"""Runs a command on an X server and a D-Bus session of its own, as the outside checks need.

    headless.py [--size WIDTHxHEIGHT] -- COMMAND [ARG...]

Xvfb picks a free display number itself (-displayfd) and names it only once it accepts
connections, so two checks started together, or an X server the machine already runs on a
number with no lock file in this /tmp, can never hand a check somebody else's display. The
display is opened once before the command starts; a server that cannot be opened is replaced
(up to three tries). Exits with the command's exit code.
"""
import ctypes
import os
import select
import subprocess
import sys
import tempfile
import time

TRIES = 3
READY_SECONDS = 30.0


def opens(display):
    """True when a client can open the display."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    handle = x11.XOpenDisplay(display.encode())
    if not handle:
        return False
    x11.XCloseDisplay(handle)
    return True


def start_server(size):
    """Starts Xvfb; returns (process, ":N"), or (None, reason)."""
    read_end, write_end = os.pipe()
    errors = tempfile.TemporaryFile()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-screen", "0", size + "x24"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=errors)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + READY_SECONDS
    while not number.endswith(b"\n") and time.monotonic() < deadline:
        ready, _, _ = select.select([read_end], [], [], 0.5)
        if ready:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
    os.close(read_end)
    if number.strip().isdigit():
        display = ":" + number.decode().strip()
        if opens(display):
            return server, display
        reason = f"Xvfb named display {display} but it could not be opened"
    else:
        reason = "Xvfb did not name a display within %.0f s" % READY_SECONDS
    stop(server)
    errors.seek(0)
    said = errors.read().decode(errors="replace").strip().splitlines()
    return None, reason + (": " + said[-1] if said else "")


def stop(server):
    if server.poll() is None:
        server.terminate()
        try:
            server.wait(timeout=5)
        except subprocess.TimeoutExpired:
            server.kill()
            server.wait()


def main(argv):
    size = "1366x768"
    if argv[:1] == ["--size"]:
        size, argv = argv[1], argv[2:]
    if argv[:1] == ["--"]:
        argv = argv[1:]
    if not argv:
        raise SystemExit("usage: headless.py [--size WIDTHxHEIGHT] -- COMMAND [ARG...]")
    for attempt in range(1, TRIES + 1):
        server, display = start_server(size)
        if server is not None:
            break
        print(f"headless.py: try {attempt}: {display}", file=sys.stderr)
    else:
        return 1
    try:
        env = dict(os.environ, DISPLAY=display)
        env.pop("XAUTHORITY", None)
        return subprocess.call(["dbus-run-session", "--"] + argv, env=env)
    finally:
        stop(server)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
