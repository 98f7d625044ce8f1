"""Headless Chromium driven through the DevTools protocol over a pipe.

Chromium's --remote-debugging-pipe reads commands on descriptor 3 and writes
answers and events on descriptor 4, each a JSON text ended by a NUL byte, so
the standard library is all a driver needs. One Browser is one Chromium
process with one page; it records every console message, exception and log
entry of that page.
"""

import json
import os
import shutil
import subprocess
import tempfile
import threading
import time


def find_chromium():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        path = shutil.which(name)
        if path:
            return path
    raise RuntimeError("no Chromium found (scripts/setup.sh installs Debian's chromium)")


class ScriptError(RuntimeError):
    """An expression threw in the page."""


class Browser:
    def __init__(self, width=1280, height=960):
        self.profile = tempfile.mkdtemp(prefix="tessaline-chromium-")
        to_chrome_read, self._to_chrome = os.pipe()
        self._from_chrome, from_chrome_write = os.pipe()

        def place_pipes():
            os.dup2(to_chrome_read, 3)
            os.dup2(from_chrome_write, 4)

        arguments = [
            find_chromium(),
            "--headless",
            "--remote-debugging-pipe",
            "--no-sandbox",
            "--use-angle=swiftshader",
            "--enable-unsafe-swiftshader",
            "--ignore-gpu-blocklist",
            "--mute-audio",
            "--no-first-run",
            "--no-default-browser-check",
            "--disable-background-timer-throttling",
            "--disable-renderer-backgrounding",
            "--disable-backgrounding-occluded-windows",
            f"--window-size={width},{height}",
            f"--user-data-dir={self.profile}",
            "about:blank",
        ]
        self.process = subprocess.Popen(
            arguments,
            stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
            preexec_fn=place_pipes,
            pass_fds=(3, 4),
        )
        os.close(to_chrome_read)
        os.close(from_chrome_write)
        self._next_id = 0
        self._answers = {}
        self._condition = threading.Condition()
        self.messages = []  # (kind, level, text) of the page
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        self.session = self.call("Target.attachToTarget", {"targetId": target, "flatten": True})[
            "sessionId"
        ]
        for domain in ("Runtime", "Log", "Page"):
            self.call(domain + ".enable", session=True)

    def _read(self):
        buffer = b""
        while True:
            chunk = os.read(self._from_chrome, 1 << 20)
            if not chunk:
                break
            buffer += chunk
            while b"\0" in buffer:
                text, buffer = buffer.split(b"\0", 1)
                self._dispatch(json.loads(text))
        with self._condition:
            self._condition.notify_all()

    def _dispatch(self, message):
        with self._condition:
            if "id" in message:
                self._answers[message["id"]] = message
                self._condition.notify_all()
                return
        method = message.get("method", "")
        params = message.get("params", {})
        if method == "Runtime.consoleAPICalled":
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in params["args"])
            self.messages.append(("console", params["type"], text))
        elif method == "Runtime.exceptionThrown":
            details = params["exceptionDetails"]
            text = details.get("exception", {}).get("description", details.get("text", ""))
            self.messages.append(("exception", "error", text))
        elif method == "Log.entryAdded":
            entry = params["entry"]
            self.messages.append(("log", entry["level"], entry.get("text", "")))

    def call(self, method, params=None, session=False, timeout=60):
        with self._condition:
            self._next_id += 1
            ident = self._next_id
        message = {"id": ident, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = self.session
        os.write(self._to_chrome, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        with self._condition:
            while ident not in self._answers:
                left = deadline - time.monotonic()
                if left <= 0 or self.process.poll() is not None:
                    raise RuntimeError(f"no answer to {method}")
                self._condition.wait(left)
            answer = self._answers.pop(ident)
        if "error" in answer:
            raise RuntimeError(f"{method}: {answer['error']}")
        return answer["result"]

    def navigate(self, url):
        """Opens url and waits until its document is there."""
        self.call("Page.navigate", {"url": url}, session=True)
        self.wait_for(f"location.href === {json.dumps(url)} && document.readyState !== 'loading'", 60)

    def evaluate(self, expression, timeout=60):
        result = self.call(
            "Runtime.evaluate",
            {"expression": expression, "returnByValue": True, "awaitPromise": True},
            session=True,
            timeout=timeout,
        )
        if "exceptionDetails" in result:
            raise ScriptError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

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
                if self.process.poll() is not None:
                    raise
                value = None
            if value:
                return value
            time.sleep(poll)
        return None

    def click(self, x, y):
        for kind in ("mousePressed", "mouseReleased"):
            self.call(
                "Input.dispatchMouseEvent",
                {"type": kind, "x": x, "y": y, "button": "left", "clickCount": 1},
                session=True,
            )

    def run_on_every_document(self, source):
        """Runs the script source in every document the page opens from now
        on, before the document's own scripts."""
        self.call("Page.addScriptToEvaluateOnNewDocument", {"source": source}, session=True)

    def set_input_files(self, selector, paths):
        """Chooses files for the page's <input type=file> found by selector, as
        a person would in the file chooser (the input's change event fires).
        For a folder input (webkitdirectory) give the one folder: Chromium
        lists it after the call returns."""
        root = self.call("DOM.getDocument", {"depth": 0}, session=True)["root"]["nodeId"]
        node = self.call(
            "DOM.querySelector", {"nodeId": root, "selector": selector}, session=True
        )["nodeId"]
        if not node:
            raise ScriptError(f"no element {selector} in the page")
        self.call("DOM.setFileInputFiles", {"files": list(paths), "nodeId": node}, session=True)

    def press_escape(self):
        self.call(
            "Input.dispatchKeyEvent",
            {"type": "keyDown", "key": "Escape", "code": "Escape", "windowsVirtualKeyCode": 27},
            session=True,
        )

    def close(self):
        try:
            self.call("Browser.close", timeout=10)
        except RuntimeError:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self._to_chrome)
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()
