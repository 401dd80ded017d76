"""The demo game's attract mode: it must end by itself, leave the three scenes as
screenshots and report its frames. Each scene is recognised by a few pixels that
only that scene draws there.
  attract_mode.py WINE_RUN ENV_FILE BIN_DIR OUTPUT_DIR"""
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "support"))
from png_pixels import read_png  # noqa: E402

MAGENTA = (255, 0, 255)

# (file, x, y, expected colour or None for "anything but the colour key", tolerance, what)
EXPECTED = [
    ("title.png", 140, 245, (24, 32, 96), 0, "title panel"),
    ("title.png", 320, 318, (255, 220, 40), 24, "star from the BMP"),
    ("title.png", 306, 302, None, 0, "star's keyed corner"),
    ("title.png", 320, 431, (40, 200, 220), 24, "ship from the PNG"),
    ("title.png", 289, 411, None, 0, "ship's transparent corner"),
    ("title.png", 600, 200, (30, 17, 61), 12, "sky from the JPEG"),
    ("play.png", 320, 6, (0, 0, 0), 0, "score bar"),
    ("play.png", 5, 28, (255, 200, 40), 0, "score bar's edge"),
    ("scores.png", 170, 400, (16, 24, 64), 0, "score table panel"),
    ("scores.png", 160, 240, (255, 200, 40), 0, "score table frame"),
]


def matches(pixel, expected, tolerance):
    if expected is None:
        return pixel != MAGENTA
    return all(abs(a - b) <= tolerance for a, b in zip(pixel, expected))


def main():
    wine_run, env_file, bin_dir, out_dir = sys.argv[1:5]
    os.makedirs(out_dir, exist_ok=True)
    for name in {row[0] for row in EXPECTED}:
        if os.path.exists(os.path.join(out_dir, name)):
            os.remove(os.path.join(out_dir, name))
    run = subprocess.run([wine_run, env_file, "star_catcher.exe", "--attract", "--shots", "Z:" + os.path.abspath(out_dir)],
                         cwd=bin_dir, capture_output=True, text=True, timeout=120)
    print(run.stdout, run.stderr, sep="")
    failures = []
    if run.returncode != 0:
        failures.append(f"exit code {run.returncode}")
    summary = re.search(r"^demo: (\d+) frames drawn, (\d+)% on time, score (\d+), ([\d.]+) s of audio", run.stdout, re.M)
    if not summary:
        failures.append("no summary line")
    elif int(summary.group(1)) < 300 or int(summary.group(2)) < 50 or float(summary.group(4)) <= 0:
        failures.append("summary out of range: " + summary.group(0))
    pictures = {}
    for name, x, y, expected, tolerance, what in EXPECTED:
        path = os.path.join(out_dir, name)
        if name not in pictures:
            pictures[name] = read_png(path)[2] if os.path.exists(path) else None
        if pictures[name] is None:
            failures.append(f"{name} missing")
            pictures[name] = []
            continue
        if not pictures[name]:
            continue
        pixel = pictures[name][y][x]
        if not matches(pixel, expected, tolerance):
            failures.append(f"{name} ({x}, {y}) {what}: {pixel}, expected {expected or 'not the key'}")
    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print("attract mode: all scenes seen")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
