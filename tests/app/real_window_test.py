#!/usr/bin/python3
"""facetmint in its real window on a private Xvfb display, driven with xdotool (XTEST) and
read back as screenshots, through xprop and XFIXES, and from /proc.
    /usr/bin/python3 tests/app/real_window_test.py FACETMINT [unittest options]
"""
import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from PIL import ImageChops, ImageGrab

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../tools"))
from private_xvfb import start_xvfb  # noqa: E402

EXE = None
WIDTH, HEIGHT = 1066, 657
# Where the controls sit at the design size, in client pixels.
LOAD_BUTTON = (35, 30)
FORMAT_BOX = (468, 33)
VIEW = (520, 330)
LEFT_PANEL = (0, 62, 255, 657)  # box of the left panel below the tool bar
# What the program does by itself at start (first renders, the hint's first paint) is over.
SETTLE_S = 1.5


class Session:
    """One Xvfb display with one facetmint window on it."""

    def __init__(self, args=()):
        self.xvfb, self.display = start_xvfb("-screen", "0", "1280x800x24", "-noreset")
        self.env = dict(os.environ, DISPLAY=self.display)
        for _ in range(250):  # until the server answers
            if subprocess.run(["xprop", "-root", "_XKB_RULES_NAMES"], env=self.env,
                              capture_output=True).returncode == 0:
                break
            time.sleep(0.02)
        for name in ("SDL_VIDEODRIVER", "WAYLAND_DISPLAY"):
            self.env.pop(name, None)
        self.env["GDK_SCALE"] = "1"  # the coordinates below are the design's
        self.out = tempfile.TemporaryFile()
        self.program = subprocess.Popen([EXE, *args], env=self.env, stdout=self.out,
                                        stderr=subprocess.STDOUT)
        try:
            self.window = self.wait_for_windows(1)[0]
            self.origin = self.client_origin()
        except BaseException:
            self.close()  # no display server left behind
            raise
        time.sleep(SETTLE_S)

    def close(self):
        if self.program.poll() is None:
            self.program.kill()
            self.program.wait()
        self.xvfb.terminate()
        self.xvfb.wait()
        self.out.close()

    def output(self):
        self.out.seek(0)
        return self.out.read().decode(errors="replace")

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True,
                              capture_output=True, text=True).stdout

    def windows(self):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid",
                                str(self.program.pid)], env=self.env, capture_output=True,
                               text=True).stdout.split()
        return [int(w) for w in found]

    def wait_for_windows(self, count, limit=30):
        end = time.monotonic() + limit
        while time.monotonic() < end:
            if self.program.poll() is not None:
                raise AssertionError(f"facetmint ended: {self.output()}")
            found = self.windows()
            if len(found) >= count:
                return found
            time.sleep(0.05)
        raise AssertionError(f"no {count} window(s) within {limit} s")

    def client_origin(self):
        geometry = self.xdotool("getwindowgeometry", "--shell", self.window)
        values = dict(line.split("=") for line in geometry.split())
        return int(values["X"]), int(values["Y"])

    def move(self, x, y):
        self.xdotool("mousemove", self.origin[0] + x, self.origin[1] + y)

    def click(self, x, y):
        self.move(x, y)
        self.xdotool("click", 1)

    def shot(self, wait=0.4):
        time.sleep(wait)
        x, y = self.origin
        return ImageGrab.grab(xdisplay=self.display).crop((x, y, x + WIDTH, y + HEIGHT))


def differing(a, b, box=None):
    """How many pixels differ between two pictures (in Box)."""
    if box:
        a, b = a.crop(box), b.crop(box)
    diff = ImageChops.difference(a.convert("RGB"), b.convert("RGB")).convert("L")
    return sum(1 for v in diff.getdata() if v > 24)


def cursor_image(display):
    """The pointer's current picture (size, hot spot and pixels) through XFIXES."""
    import ctypes as c

    class Image(c.Structure):
        _fields_ = [("x", c.c_short), ("y", c.c_short), ("w", c.c_ushort), ("h", c.c_ushort),
                    ("xhot", c.c_ushort), ("yhot", c.c_ushort), ("serial", c.c_ulong),
                    ("pixels", c.POINTER(c.c_ulong)), ("atom", c.c_ulong), ("name", c.c_char_p)]

    x11, xfixes = c.CDLL("libX11.so.6"), c.CDLL("libXfixes.so.3")
    x11.XOpenDisplay.restype = c.c_void_p
    x11.XCloseDisplay.argtypes = xfixes.XFixesGetCursorImage.argtypes = [c.c_void_p]
    xfixes.XFixesGetCursorImage.restype = c.POINTER(Image)
    time.sleep(0.2)
    dpy = x11.XOpenDisplay(display.encode())
    img = xfixes.XFixesGetCursorImage(dpy).contents
    picture = (img.w, img.h, img.xhot, img.yhot, tuple(img.pixels[:img.w * img.h]))
    x11.XCloseDisplay(dpy)
    return picture


