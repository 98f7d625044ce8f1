"""Firefox on its own Xvfb display, driven through WebDriver BiDi.

Debian's Firefox draws WebGL 2 (on Mesa's llvmpipe) only with a display, so
each Firefox here gets a private Xvfb server. Firefox's remote agent listens
on a WebSocket (ws://127.0.0.1:PORT/session, the port Firefox picks and
prints); python3-websockets is the client, on an asyncio loop in a thread of
its own. One Firefox is one Xvfb, one Firefox process with a fresh profile
and one page; it records every console message and script error of that
page, in the shape the Chromium driver (browser.py) records them, and has the
same methods the tests use.
"""

import asyncio
import json
import os
import re
import shutil
import subprocess
import tempfile
import threading
import time

import websockets.client

from browser import ScriptError

# A fresh profile that starts straight on the page, asks nothing, calls no
# Mozilla service, keeps WebGL on the software driver, lets the page play its
# music, and does not slow a page that keeps the processor busy.
PREFERENCES = {
    "browser.shell.checkDefaultBrowser": False,
    "browser.startup.page": 0,
    "browser.startup.homepage": "about:blank",
    "browser.startup.homepage_override.mstone": "ignore",
    "startup.homepage_welcome_url": "about:blank",
    "startup.homepage_welcome_url.additional": "",
    "browser.aboutwelcome.enabled": False,
    "browser.newtabpage.enabled": False,
    "browser.tabs.warnOnClose": False,
    "browser.warnOnQuit": False,
    "browser.sessionstore.resume_from_crash": False,
    "toolkit.startup.max_resumed_crashes": -1,
    "datareporting.policy.dataSubmissionEnabled": False,
    "datareporting.healthreport.uploadEnabled": False,
    "toolkit.telemetry.reportingpolicy.firstRun": False,
    "toolkit.telemetry.enabled": False,
    "app.update.disabledForTesting": True,
    "app.update.auto": False,
    "app.normandy.enabled": False,
    "extensions.update.enabled": False,
    "extensions.getAddons.cache.enabled": False,
    "browser.safebrowsing.malware.enabled": False,
    "browser.safebrowsing.phishing.enabled": False,
    "browser.safebrowsing.downloads.enabled": False,
    "network.captive-portal-service.enabled": False,
    "network.connectivity-service.enabled": False,
    "services.settings.server": "",
    "browser.region.network.url": "",
    "browser.search.geoip.url": "",
    "webgl.force-enabled": True,
    "webgl.disable-fail-if-major-performance-caveat": True,
    "media.autoplay.default": 0,
    "media.autoplay.block-webaudio": False,
    "full-screen-api.warning.timeout": 0,
    "full-screen-api.transition-duration.enter": "0 0",
    "full-screen-api.transition-duration.leave": "0 0",
    "dom.max_script_run_time": 0,
    "dom.max_chrome_script_run_time": 0,
    "dom.timeout.enable_budget_timer_throttling": False,
}

# BiDi's key for Escape (WebDriver's key table).
ESCAPE_KEY = "\ue00c"


def find_firefox():
    for name in ("firefox-esr", "firefox"):
        path = shutil.which(name)
        if path:
            return path
    raise RuntimeError("no Firefox found (scripts/setup_web.sh installs Debian's firefox-esr)")


def write_preferences(profile):
    with open(os.path.join(profile, "user.js"), "w") as out:
        for name, value in PREFERENCES.items():
            out.write(f"user_pref({json.dumps(name)}, {json.dumps(value)});\n")


def start_xvfb(width, height):
    """Starts an Xvfb on a free display; returns (process, display name)."""
    read_end, write_end = os.pipe()
    process = subprocess.Popen(
        [
            "Xvfb",
            "-displayfd",
            str(write_end),
            "-screen",
            "0",
            f"{width}x{height}x24",
            "-nolisten",
            "tcp",
        ],
        stdin=subprocess.DEVNULL,
        stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL,
        pass_fds=(write_end,),
    )
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            break
        number += chunk
    os.close(read_end)
    if not number.strip():
        process.kill()
        process.wait()
        raise RuntimeError("Xvfb did not start (scripts/setup.sh installs xvfb)")
    return process, ":" + number.decode().strip()


