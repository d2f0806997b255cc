"""A private Xvfb display for the window's tests and screenshots.

Xvfb chooses the display number itself (-displayfd) and says which when it is ready, so
that servers started at the same moment (tests run in parallel, or beside another
engineer's) never race for the same free number.
"""
import os
import select
import subprocess


def start_xvfb(*args, timeout_s=20):
    """Starts Xvfb with args; returns (process, ":N") once the server accepts clients."""
    read_fd, write_fd = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-nolisten", "tcp", *args],
                              pass_fds=(write_fd,), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    os.close(write_fd)
    number = b""
    try:
        while not number.endswith(b"\n"):
            ready, _, _ = select.select([read_fd], [], [], timeout_s)
            chunk = os.read(read_fd, 16) if ready else b""
            if not chunk:
                server.kill()
                server.wait()
                raise RuntimeError("Xvfb did not start")
            number += chunk
    finally:
        os.close(read_fd)
    return server, ":" + number.decode().strip()
