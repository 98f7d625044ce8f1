"""Pictures for the browser tests: reading the native capture's PNGs (through
ffmpeg, which the project installs anyway), writing PPMs to look at, and the
difference measures the tolerances are set on.
"""

import subprocess

WIDTH = 640
HEIGHT = 480


def read_png_rgb(path):
    """The PNG's pixels as bytes of RGB rows, top row first."""
    return subprocess.run(
        ["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
        check=True,
        capture_output=True,
    ).stdout


def write_ppm(path, rgb, width=WIDTH, height=HEIGHT):
    with open(path, "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % (width, height))
        out.write(rgb)


def difference(a, b, threshold=48):
    """How far two RGB pictures of the same size lie apart: the mean absolute
    difference per channel (0…255), and the share of pixels whose largest
    channel difference exceeds threshold (0…1)."""
    assert len(a) == len(b)
    diffs = bytes(abs(x - y) for x, y in zip(a, b))
    mean = sum(diffs) / len(diffs)
    far = 0
    for i in range(0, len(diffs), 3):
        if max(diffs[i], diffs[i + 1], diffs[i + 2]) > threshold:
            far += 1
    return mean, far / (len(diffs) // 3)
