"""The show's web build in a real browser (headless Chromium).

Usage: web_test.py SITE CAPTURE DATA

SITE is the built site (build-web/site), CAPTURE the native capture tool and
DATA the native data folder. The site is served on a free local port. Tests:

- frames at show times in every scene, played on the page's virtual clock
  (?at=…), against the native capture at the same times, within tolerances;
  the same run plays on to the show's end (?at=…,end) and no console error,
  warning or exception may appear on the way;
- with one effect left out (?omit=…), the same frames fall outside the
  tolerances: they catch a wrong effect;
- a level whose textures' sides are not powers of two (npot_level.py) draws
  in the page as the native capture draws it, and without those textures'
  pictures (?omit=npot) the frame is caught;
- a data file missing from the site shows the program's message in the page;
- after a click the audio element holds the soundtrack's whole length and
  plays, and Escape ends the show and the sound.
"""

import base64
import functools
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import browser  # noqa: E402
import frames  # noqa: E402
import npot_level  # noqa: E402

# Show times (seconds) compared with the native build, and the tolerances for
# each: the largest mean absolute difference per channel (0…255) and the
# largest share of pixels that differ by more than 48 in some channel.
# The measured differences and why they arise: README.md, "The show in a
# web browser".
FRAME_TOLERANCES = [
    # time, scene, mean, share
    (5.0, "titles", 0.5, 0.001),
    (15.0, "titles", 0.5, 0.001),
    (30.0, "object scene", 2.0, 0.002),
    (38.0, "object scene", 2.0, 0.002),
    (55.0, "swirl", 0.5, 0.001),
    (66.0, "swirl", 0.5, 0.001),
    (85.0, "flythrough", 0.5, 0.001),
    (100.0, "flythrough", 0.5, 0.001),
    (110.0, "feedback cubes", 0.5, 0.002),
    (116.0, "feedback cubes", 0.5, 0.002),
    (121.5, "feedback cubes", 0.5, 0.002),
    (124.2, "switch-off", 0.5, 0.001),
]

# Effects left out and a frame that each must spoil beyond its tolerance.
OMISSIONS = [
    ("lines", 5.0, "the logo's outline"),
    ("blend", 5.0, "blending: the veil over the logo"),
    ("unit1", 85.0, "the level's lightmaps (texture unit 1)"),
    ("alpha", 5.0, "the fragment's alpha under an RGB texture (replace)"),
    ("sphereflip", 30.0, "the sky spheres' texture the right way up"),
]

# The level file, and the flythrough's frame compared for the level whose
# textures are not powers of two (within the flythrough's tolerance).
LEVEL = os.path.join("bsp", "qorldm1.bsp")
NPOT_SECONDS = 85.0

# How long the page may take to play the whole show (software WebGL is slow).
SHOW_TIMEOUT = 30 * 60
Failures = []


def check(condition, message):
    print(("ok      " if condition else "FAILED  ") + message, flush=True)
    if not condition:
        Failures.append(message)


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *arguments):
        pass


