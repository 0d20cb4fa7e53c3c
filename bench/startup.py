#!/usr/bin/env python3
"""Start-up to the window shown and peak memory of a Qt program on an X display.

Starts the program, asks the X server every few milliseconds until a window with the
given name is viewable, lets the program settle, reads its peak resident memory (VmHWM), ends it
and repeats. Prints one JSON object: the name, the median time in ms and the median peak in MB.
"""
import argparse
import ctypes
import ctypes.util
import json
import os
import re
import signal
import statistics
import subprocess
import sys
import tempfile
import time


class XServer:
    """One connection to the X server, kept for every look, through libX11 (x11-utils needs it)."""

    class Attributes(ctypes.Structure):
        _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                    ("height", ctypes.c_int), ("border_width", ctypes.c_int), ("depth", ctypes.c_int),
                    ("visual", ctypes.c_void_p), ("root", ctypes.c_ulong), ("c_class", ctypes.c_int),
                    ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
                    ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
                    ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
                    ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                    ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                    ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                    ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]

    IS_VIEWABLE = 2

    def __init__(self):
        x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x11.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                   ctypes.POINTER(ctypes.c_ulong),
                                   ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                                   ctypes.POINTER(ctypes.c_uint)]
        x11.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
        x11.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong,
                                             ctypes.POINTER(XServer.Attributes)]
        x11.XFree.argtypes = [ctypes.c_void_p]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        # A window may vanish between two calls; the default handler would end this script.
        handler_type = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
        self._handler = handler_type(lambda display, event: 0)
        x11.XSetErrorHandler.argtypes = [handler_type]
        x11.XSetErrorHandler(self._handler)
        self.x11 = x11
        self.display = x11.XOpenDisplay(None)
        if not self.display:
            raise RuntimeError("cannot open the X display " + os.environ.get("DISPLAY", ""))
        self.root = x11.XDefaultRootWindow(self.display)

    def close(self):
        self.x11.XCloseDisplay(self.display)

    def viewable(self, title):
        """True once a top-level window with this name is mapped (Qt's hidden leader window,
        named after the program, never is)."""
        x11 = self.x11
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        children = ctypes.POINTER(ctypes.c_ulong)()
        count = ctypes.c_uint()
        if not x11.XQueryTree(self.display, self.root, ctypes.byref(root), ctypes.byref(parent),
                              ctypes.byref(children), ctypes.byref(count)):
            return False
        try:
            for i in range(count.value):
                name = ctypes.c_char_p()
                if not x11.XFetchName(self.display, children[i], ctypes.byref(name)) or not name.value:
                    continue
                matches = name.value == title.encode()
                x11.XFree(name)
                if not matches:
                    continue
                attributes = XServer.Attributes()
                if (x11.XGetWindowAttributes(self.display, children[i], ctypes.byref(attributes))
                        and attributes.map_state == XServer.IS_VIEWABLE):
                    return True
            return False
        finally:
            if children:
                x11.XFree(children)


def peak_kb(pid):
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def end(process):
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout=3)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def once(server, command, title, env, timeout, settle, poll):
    start = time.monotonic()
    errors = tempfile.TemporaryFile()
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=errors)
    try:
        shown = None
        while time.monotonic() - start < timeout:
            if server.viewable(title):
                shown = time.monotonic() - start
                break
            if process.poll() is not None:
                break
            time.sleep(poll)
        if shown is None:
            errors.seek(0)
            said = errors.read().decode(errors="replace").strip().splitlines()[-3:]
            print(f"startup.py: {command[0]}: exit code {process.poll()}; " + " / ".join(said), file=sys.stderr)
            return None, None
        time.sleep(settle)
        return shown * 1000.0, peak_kb(process.pid)
    finally:
        end(process)
        errors.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--name", required=True, help="name in the results")
    parser.add_argument("--title", required=True, help="window title to wait for")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--timeout", type=float, default=20.0, help="seconds per start")
    parser.add_argument("--settle", type=float, default=0.5, help="seconds between shown and the memory reading")
    parser.add_argument("--poll", type=float, default=0.002, help="seconds between two looks")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        parser.error("no program given")
    if "DISPLAY" not in os.environ:
        parser.error("DISPLAY is not set")

    env = dict(os.environ, QT_QPA_PLATFORM="xcb")
    server = XServer()
    times, peaks = [], []
    for _ in range(args.runs):
        shown_ms, kb = once(server, command, args.title, env, args.timeout, args.settle, args.poll)
        if shown_ms is None:
            print(f"startup.py: {args.name}: no window named {args.title!r} within {args.timeout} s",
                  file=sys.stderr)
            continue
        times.append(shown_ms)
        if kb is not None:
            peaks.append(kb / 1024.0)
    server.close()
    result = {"name": args.name, "runs": len(times)}
    if times:
        result["shown_ms"] = statistics.median(times)
        result["shown_ms_all"] = [round(t, 1) for t in times]
    if peaks:
        result["peak_mb"] = statistics.median(peaks)
    print(json.dumps(result))
    return 0 if times else 1


if __name__ == "__main__":
    sys.exit(main())
