#!/usr/bin/env python3
"""Decodes the files that the Windows capture tests wrote, with readers
nobody here wrote (Pillow, pngcheck), and compares them with the reference
pictures the tests saved from the screen.

usage: check-capture-files.py DIR

DIR/manifest.txt lists "file reference match" per line; match is
  exact    every pixel equal (PNG, BMP)
  indexed  every pixel equal, and the PNG is palette-based
  jpeg     mean difference per channel small, and no channel swapped
"""
import subprocess
import sys
from pathlib import Path

from PIL import Image, ImageChops, ImageStat

# Quality 70 with 4:2:0 chroma gives about 5 to 10 on sharp-edged colour
# blocks; swapped red and blue gives over 70.
JPEG_MEAN_LIMIT = 16.0


def main(folder: Path) -> int:
    manifest = folder / "manifest.txt"
    if not manifest.exists():
        print(f"no manifest in {folder}: did the Windows capture test run?")
        return 1
    failures = 0
    lines = [l.split() for l in manifest.read_text().splitlines() if l.strip()]
    for name, reference, match in lines:
        path = folder / name
        problem = check(path, folder / reference, match)
        print(f"{name}: {problem or 'ok'}")
        failures += problem is not None
    print(f"{len(lines) - failures} of {len(lines)} files match")
    return 1 if failures or not lines else 0


def check(path: Path, reference: Path, match: str):
    if path.suffix == ".png":
        run = subprocess.run(["pngcheck", "-q", str(path)], capture_output=True, text=True)
        if run.returncode != 0:
            return "pngcheck: " + (run.stdout + run.stderr).strip()
    with Image.open(path) as image:
        image.load()
        mode = image.mode
        picture = image.convert("RGB")
    expected = Image.open(reference).convert("RGB")
    if picture.size != expected.size:
        return f"size {picture.size}, expected {expected.size}"
    if match == "indexed" and mode != "P":
        return f"mode {mode}, expected an indexed picture"
    if match in ("exact", "indexed"):
        box = ImageChops.difference(picture, expected).getbbox()
        return None if box is None else f"pixels differ within {box}"
    means = ImageStat.Stat(ImageChops.difference(picture, expected)).mean
    if max(means) > JPEG_MEAN_LIMIT:
        return f"mean channel differences {means} above {JPEG_MEAN_LIMIT}"
    # Swapped red and blue would still be close on grey; compare against the
    # swapped reference to be sure the file is nearer the true colours.
    r, g, b = expected.split()
    swapped = ImageStat.Stat(ImageChops.difference(picture, Image.merge("RGB", (b, g, r)))).mean
    if sum(swapped) <= sum(means):
        return "colours closer to the red/blue-swapped reference"
    return None


if __name__ == "__main__":
    sys.exit(main(Path(sys.argv[1])))
