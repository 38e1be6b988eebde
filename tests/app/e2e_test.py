#!/usr/bin/env python3
"""End-to-end test of the demo programs on a virtual X display of their own.

  window         start the program, move the pointer to two places and check on
                 screenshots that the badge is centred there; check the
                 background, the red square and the green square; check the
                 title; close the window as a window manager does: exit code 0
  missing-image  start it where the image files are not: the message on
                 standard error, a message box, exit code 1; the same without
                 a display (SDL_VIDEODRIVER=dummy), without the box
  headless       SDL_VIDEODRIVER=dummy runs the demo without a window until
                 interrupted, then exits with 0; without any display and no
                 driver asked for, or with a display it cannot reach, it says
                 so and exits with 1

Needs Xvfb, xdotool and ImageMagick (scripts/setup.sh installs them); exits
with 77 (skipped) when one is missing. Flakes cross every sample point now and
then, so colour checks ask for a majority, and every wait is generous.
"""

import argparse
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
CLIENT_WIDTH, CLIENT_HEIGHT = 800, 620
SCENE_FAILURE_MESSAGE = "CreateFileA API failed in tessary::FileStreamReader::FileStreamReader method."
TITLE_PATTERN = re.compile(r"^Tessary - \d+\.\d{2} \(fps\)$")
# Where the pointer goes: white parts of the window, away from the cascade.
POINTER_PLACES = [(600, 450), (650, 130)]


class Failure(Exception):
    pass


STARTED = time.monotonic()


def log(text):
    print(f"[{time.monotonic() - STARTED:5.1f} s] {text}", flush=True)


def wait_until(what, check, timeout, interval=0.1):
    """Calls check() until it returns something true; returns that, or fails."""
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            result = check()
            if result:
                return result
        except Failure as error:
            last_error = error
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout} s waiting for {what}" + (f": {last_error}" if last_error else ""))
        time.sleep(interval)


class VirtualDisplay:
    """An Xvfb server on a display number it picks itself (-displayfd)."""

    def __enter__(self):
        read_end, write_end = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 30
        while not number.endswith(b"\n"):
            remaining = deadline - time.monotonic()
            ready, _, _ = select.select([read_end], [], [], max(remaining, 0))
            chunk = os.read(read_end, 16) if ready else b""
            if not chunk:
                os.close(read_end)
                self.__exit__(None, None, None)
                raise Failure("Xvfb did not start")
            number += chunk
        os.close(read_end)
        self.name = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.name)
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env.pop("SDL_VIDEODRIVER", None)
        log(f"Xvfb runs on display {self.name}")
        return self

    def __exit__(self, *exc):
        if self.server.poll() is None:
            self.server.terminate()
            try:
                self.server.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait()
        return False

    def run(self, *command, check=True):
        result = subprocess.run(command, env=self.env, capture_output=True, timeout=30)
        if check and result.returncode != 0:
            raise Failure(f"{' '.join(command)} failed: {result.stderr.decode(errors='replace').strip()}")
        return result.stdout

    def succeeds(self, *command):
        return subprocess.run(command, env=self.env, capture_output=True, timeout=30).returncode == 0

    def find_windows(self, *search):
        output = self.run("xdotool", "search", "--onlyvisible", *search, check=False)
        return [int(line) for line in output.split()]

    def screenshot(self, window):
        return Picture(self.run("import", "-window", str(window), "-depth", "8", "ppm:-"))


class Picture:
    """A binary PPM (P6, 8 bits) as ImageMagick writes it."""

    def __init__(self, data):
        fields = []
        position = 0
        while len(fields) < 4:
            while data[position:position + 1].isspace():
                position += 1
            if data[position:position + 1] == b"#":
                position = data.index(b"\n", position)
                continue
            end = position
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[position:end])
            position = end
        if fields[0] != b"P6" or fields[3] != b"255":
            raise Failure(f"unexpected screenshot format {fields}")
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = data[position + 1:]

    def pixel(self, x, y):
        offset = (y * self.width + x) * 3
        return tuple(self.pixels[offset:offset + 3])


def close_like_window_manager(display, closer, window):
    display.run(closer, str(window))


class Badge:
    """The demo's badge image ("load.gra"), decoded by ImageMagick."""

    def __init__(self, images_dir):
        path = "png:" + os.path.join(images_dir, "load.gra")
        size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True, check=True).stdout
        self.width, self.height = (int(v) for v in size.split())
        rgba = subprocess.run(["convert", path, "-depth", "8", "rgba:-"], capture_output=True, check=True).stdout
        # Over white at opacity 128: each channel moves from 255 towards the
        # image's by alpha × 128/255.
        self.expected = []
        for y in range(0, self.height, 2):
            for x in range(0, self.width, 2):
                r, g, b, a = rgba[(y * self.width + x) * 4:(y * self.width + x) * 4 + 4]
                weight = a * 128 / (255 * 255)
                self.expected.append((x, y, tuple(round(255 + (c - 255) * weight) for c in (r, g, b))))

    def match(self, picture, left, top, tolerance=8):
        """Share of badge pixels found at (left, top). Snow only lightens a pixel."""
        matched = total = 0
        for x, y, want in self.expected:
            px, py = left + x, top + y
            if not (0 <= px < picture.width and 0 <= py < picture.height):
                continue
            total += 1
            got = picture.pixel(px, py)
            if all(w - tolerance <= g <= min(255, w + tolerance) or g > w for g, w in zip(got, want)) and \
                    sum(abs(g - w) for g, w in zip(got, want)) <= 3 * tolerance:
                matched += 1
        return matched / total if total else 0.0