def serve(folder):
    """Serves folder on a free port of 127.0.0.1; returns the server."""
    handler = functools.partial(QuietHandler, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def base_url(server):
    return f"http://127.0.0.1:{server.server_address[1]}/index.html"


def wait_for_title(page, prefix, timeout):
    """Waits for a title starting with prefix or for the page's error."""
    return page.wait_for(
        f"document.title.startsWith({prefix!r}) || document.title === 'Error' ? document.title : ''",
        timeout,
        poll=1.0,
    )


def frame_name(seconds):
    return "%.3f" % seconds


def web_frame(page, seconds):
    return base64.b64decode(page.evaluate(f"tessalineFrameBase64({frame_name(seconds)!r})"))


def native_frames(capture, data, times, folder):
    subprocess.run(
        [capture, "--quiet", "--data", data, "--png", folder, "--at", ",".join(map(str, times))],
        check=True,
    )
    return {t: frames.read_png_rgb(os.path.join(folder, frame_name(t) + ".png")) for t in times}


# Chromium's note that a synchronous pixel read waited for the GPU: the
# feedback cubes read the picture back every frame by design.
BENIGN = ("GPU stall due to ReadPixels",)


def bad_messages(page):
    return [
        m
        for m in page.messages
        if m[1] in ("error", "warning") and not any(b in m[2] for b in BENIGN)
    ]


def test_frames(server, natives, work):
    times = [t for t, *_ in FRAME_TOLERANCES]
    with browser.Browser() as page:
        page.navigate(base_url(server) + "?at=" + ",".join(map(str, times)) + ",end")
        started = time.monotonic()
        title = wait_for_title(page, "frame", SHOW_TIMEOUT)
        seconds = time.monotonic() - started
        ended = page.evaluate("'end' in tessalineFrames")
        end = float(title[len("frame ") :]) if title and title.startswith("frame ") else 0.0
        check(
            bool(ended) and end > max(times),
            f"the page plays the whole show to its end on the virtual clock in {seconds:.0f} s "
            f"(title {title!r})",
        )
        for seconds_at, scene, mean_limit, share_limit in FRAME_TOLERANCES:
            picture = web_frame(page, seconds_at)
            if len(picture) != frames.WIDTH * frames.HEIGHT * 3:
                check(False, f"frame at {seconds_at} s ({scene}) is in the page")
                continue
            frames.write_ppm(os.path.join(work, f"web-{frame_name(seconds_at)}.ppm"), picture)
            mean, share = frames.difference(picture, natives[seconds_at])
            check(
                mean <= mean_limit and share <= share_limit,
                f"{scene} at {seconds_at} s: mean difference {mean:.2f} (at most {mean_limit}), "
                f"far pixels {100 * share:.2f} % (at most {100 * share_limit:.1f} %)",
            )
        messages = bad_messages(page)
        check(not messages, f"no console error or warning through the whole show: {messages[:5]}")


def test_omissions(server, natives):
    for omit, seconds, effect in OMISSIONS:
        limits = next((m, s) for t, _, m, s in FRAME_TOLERANCES if t == seconds)
        with browser.Browser() as page:
            page.navigate(base_url(server) + f"?at={seconds}&omit={omit}")
            title = wait_for_title(page, "frame", SHOW_TIMEOUT)
            if title != "frame " + frame_name(seconds):
                check(False, f"?omit={omit}: the page reached {seconds} s (title {title!r})")
                continue
            mean, share = frames.difference(web_frame(page, seconds), natives[seconds])
            check(
                mean > limits[0] or share > limits[1],
                f"without {effect} (?omit={omit}) the frame at {seconds} s is caught: "
                f"mean {mean:.2f}, far pixels {100 * share:.2f} %",
            )


def test_npot_level(site, capture, data, natives, work):
    """The show's data and site with the level's textures made NPOT: the
    page's frame against the native capture of the same data, and the same
    frame without the pictures of NPOT textures."""
    npot_data = os.path.join(work, "data-npot")
    shutil.copytree(data, npot_data)
    os.remove(os.path.join(npot_data, LEVEL))
    npot_level.write_npot_level(os.path.join(data, LEVEL), os.path.join(npot_data, LEVEL))
    copy = os.path.join(work, "site-npot")
    shutil.copytree(site, copy, symlinks=True)
    os.remove(os.path.join(copy, LEVEL))
    shutil.copyfile(os.path.join(npot_data, LEVEL), os.path.join(copy, LEVEL))
    native = native_frames(capture, npot_data, [NPOT_SECONDS], os.path.join(work, "native-npot"))[
        NPOT_SECONDS
    ]
    mean_limit, share_limit = next((m, s) for t, _, m, s in FRAME_TOLERANCES if t == NPOT_SECONDS)
    mean, share = frames.difference(native, natives[NPOT_SECONDS])
    check(
        mean > mean_limit or share > share_limit,
        f"the NPOT textures are in view at {NPOT_SECONDS} s: the native frame moves from the "
        f"show's by mean {mean:.2f}, far pixels {100 * share:.2f} %",
    )
    server = serve(copy)
    try:
        for omit in ("", "npot"):
            query = f"?at={NPOT_SECONDS}" + (f"&omit={omit}" if omit else "")
            with browser.Browser() as page:
                page.navigate(base_url(server) + query)
                title = wait_for_title(page, "frame", SHOW_TIMEOUT)
                if title != "frame " + frame_name(NPOT_SECONDS):
                    check(
                        False,
                        f"NPOT level {query}: the page reached {NPOT_SECONDS} s (title {title!r})",
                    )
                    continue
                picture = web_frame(page, NPOT_SECONDS)
                frames.write_ppm(os.path.join(work, f"web-npot{omit}.ppm"), picture)
                mean, share = frames.difference(picture, native)
                within = mean <= mean_limit and share <= share_limit
                if omit:
                    check(
                        not within,
                        f"without the NPOT textures' pictures (?omit=npot) the level's frame "
                        f"at {NPOT_SECONDS} s is caught: mean {mean:.2f}, "
                        f"far pixels {100 * share:.2f} %",
                    )
                else:
                    check(
                        within,
                        f"the level with NPOT textures at {NPOT_SECONDS} s: mean difference "
                        f"{mean:.2f} (at most {mean_limit}), far pixels {100 * share:.2f} % "
                        f"(at most {100 * share_limit:.1f} %)",
                    )
    finally:
        server.shutdown()


def test_missing_file(site, work):
    """A copy of the site without one texture shows the reader's message."""
    copy = os.path.join(work, "site-without-001H")
    shutil.copytree(site, copy, symlinks=True)
    os.remove(os.path.join(copy, "textures", "001H.tga"))
    server = serve(copy)
    try:
        with browser.Browser() as page:
            page.navigate(base_url(server))
            shown = page.wait_for(
                "document.getElementById('error').classList.contains('hidden') ? ''"
                " : document.getElementById('error').textContent",
                120,
            )
            check(
                shown == "Error opening textures/001H.tga",
                f"a missing data file shows its message in the page: {shown!r}",
            )
    finally:
        server.shutdown()


def mp3_seconds(path):
    result = subprocess.run(
        ["ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", path],
        check=True,
        capture_output=True,
        text=True,
    )
    return float(result.stdout.strip())


def test_audio(server, data):
    length = mp3_seconds(os.path.join(data, "music", "velt2002.mp3"))
    with browser.Browser() as page:
        page.navigate(base_url(server))
        ready = page.wait_for(
            "document.getElementById('status').textContent === 'click to start'", 120
        )
        check(bool(ready), "the page shows 'click to start' and waits for a click")
        page.click(640, 480)
        duration = page.wait_for(
            "(() => { const a = document.getElementById('music');"
            " return a && a.readyState >= 1 ? a.duration : 0; })()",
            60,
        )
        check(
            duration is not None and abs(duration - length) < 0.1,
            f"the audio element holds the soundtrack's full length: {duration} s "
            f"(the file: {length:.3f} s)",
        )
        playing = page.wait_for(
            "(() => { const a = document.getElementById('music');"
            " return a && !a.paused && a.currentTime > 0.2; })()",
            30,
        )
        check(bool(playing), "the music plays after the click")
        page.call(
            "Input.dispatchKeyEvent",
            {"type": "keyDown", "key": "Escape", "code": "Escape", "windowsVirtualKeyCode": 27},
            session=True,
        )
        stopped = page.wait_for("document.getElementById('music').paused", 30)
        check(bool(stopped), "Escape ends the show and its sound")
        messages = bad_messages(page)
        check(not messages, f"no console error or warning while playing: {messages[:5]}")


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 1
    site, capture, data = (os.path.abspath(a) for a in sys.argv[1:])
    work = tempfile.mkdtemp(prefix="tessaline-web-test-")
    server = serve(site)
    try:
        natives = native_frames(
            capture, data, sorted({t for t, *_ in FRAME_TOLERANCES}), os.path.join(work, "native")
        )
        test_missing_file(site, work)
        test_audio(server, data)
        test_omissions(server, natives)
        test_npot_level(site, capture, data, natives, work)
        test_frames(server, natives, work)
    finally:
        server.shutdown()
    if Failures:
        print(f"web tests: {len(Failures)} failed; pictures in {work}")
        return 1
    shutil.rmtree(work, ignore_errors=True)
    print("web tests: all passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
