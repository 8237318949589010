#!/usr/bin/env python3
"""A network camera for the tests: GStreamer's RTSP server on the loopback address, serving
H.264 at the given size and rate at rtsp://127.0.0.1:PORT/cam. Prints "ready" when it listens;
runs until it is killed. Given an MP4 file of H.264 as well, it serves that file's pictures as
they are, each client from the file's start, so every client receives the same bytes."""
import sys

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtspServer  # noqa: E402


def main():
    port, width, height, fps = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    Gst.init(None)
    server = GstRtspServer.RTSPServer()
    server.set_address("127.0.0.1")
    server.set_service(port)
    factory = GstRtspServer.RTSPMediaFactory()
    if len(sys.argv) > 5:
        factory.set_launch(
            f"( filesrc location={sys.argv[5]} ! qtdemux ! h264parse "
            f"! rtph264pay name=pay0 pt=96 config-interval=1 )")
        factory.set_shared(False)
    else:
        launch_test_card(factory, width, height, fps)
    server.get_mount_points().add_factory("/cam", factory)
    if server.attach(None) == 0:
        print("cannot listen", flush=True)
        return 1
    print("ready", flush=True)
    GLib.MainLoop().run()
    return 0


def launch_test_card(factory, width, height, fps):
    factory.set_launch(
        f"( videotestsrc is-live=true pattern=ball ! video/x-raw,width={width},height={height},"
        f"framerate={fps}/1 ! x264enc tune=zerolatency speed-preset=ultrafast key-int-max={fps} "
        f"! rtph264pay name=pay0 pt=96 config-interval=1 )")
    factory.set_shared(True)


if __name__ == "__main__":
    sys.exit(main())
