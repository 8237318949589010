#!/usr/bin/env python3
"""A network camera for the tests: GStreamer's RTSP server on the loopback address, serving
H.264 at the given size and rate at rtsp://127.0.0.1:PORT/cam. Prints "ready" when it listens;
runs until it is killed. Optional arguments after the rate: file=MP4 serves that file's H.264
pictures as they are, each client from the file's start, so every client receives the same
bytes; delay=MS holds each picture that long after it was taken before it is sent; keyint=N sends a
key frame every N pictures (default: one a second)."""
import sys

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtspServer  # noqa: E402


def main():
    port, width, height, fps = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    options = dict(a.split("=", 1) for a in sys.argv[5:])
    Gst.init(None)
    server = GstRtspServer.RTSPServer()
    server.set_address("127.0.0.1")
    server.set_service(port)
    factory = GstRtspServer.RTSPMediaFactory()
    if "file" in options:
        factory.set_launch(
            f"( filesrc location={options['file']} ! qtdemux ! h264parse "
            f"! rtph264pay name=pay0 pt=96 config-interval=1 )")
        factory.set_shared(False)
    else:
        launch_test_card(factory, width, height, fps, int(options.get("delay", 0)),
                         int(options.get("keyint", fps)))
    server.get_mount_points().add_factory("/cam", factory)
    if server.attach(None) == 0:
        print("cannot listen", flush=True)
        return 1
    print("ready", flush=True)
    GLib.MainLoop().run()
    return 0


def launch_test_card(factory, width, height, fps, delay_ms, keyint):
    # A queue that lets no picture go before it is delay_ms old: a camera that is slow to send.
    hold = (f"queue max-size-buffers=0 max-size-bytes=0 max-size-time=0 "
            f"min-threshold-time={delay_ms * 1000000} ! " if delay_ms else "")
    factory.set_launch(
        f"( videotestsrc is-live=true pattern=ball ! video/x-raw,width={width},height={height},"
        f"framerate={fps}/1 ! x264enc tune=zerolatency speed-preset=ultrafast key-int-max={keyint} "
        f"! {hold}rtph264pay name=pay0 pt=96 config-interval=1 )")
    factory.set_shared(True)
    if delay_ms:
        factory.connect("media-configure", stamp_capture_time)


def stamp_capture_time(_factory, media):
    """The wall clock the camera tells its clients (RTCP) is the time a picture was taken,
    not the time it was sent, as a camera that is slow to send would tell it."""
    def added(_bin, _sub, element):
        if element.find_property("rtcp-sync-send-time"):
            element.set_property("rtcp-sync-send-time", False)
    media.get_element().get_parent().connect("deep-element-added", added)


if __name__ == "__main__":
    sys.exit(main())
