"""Measures the show's web site in headless Chromium (not a test: it prints).

Usage: web_bench.py SITE [RUNS]

- the site's size: the program, the data loaded before the click and the
  music the audio element streams;
- the time from opening the address to "click to start" (RUNS loads, 3 by
  default: each run's time and the median), on the page's own clock
  (performance.now() from the start of navigation);
- the whole show with real playback after a click: at the end of each scene
  the show's clock and the audio element's position at that pass, and how
  far apart they are; and the most the clock ran ahead of the music at any
  pass.
"""

import os
import statistics
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import browser  # noqa: E402
import web_test  # noqa: E402

SCENES = ["titles", "object", "swirl", "level"]
STATUS_TIMES = (
    "window.statusTimes = [];"
    "new MutationObserver(() => {"
    "  const line = document.getElementById('status');"
    "  if (line) { statusTimes.push([performance.now(), line.textContent]); }"
    "}).observe(document, {subtree: true, childList: true, characterData: true});"
)


def megabytes(size):
    return "%.2f MB" % (size / 1e6)


def report_size(site):
    program = sum(
        os.path.getsize(os.path.join(site, name))
        for name in ("index.html", "page.js", "zip.js", "tessaline.js", "tessaline.wasm")
    )
    data = music = 0
    with open(os.path.join(site, "files.txt")) as listing:
        for line in listing.read().splitlines():
            size, path = line.split(" ", 1)
            if path.endswith(".mp3"):
                music += int(size)
            else:
                data += int(size)
    print(f"site: program {megabytes(program)} (wasm {megabytes(os.path.getsize(os.path.join(site, 'tessaline.wasm')))}),"
          f" data before the click {megabytes(data)}, music {megabytes(music)},"
          f" in all {megabytes(program + data + music)}")


def time_to_start(server, runs):
    times = []
    for _ in range(runs):
        with browser.Browser() as page:
            page.run_on_every_document(STATUS_TIMES)
            page.navigate(web_test.base_url(server))
            page.wait_for("document.getElementById('status').textContent === 'click to start'", 120, poll=0.1)
            seen = page.evaluate("statusTimes.filter((s) => s[1] === 'click to start')[0][0]")
            loaded = page.evaluate("statusTimes.filter((s) => s[1].startsWith('Loading')).pop()[0]")
            times.append((seen / 1000, loaded / 1000))
    for seen, loaded in times:
        print(f"click to start after {seen:.2f} s (files loaded after {loaded:.2f} s)")
    print(f"median: {statistics.median(t[0] for t in times):.2f} s")


def play_show(server):
    with browser.Browser() as page:
        page.navigate(web_test.base_url(server))
        page.wait_for("document.getElementById('status').textContent === 'click to start'", 120)
        page.click(640, 480)
        started = time.monotonic()
        ends = page.wait_for("tessalineSync.ends.length === 4 ? tessalineSync.ends : null", 400, poll=1.0)
        lead, lead_at = page.evaluate("[tessalineSync.largestLead, tessalineSync.largestLeadAt]")
        seconds = time.monotonic() - started
    if not ends:
        print("the show did not end")
        return
    print(f"the show played in {seconds:.1f} s of wall time")
    print("scene    show clock  audio position  difference")
    for end in ends:
        print(f"{SCENES[end['row']]:<8} {end['show']:9.3f} s {end['audio']:13.3f} s"
              f"  {1000 * (end['show'] - end['audio']):7.2f} ms{' (music ended)' if end['free'] else ''}")
    print(f"largest lead of the clock over the music at any pass: {1000 * lead:.2f} ms"
          f" (at {lead_at:.3f} s)")


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__)
        return 1
    site = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) == 3 else 3
    server = web_test.serve(site)
    try:
        report_size(site)
        time_to_start(server, runs)
        play_show(server)
    finally:
        server.shutdown()
    return 0


if __name__ == "__main__":
    sys.exit(main())
