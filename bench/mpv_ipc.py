#!/usr/bin/env python3
"""Times mpv's frame-back-step and exact seek through its IPC socket.

Usage: mpv_ipc.py back100 FILE   -> seconds for 100 frame-back-steps from the end
       mpv_ipc.py seek50 FILE    -> median milliseconds of 50 random exact seeks
Each step or seek counts as done when mpv reports the playback restart after it.
"""
import json
import os
import random
import socket
import statistics
import subprocess
import sys
import tempfile
import time


class Mpv:
    def __init__(self, path, extra):
        self.sock_path = os.path.join(tempfile.mkdtemp(), "mpv.sock")
        self.proc = subprocess.Popen(
            ["mpv", "--no-config", "--vo=null", "--ao=null", "--really-quiet", "--pause",
             "--keep-open=always", "--hr-seek=yes", "--input-ipc-server=" + self.sock_path] + extra + [path],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 30
        while not os.path.exists(self.sock_path):
            if time.time() > deadline:
                raise RuntimeError("mpv did not start")
            time.sleep(0.02)
        self.sock = socket.socket(socket.AF_UNIX)
        self.sock.connect(self.sock_path)
        self.buf = b""
        self.request = 0

    def _lines(self):
        while b"\n" not in self.buf:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise RuntimeError("mpv went away")
            self.buf += chunk
        line, self.buf = self.buf.split(b"\n", 1)
        return json.loads(line)

    def command(self, *args):
        self.request += 1
        self.sock.sendall(json.dumps({"command": list(args), "request_id": self.request}).encode() + b"\n")
        while True:
            msg = self._lines()
            if msg.get("request_id") == self.request:
                return msg

    def wait_event(self, name):
        while True:
            msg = self._lines()
            if msg.get("event") == name:
                return

    def wait_loaded(self):
        while self.command("get_property", "time-pos").get("error") != "success":
            time.sleep(0.02)

    def close(self):
        try:
            self.command("quit")
        except Exception:
            pass
        self.proc.wait(timeout=30)


def back100(path):
    mpv = Mpv(path, ["--start=100%"])
    mpv.wait_loaded()
    start = time.perf_counter()
    for _ in range(100):
        mpv.command("frame-back-step")
        mpv.wait_event("playback-restart")
    elapsed = time.perf_counter() - start
    mpv.close()
    return elapsed


def seek50(path):
    mpv = Mpv(path, [])
    mpv.wait_loaded()
    duration = float(mpv.command("get_property", "duration")["data"])
    rng = random.Random(20261206)
    times = []
    for _ in range(50):
        target = rng.uniform(0, duration - 0.1)
        start = time.perf_counter()
        mpv.command("seek", str(target), "absolute+exact")
        mpv.wait_event("playback-restart")
        times.append((time.perf_counter() - start) * 1000)
    mpv.close()
    return statistics.median(times)


if __name__ == "__main__":
    what, path = sys.argv[1], sys.argv[2]
    print("%.3f" % (back100(path) if what == "back100" else seek50(path)))
