#!/usr/bin/python3
"""Starts facetmint in its real window on a private Xvfb display, waits for the first frame
that shows the six previews, saves a screenshot and says how long the start took.

    /usr/bin/python3 tools/window_screenshot.py FACETMINT OUTPUT.png [MODEL]

The start time runs from launching the program to the first screenshot in which the preview
panel shows the model; it is measured, printed and written beside the screenshot
(OUTPUT.txt), not judged. Exits 1 when no such frame appears within the time limit.
"""
import os
import subprocess
import sys
import time

from PIL import ImageGrab

from private_xvfb import start_xvfb

WIDTH, HEIGHT = 1066, 657
LIMIT_S = 30


def window_box(shot):
    """The client area: the one region of the screen that is not the black root window."""
    box = shot.convert("L").point(lambda v: 255 if v > 8 else 0).getbbox()
    return box


def previews_shown(shot, box):
    """True when the 256 frame of the preview panel holds something besides its background."""
    if not box or box[2] - box[0] < WIDTH or box[3] - box[1] < HEIGHT:
        return False
    left, top = box[0], box[1]
    # The 256 x 256 image sits at (8 + 4, 274 + 4) in the right panel, which starts at x 788
    # and 62 pixels below the top; its centre is where the model lands.
    x0, y0 = left + 788 + 12, top + 61 + 278
    colours = set()
    for dy in range(64, 192, 8):
        for dx in range(64, 192, 8):
            colours.add(shot.getpixel((x0 + dx, y0 + dy)))
    return len(colours) > 4


def main():
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    exe, output = sys.argv[1], sys.argv[2]
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    model = sys.argv[3:4]
    xvfb, display = start_xvfb("-screen", "0", "1280x800x24")
    program = None
    try:
        env = dict(os.environ, DISPLAY=display)
        env.pop("SDL_VIDEODRIVER", None)
        env.pop("WAYLAND_DISPLAY", None)
        env["GDK_SCALE"] = "1"  # the picture at the design size
        start = time.monotonic()
        program = subprocess.Popen([exe] + model, env=env, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT)
        shot = None
        elapsed = None
        while time.monotonic() - start < LIMIT_S:
            if program.poll() is not None:
                out = program.stdout.read().decode(errors="replace")
                raise SystemExit(f"facetmint ended with status {program.returncode}: {out}")
            shot = ImageGrab.grab(xdisplay=display)
            if previews_shown(shot, window_box(shot)):
                elapsed = time.monotonic() - start
                break
            time.sleep(0.02)
        if elapsed is None:
            if shot:
                shot.save(output)
            raise SystemExit(f"no frame with the previews within {LIMIT_S} s (last screen: {output})")
        time.sleep(0.3)  # let trigger animations and the hover state settle
        shot = ImageGrab.grab(xdisplay=display)
        box = window_box(shot)
        shot.crop(box).save(output)
        report = f"first frame with the six previews after {elapsed * 1000:.0f} ms"
        with open(os.path.splitext(output)[0] + ".txt", "w") as f:
            f.write(report + "\n")
        print(f"{output}: {box[2] - box[0]} x {box[3] - box[1]}; {report}")
    finally:
        if program and program.poll() is None:
            program.terminate()
            try:
                program.wait(5)
            except subprocess.TimeoutExpired:
                program.kill()
        xvfb.terminate()
        xvfb.wait()


if __name__ == "__main__":
    main()