def check_badge_centred(picture, badge, cursor):
    left, top = cursor[0] - badge.width // 2, cursor[1] - badge.height // 2
    scores = {(dx, dy): badge.match(picture, left + dx, top + dy) for dx in range(-3, 4) for dy in range(-3, 4)}
    best = max(scores, key=scores.get)
    if best != (0, 0) or scores[(0, 0)] < 0.6:
        raise Failure(f"badge for the pointer at {cursor}: best match at offset {best} ({scores[best]:.2f}), "
                      f"centred {scores[(0, 0)]:.2f}")
    return scores[(0, 0)]


def majority(name, points, is_right):
    good = sum(1 for p in points if is_right(p))
    share = good / len(points)
    if share <= 0.5:
        raise Failure(f"{name}: only {good} of {len(points)} sample points look right")
    return share


def inside(x, y, rect, margin=2):
    left, top, right, bottom = rect
    return left - margin <= x < right + margin and top - margin <= y < bottom + margin


def check_picture(picture, badge, cursor):
    """The white background, the red square and the green square."""
    covered = [(50, 50, 160, 160), (100, 100, 200, 200)]
    covered += [(75 + 5 * k, 75 + 5 * k, 75 + 5 * k + badge.width, 75 + 5 * k + badge.height) for k in range(50)]
    left, top = cursor[0] - badge.width // 2, cursor[1] - badge.height // 2
    covered.append((left, top, left + badge.width, top + badge.height))

    white_points = [(x, y) for y in range(5, CLIENT_HEIGHT, 15) for x in range(5, CLIENT_WIDTH, 15)
                    if not any(inside(x, y, r) for r in covered)]
    white = majority("white background", white_points, lambda p: min(picture.pixel(*p)) >= 245)

    # Left of and above the cascade the red square shows on its own.
    red_points = [(x, y) for x in range(52, 73, 4) for y in range(52, 158, 4)]
    red_points += [(x, y) for x in range(76, 158, 4) for y in range(52, 73, 4)]
    red = majority("red square", red_points, lambda p: close(picture.pixel(*p), (255, 0, 0)))

    # The green square is translucent over the cascade: across each of its
    # edges the pixel inside is the one outside, tinted by green at alpha 60.
    pairs = [((199, y), (200, y)) for y in range(102, 198, 3)]
    pairs += [((x, 199), (x, 200)) for x in range(102, 198, 3)]
    pairs += [((100, y), (99, y)) for y in range(162, 198, 3)]
    pairs += [((x, 100), (x, 99)) for x in range(162, 198, 3)]

    def tinted(pair):
        within, outside = picture.pixel(*pair[0]), picture.pixel(*pair[1])
        want = (outside[0] * 195 / 255, outside[1] * 195 / 255 + 60, outside[2] * 195 / 255)
        return close(within, want, 6)

    green = majority("green square", pairs, tinted)
    return white, red, green


def close(got, want, tolerance=8):
    return all(abs(g - w) <= tolerance for g, w in zip(got, want))


def start_program(program, cwd, env):
    return subprocess.Popen([program], cwd=cwd, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            start_new_session=True)


def stop_program(process):
    if process.poll() is None:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()


def finish(process, timeout):
    """Waits for the process to end; returns (exit code, stderr)."""
    try:
        _, err = process.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        stop_program(process)
        raise Failure(f"the program did not end within {timeout} s")
    return process.returncode, err.decode(errors="replace")


