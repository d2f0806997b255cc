"""A private Xvfb display for the window's tests and screenshots.

Each server takes a display number drawn at random from a wide range and says when it is
ready (-displayfd). The lowest free number, which Xvfb picks by itself, was reused by one
test the moment another's server ended, and the ending server then removed the new one's
socket; at random, numbers are neither shared nor soon reused. A number in use makes that
server end at once, and another is drawn.
"""
import os
import random
import select
import subprocess

ATTEMPTS = 20


def _run_xvfb(number, args, timeout_s):
    """Xvfb on :number; (process, ":N") once it accepts clients, None when it ended first."""
    read_fd, write_fd = os.pipe()
    server = subprocess.Popen(["Xvfb", ":%d" % number, "-displayfd", str(write_fd), "-nolisten",
                               "tcp", *args],
                              pass_fds=(write_fd,), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    os.close(write_fd)
    said = b""
    try:
        while not said.endswith(b"\n"):
            ready, _, _ = select.select([read_fd], [], [], timeout_s)
            chunk = os.read(read_fd, 16) if ready else b""
            if not chunk:
                server.kill()
                server.wait()
                return None
            said += chunk
    finally:
        os.close(read_fd)
    return server, ":" + said.decode().strip()


def start_xvfb(*args, timeout_s=20):
    """Starts Xvfb with args; returns (process, ":N") once the server accepts clients."""
    draw = random.Random()  # seeded from the system, not shared with the caller's
    for _ in range(ATTEMPTS):
        started = _run_xvfb(draw.randrange(100, 30000), args, timeout_s)
        if started:
            return started
    raise RuntimeError("Xvfb did not start")