def remote_value(value):
    """A BiDi remote value as the Python value it serializes."""
    kind = value.get("type")
    if kind in ("undefined", "null"):
        return None
    if kind == "number":
        number = value["value"]
        if isinstance(number, str):
            return {"NaN": float("nan"), "-0": -0.0, "Infinity": float("inf")}.get(
                number, float("-inf")
            )
        return number
    if kind in ("string", "boolean", "bigint"):
        return value["value"]
    if kind in ("array", "set"):
        return [remote_value(v) for v in value.get("value", [])]
    if kind in ("object", "map"):
        return {
            (k if isinstance(k, str) else str(remote_value(k))): remote_value(v)
            for k, v in value.get("value", [])
        }
    return value.get("value")


class Firefox:
    def __init__(self, width=1280, height=960):
        program = find_firefox()
        self.xvfb, display = start_xvfb(width + 320, height + 240)
        self.profile = tempfile.mkdtemp(prefix="tessaline-firefox-")
        write_preferences(self.profile)
        environment = dict(os.environ, DISPLAY=display, MOZ_CRASHREPORTER_DISABLE="1")
        environment.pop("WAYLAND_DISPLAY", None)
        self.process = None
        self.messages = []  # (kind, level, text) of the page
        self._next_id = 0
        self._answers = {}
        self._condition = threading.Condition()
        self._closed = False
        try:
            self._start(program, environment, width, height)
        except BaseException:
            self.close()
            raise

    def _start(self, program, environment, width, height):
        self.process = subprocess.Popen(
            [
                program,
                "--remote-debugging-port=0",
                "--no-remote",
                "--new-instance",
                "--profile",
                self.profile,
                "--width",
                str(width),
                "--height",
                str(height),
                "about:blank",
            ],
            stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL,
            stderr=subprocess.PIPE,
            env=environment,
        )
        address = self._read_address()
        self._loop = asyncio.new_event_loop()
        threading.Thread(target=self._loop.run_forever, daemon=True).start()
        self._socket = self._run(self._connect(address), 30)
        self._reader = asyncio.run_coroutine_threadsafe(self._read(), self._loop)
        self.call("session.new", {"capabilities": {}})
        tree = self.call("browsingContext.getTree", {"maxDepth": 0})
        self.context = tree["contexts"][0]["context"]
        self.call("session.subscribe", {"events": ["log.entryAdded"]})
        self.call(
            "browsingContext.setViewport",
            {"context": self.context, "viewport": {"width": width, "height": height}},
        )

    def _read_address(self, timeout=60):
        """Reads Firefox's error output up to the remote agent's address; a
        thread drains the rest so that Firefox never blocks on it."""
        found = []
        ready = threading.Event()

        def drain():
            for line in self.process.stderr:
                if not found:
                    match = re.search(rb"WebDriver BiDi listening on (ws://\S+)", line)
                    if match:
                        found.append(match.group(1).decode())
                        ready.set()
            ready.set()

        threading.Thread(target=drain, daemon=True).start()
        ready.wait(timeout)
        if not found:
            raise RuntimeError("Firefox's remote agent did not start")
        return found[0] + "/session"

    async def _connect(self, address):
        # Frames come back as one text each (over 1 MB): no size limit.
        return await websockets.client.connect(
            address, max_size=None, ping_interval=None, compression=None
        )

    def _run(self, coroutine, timeout):
        return asyncio.run_coroutine_threadsafe(coroutine, self._loop).result(timeout)

    async def _read(self):
        try:
            async for text in self._socket:
                self._dispatch(json.loads(text))
        except websockets.exceptions.ConnectionClosed:
            pass
        finally:
            with self._condition:
                self._closed = True
                self._condition.notify_all()

    def _dispatch(self, message):
        if message.get("type") in ("success", "error") and "id" in message:
            with self._condition:
                self._answers[message["id"]] = message
                self._condition.notify_all()
            return
        if message.get("method") == "log.entryAdded":
            entry = message["params"]
            # The Chromium driver's names: console "warning", page "exception".
            level = "warning" if entry["level"] == "warn" else entry["level"]
            kind = "exception" if entry["type"] == "javascript" else entry["type"]
            self.messages.append((kind, level, entry.get("text") or ""))

    def call(self, method, params=None, timeout=60):
        with self._condition:
            self._next_id += 1
            ident = self._next_id
        message = json.dumps({"id": ident, "method": method, "params": params or {}})
        try:
            self._run(self._socket.send(message), timeout)
        except (websockets.exceptions.ConnectionClosed, TimeoutError) as error:
            raise RuntimeError(f"{method}: {error!r}") from error
        deadline = time.monotonic() + timeout
        with self._condition:
            while ident not in self._answers:
                left = deadline - time.monotonic()
                if left <= 0 or self._closed or self.process.poll() is not None:
                    raise RuntimeError(f"no answer to {method}")
                self._condition.wait(left)
            answer = self._answers.pop(ident)
        if answer["type"] == "error":
            raise RuntimeError(f"{method}: {answer['error']}: {answer.get('message', '')}")
        return answer["result"]

    def navigate(self, url):
        """Opens url and waits until its document is there."""
        self.call("browsingContext.navigate", {"context": self.context, "url": url, "wait": "none"})
        loaded = f"location.href === {json.dumps(url)} && document.readyState !== 'loading'"
        self.wait_for(loaded, 60)

    def evaluate(self, expression, timeout=60):
        result = self.call(
            "script.evaluate",
            {
                "expression": expression,
                "target": {"context": self.context},
                "awaitPromise": True,
                "resultOwnership": "none",
            },
            timeout=timeout,
        )
        if result["type"] == "exception":
            details = result["exceptionDetails"]
            raise ScriptError(f"{expression}: {details.get('text', details)}")
        return remote_value(result["result"])

    def wait_for(self, expression, timeout, poll=0.25):
        """Polls expression until it is truthy; returns its value, or None.
        An expression that throws (the page is still loading) counts as false."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            try:
                value = self.evaluate(expression)
            except ScriptError:
                value = None
            except RuntimeError:
                # A page busy drawing answers late; a dead browser is an error.
                if self._closed or self.process.poll() is not None:
                    raise
                value = None
            if value:
                return value
            time.sleep(poll)
        return None

    def _perform(self, source):
        self.call("input.performActions", {"context": self.context, "actions": [source]})
        self.call("input.releaseActions", {"context": self.context})

    def click(self, x, y):
        self._perform(
            {
                "type": "pointer",
                "id": "mouse",
                "parameters": {"pointerType": "mouse"},
                "actions": [
                    {"type": "pointerMove", "x": int(x), "y": int(y)},
                    {"type": "pointerDown", "button": 0},
                    {"type": "pointerUp", "button": 0},
                ],
            }
        )

    def press_escape(self):
        self._perform(
            {
                "type": "key",
                "id": "keyboard",
                "actions": [
                    {"type": "keyDown", "value": ESCAPE_KEY},
                    {"type": "keyUp", "value": ESCAPE_KEY},
                ],
            }
        )

    def close(self):
        if hasattr(self, "_socket"):
            try:
                self.call("browser.close", timeout=10)
            except RuntimeError:
                pass
            try:
                self._run(self._socket.close(), 10)
            except Exception:
                pass
        if hasattr(self, "_loop"):
            self._loop.call_soon_threadsafe(self._loop.stop)
        for process in (self.process, self.xvfb):
            if process is None:
                continue
            # Firefox has closed when it answered browser.close.
            if process.poll() is None and (process is self.xvfb or not hasattr(self, "_socket")):
                process.terminate()
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()