def test_window(args):
    badge = Badge(args.images)
    with VirtualDisplay() as display:
        process = start_program(args.program, args.images, display.env)
        try:
            window = wait_until("the window", lambda: display.find_windows("--class", "^Tessary class$"), 30)[0]
            shown = time.monotonic()
            geometry = display.run("xdotool", "getwindowgeometry", str(window)).decode()
            log(f"window 0x{window:x}: " + " ".join(geometry.split()[2:]))
            if f"{CLIENT_WIDTH}x{CLIENT_HEIGHT}" not in geometry:
                raise Failure(f"client area is not {CLIENT_WIDTH}x{CLIENT_HEIGHT}: {geometry}")

            origin = tuple(int(v) for v in re.search(r"Position: (-?\d+),(-?\d+)", geometry).groups())
            # Two warps relative to the window, and one on the root window to
            # a place left of the window, where only part of the badge shows.
            moves = [(place, ["--window", str(window), *map(str, place)]) for place in POINTER_PLACES]
            outside = (-40, 300)
            moves.append((outside, [str(origin[0] + outside[0]), str(origin[1] + outside[1])]))
            for cursor, move in moves:
                display.run("xdotool", "mousemove", *move)

                def badge_there():
                    picture = display.screenshot(window)
                    return picture, check_badge_centred(picture, badge, cursor)

                picture, score = wait_until(f"the badge at {cursor}", badge_there, 15, interval=0.25)
                log(f"badge centred on the pointer at {cursor} ({score:.0%} of its visible pixels match)")
                white, red, green = wait_until("the background and the squares",
                                               lambda: check_picture(display.screenshot(window), badge, cursor), 15,
                                               interval=0.25)
                log(f"white background {white:.0%}, red square {red:.0%}, green square {green:.0%} of sample points")

            # Hidden and shown again, the window comes back black and must be
            # whole again soon: the exposure makes the Scene redraw all of it
            # (the falling snow alone touches most of the window all the time).
            display.run("xdotool", "windowunmap", "--sync", str(window))
            display.run("xdotool", "windowmap", "--sync", str(window))
            wait_until("the picture after the window was shown again",
                       lambda: check_picture(display.screenshot(window), badge, outside), 15, interval=0.25)
            log("whole again after being hidden and shown again")

            time.sleep(max(0.0, shown + 1.5 - time.monotonic()))
            title = wait_until("the frame rate in the title", lambda: (
                lambda t: t if TITLE_PATTERN.match(t) else None)(
                display.run("xdotool", "getwindowname", str(window)).decode().strip()), 10, interval=0.2)
            log(f"title: {title}")

            close_like_window_manager(display, args.closer, window)
            code, err = finish(process, 2)
            if err.strip():
                log("stderr: " + err.strip())
            if code != 0:
                raise Failure(f"exit code {code} after closing the window")
            log("closed like a window manager does: exit code 0")
        finally:
            stop_program(process)


def test_missing_image(args):
    with tempfile.TemporaryDirectory(prefix="tessary-e2e-") as empty:
        with VirtualDisplay() as display:
            process = start_program(args.program, empty, display.env)
            try:
                # xdotool cannot read the title SDL gives its message boxes.
                wait_until("the message box", lambda: display.succeeds(args.closer, "--title", "Tessary"), 30,
                           interval=0.25)
                log("the message box was shown, and closed")
                code, err = finish(process, 10)
            finally:
                stop_program(process)
        log("stderr: " + err.strip())
        if code != 1 or SCENE_FAILURE_MESSAGE not in err:
            raise Failure(f"with a display: exit code {code}, stderr {err!r}")

        env = dict(os.environ, SDL_VIDEODRIVER="dummy")
        env.pop("DISPLAY", None)
        process = start_program(args.program, empty, env)
        code, err = finish(process, 30)
        log("without a display: stderr: " + err.strip())
        if code != 1 or SCENE_FAILURE_MESSAGE not in err:
            raise Failure(f"without a display: exit code {code}, stderr {err!r}")


def test_headless(args):
    env = dict(os.environ, SDL_VIDEODRIVER="dummy")
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    process = start_program(args.program, args.images, env)
    try:
        time.sleep(1.5)
        if process.poll() is not None:
            raise Failure(f"the headless run ended early with {process.returncode}: "
                          f"{process.stderr.read().decode(errors='replace')}")
        os.killpg(process.pid, signal.SIGINT)
        code, err = finish(process, 5)
    finally:
        stop_program(process)
    log("dummy driver: stderr: " + err.strip())
    if code != 0 or "dummy" not in err:
        raise Failure(f"headless run: exit code {code}, stderr {err!r}")

    env.pop("SDL_VIDEODRIVER")
    env.pop("XDG_RUNTIME_DIR", None)
    process = start_program(args.program, args.images, env)
    code, err = finish(process, 30)
    log("no display at all: stderr: " + err.strip())
    if code != 1 or "no display" not in err:
        raise Failure(f"run without a display: exit code {code}, stderr {err!r}")

    # A display that cannot be reached: no window, and it says so.
    env.update(SDL_VIDEODRIVER="x11", DISPLAY=":65000")
    process = start_program(args.program, args.images, env)
    code, err = finish(process, 30)
    log("unreachable display: stderr: " + err.strip())
    if code != 1 or "cannot start the video system" not in err:
        raise Failure(f"run with an unreachable display: exit code {code}, stderr {err!r}")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("case", choices=["window", "missing-image", "headless"])
    parser.add_argument("--program", required=True)
    parser.add_argument("--closer", required=True, help="tessary-close-window")
    parser.add_argument("--images", required=True, help="directory holding the demo's image files")
    args = parser.parse_args()
    # The programs run in other directories.
    args.program, args.closer, args.images = (os.path.abspath(p) for p in (args.program, args.closer, args.images))

    missing = [tool for tool in ("Xvfb", "xdotool", "import", "convert", "identify") if shutil.which(tool) is None]
    if missing and args.case != "headless":
        log(f"skipped: {', '.join(missing)} not installed (scripts/setup.sh installs them)")
        return SKIPPED
    try:
        {"window": test_window, "missing-image": test_missing_image, "headless": test_headless}[args.case](args)
    except Failure as failure:
        log(f"FAILED: {failure}")
        return 1
    log("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