class RealWindowTest(unittest.TestCase):
    def setUp(self):
        self.s = Session()

    def tearDown(self):
        self.s.close()

    def test_format_menu_shows_at_once_and_a_second_click_chooses_what_it_shows(self):
        s = self.s
        s.move(*FORMAT_BOX)
        before = s.shot()
        s.xdotool("click", 1)  # no pointer motion from here on
        menu = s.shot()
        # Three 20-pixel entries centred on the box: the rows below the box are menu now.
        box = (FORMAT_BOX[0] - 60, FORMAT_BOX[1] + 12, FORMAT_BOX[0] + 60, FORMAT_BOX[1] + 28)
        self.assertGreater(differing(before, menu, box), 300, "the menu is not drawn")
        # The entry under the pointer is drawn where the second click lands: it is the one
        # chosen, and the menu closes.
        s.xdotool("click", 1)
        after = s.shot()
        self.assertLess(differing(before, after, box), 30, "the menu stays")
        self.assertGreater(differing(before, after, (FORMAT_BOX[0] - 60, FORMAT_BOX[1] - 10,
                                                     FORMAT_BOX[0] + 60, FORMAT_BOX[1] + 10)),
                           20, "the box shows the chosen entry")

    def test_hover_marks_go_when_the_pointer_leaves_the_tool_bar_or_a_dialog_closes(self):
        s = self.s
        s.move(*VIEW)
        idle = s.shot()
        button = (LOAD_BUTTON[0] - 34, 0, LOAD_BUTTON[0] + 34, 61)
        s.move(*LOAD_BUTTON)
        self.assertGreater(differing(idle, s.shot(), button), 50, "no hover mark at all")
        # Out of the tool bar straight into the view.
        s.move(LOAD_BUTTON[0], 200)
        self.assertLess(differing(idle, s.shot(), button), 5)
        # The load dialog: the pointer goes into it, the dialog is closed.
        s.click(*LOAD_BUTTON)
        dialog = [w for w in s.wait_for_windows(2) if w != s.window][0]
        geometry = dict(line.split("=") for line in
                        s.xdotool("getwindowgeometry", "--shell", dialog).split())
        s.xdotool("mousemove", int(geometry["X"]) + 40, int(geometry["Y"]) + 40)
        # On a busy machine GTK may not take the first key yet: Escape again until it closes.
        for _ in range(3):
            s.xdotool("windowfocus", "--sync", dialog)
            s.xdotool("key", "Escape")
            end = time.monotonic() + 4
            while len(s.windows()) > 1 and time.monotonic() < end:
                time.sleep(0.05)
            if len(s.windows()) == 1:
                break
        self.assertEqual(s.windows(), [s.window])
        self.assertLess(differing(idle, s.shot(0.6), button), 5)
        # Without a session bus the dialog's settings cannot be stored by dconf: no warnings
        # about it on the terminal.
        self.assertNotIn("dconf", s.output())

    def test_panels_stay_in_front_of_a_model_close_up(self):
        s = self.s
        # The model moved to the left edge of the view (a drag with Shift), then the wheel
        # brings the camera close: the model grows far beyond the view.
        s.move(*VIEW)
        s.xdotool("keydown", "shift", "mousedown", 1)
        s.move(VIEW[0] - 200, VIEW[1] - 150)
        s.xdotool("mouseup", 1, "keyup", "shift")
        far = s.shot(0.8)
        for _ in range(30):
            s.xdotool("click", 4)  # the wheel away from the user: closer
        near = s.shot(1.0)
        self.assertGreater(differing(far, near, (256, 62, 787, 560)), 1000, "no zoom")
        # The left panel and the tool bar show as before (the preview panel shows new icons).
        for box in (LEFT_PANEL, (0, 0, WIDTH, 61)):
            self.assertLess(differing(far, near, box), 40, box)
        # The hint with its slider (which moved with the zoom) lies over the model too: the
        # model may show through its translucent plate, but every pixel of its dark texts
        # stays as it was.
        texts = (WIDTH // 2 - 170, HEIGHT - 45, WIDTH // 2 + 170, HEIGHT - 26)
        glyphs = [(a, b) for a, b in zip(far.crop(texts).convert("L").getdata(),
                                          near.crop(texts).convert("L").getdata()) if a < 60]
        self.assertGreater(len(glyphs), 200, "no hint texts found")
        self.assertLess(sum(1 for a, b in glyphs if abs(a - b) > 24), 10)

    def test_the_window_carries_the_program_icon(self):
        s = self.s
        # As numbers, not as xprop's own drawing of an icon.
        props = subprocess.run(["xprop", "-len", "1000000", "-id", str(s.window), "-f",
                                "_NET_WM_ICON", "32c",
                                "=$0+\n", "_NET_WM_ICON"], env=s.env, capture_output=True,
                               text=True).stdout
        self.assertIn("_NET_WM_ICON(CARDINAL)=", props)
        numbers = [int(v) for v in props.split("=", 1)[1].replace(",", " ").split()]
        width, height = numbers[0], numbers[1]
        self.assertEqual(len(numbers) - 2, width * height)
        from PIL import Image
        shipped = Image.open(os.path.join(os.path.dirname(__file__),
                                          "../../app/resources/facetmint.png")).convert("RGBA")
        self.assertEqual((width, height), shipped.size)
        # The shipped pixels as X holds them, ARGB (colours within the rounding of alpha).
        for (r, g, b, a), v in zip(shipped.getdata(), numbers[2:]):
            self.assertEqual(v >> 24, a)
            if a > 32:
                self.assertLessEqual(max(abs(r - (v >> 16 & 255)), abs(g - (v >> 8 & 255)),
                                         abs(b - (v & 255))), 8)

    def test_the_help_line_is_underlined_with_a_hand_under_the_pointer(self):
        s = self.s
        s.click(1030, 30)  # the about button
        time.sleep(0.8)
        s.move(511, 300)
        plain, arrow = s.shot(), cursor_image(s.display)
        link = (415, 174, 607, 192)
        s.move(511, 182)
        over, hand = s.shot(), cursor_image(s.display)
        self.assertGreater(differing(plain, over, link), 20, "no underline")
        self.assertNotEqual(hand, arrow, "the pointer keeps its shape")
        s.move(511, 300)
        self.assertLess(differing(plain, s.shot(), link), 5)
        self.assertEqual(cursor_image(s.display), arrow)

    def test_sigterm_and_sigint_end_the_program_with_a_dialog_open(self):
        for sig, key in ((signal.SIGTERM, "ctrl+o"), (signal.SIGINT, "ctrl+s")):
            if sig != signal.SIGTERM:
                self.s.close()
                self.s = Session()
            s = self.s
            s.xdotool("windowfocus", "--sync", s.window)
            s.xdotool("key", key)
            s.wait_for_windows(2)
            s.program.send_signal(sig)
            try:
                s.program.wait(5)
            except subprocess.TimeoutExpired:
                self.fail(f"{sig!r} did not end the program with a dialog open")

    def test_sigterm_ends_the_program_while_a_broken_file_is_reported_at_start(self):
        self.s.close()
        self.s = Session(("/nonexistent/model.3ds",))
        s = self.s
        s.wait_for_windows(2)  # the window and the message
        s.program.send_signal(signal.SIGTERM)
        try:
            s.program.wait(5)
        except subprocess.TimeoutExpired:
            self.fail("SIGTERM did not end the program with the start-up message open")

    def test_the_idle_window_does_not_wake_up(self):
        s = self.s
        s.move(*VIEW)
        # The pointer over the button and away again starts and ends a hover animation.
        s.move(*LOAD_BUTTON)
        s.move(*VIEW)
        time.sleep(1.0)

        def switches():
            total = 0
            for task in os.listdir(f"/proc/{s.program.pid}/task"):
                with open(f"/proc/{s.program.pid}/task/{task}/status") as f:
                    for line in f:
                        if line.startswith(("voluntary_ctxt_switches",
                                            "nonvoluntary_ctxt_switches")):
                            total += int(line.split()[1])
            return total

        before = switches()
        time.sleep(3.0)
        per_second = (switches() - before) / 3.0
        print(f"idle wake-ups: {per_second:.1f} per second")
        self.assertLess(per_second, 2)


if __name__ == "__main__":
    EXE = sys.argv.pop(1)
    unittest.main()
