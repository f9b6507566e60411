#!/usr/bin/env python3
"""Loads an HTML page in headless Chromium through the DevTools protocol (over a pipe) and
checks it as a reader's browser would see it.

usage: report_browser.py [--scale S] CHROMIUM PAGE.html SCREENSHOT.png [FIGURE_ID...]

Checks: the page asks for nothing but itself (data: URLs aside), the console shows no
error or warning and no script error is thrown, each figure named (a <figure id=...>) holds
an SVG drawn at least 100 x 100 pixels with its marks, every link to a file leads to one
that exists, and the screenshot of the whole page (1280 pixels wide, times S when given) is
not blank.

Exit status: 0 all good, 1 a check failed (each on standard error), 77 Chromium could not
be started or did not answer (the reason on standard error).
"""
import base64
import json
import os
import select
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import urllib.parse
import zlib

SKIP = 77
TIMEOUT = 60.0


class Browser:
    """Chromium with --remote-debugging-pipe: commands on fd 3, replies and events on fd 4,
    each message a JSON text ended by a NUL byte."""

    def __init__(self, chromium):
        self.profile = tempfile.mkdtemp(prefix="kestrel-chromium-")
        to_child, self.commands = os.pipe()
        self.replies, from_child = os.pipe()
        args = [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                "--disable-background-networking", "--disable-component-update", "--disable-sync",
                "--disable-extensions", "--hide-scrollbars", "--mute-audio", "--remote-debugging-pipe",
                f"--user-data-dir={self.profile}", "about:blank"]

        def child_pipes():
            # Through fresh numbers, so that neither end lands on the other's place.
            reading, writing = os.dup(to_child), os.dup(from_child)
            os.dup2(reading, 3)
            os.dup2(writing, 4)

        # The pipes' own descriptors close on exec; the copies on 3 and 4 stay open.
        self.process = subprocess.Popen(args, close_fds=False, preexec_fn=child_pipes,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        os.close(to_child)
        os.close(from_child)
        self.buffer = b""
        self.next_id = 0
        self.events = []

    def close(self):
        try:
            self.process.terminate()
            self.process.wait(timeout=10)
        except (OSError, subprocess.TimeoutExpired):
            self.process.kill()
        os.close(self.commands)
        os.close(self.replies)
        shutil.rmtree(self.profile, ignore_errors=True)

    def _message(self, deadline):
        while b"\0" not in self.buffer:
            if time.monotonic() > deadline:
                raise TimeoutError("no answer from Chromium")
            ready, _, _ = select.select([self.replies], [], [], 0.5)
            if ready:
                chunk = os.read(self.replies, 1 << 20)
                if not chunk:
                    raise EOFError("Chromium closed its pipe")
                self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def send(self, method, params=None, session=None, timeout=TIMEOUT):
        self.next_id += 1
        command = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            command["sessionId"] = session
        os.write(self.commands, json.dumps(command).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            message = self._message(deadline)
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']}")
                return message.get("result", {})
            self.events.append(message)

    def wait_for(self, method, timeout=TIMEOUT):
        deadline = time.monotonic() + timeout
        for event in self.events:
            if event.get("method") == method:
                return event
        while True:
            message = self._message(deadline)
            self.events.append(message)
            if message.get("method") == method:
                return message


def png_pixels(data):
    """Width, height and the rows of an 8-bit RGB or RGBA PNG, unfiltered."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    at, idat, header = 8, b"", None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    width, height, depth, colour = header[:4]
    if depth != 8 or colour not in (2, 6):
        raise ValueError(f"PNG of depth {depth}, colour type {colour}")
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + ((left + up) >> 1)) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append(bytes(line))
        previous = line
    return width, height, channels, rows


def blank_reason(png):
    """Why a screenshot looks blank, or None: most of it one colour, or few colours at all."""
    width, height, channels, rows = png_pixels(png)
    colours = {}
    for row in rows:
        for x in range(0, width * channels, channels):
            pixel = row[x:x + 3]
            colours[pixel] = colours.get(pixel, 0) + 1
    total = width * height
    top = max(colours.values())
    if len(colours) < 16:
        return f"only {len(colours)} colours"
    if top > 0.97 * total:
        return f"{100 * top / total:.1f}% of the pixels are one colour"
    return None


FIGURES = """(() => Array.from(document.querySelectorAll('figure[id]')).map(f => {
  const svg = f.querySelector('svg');
  const box = svg ? svg.getBoundingClientRect() : {width: 0, height: 0};
  return {id: f.id, width: box.width, height: box.height,
          marks: svg ? svg.querySelectorAll('circle, rect, path, line, polyline, polygon, text, image').length : 0};
}))()"""

LINKS = "Array.from(document.querySelectorAll('a[href]')).map(a => a.href)"


def check_page(browser, page, screenshot, wanted, scale):
    problems = []
    target = browser.send("Target.createTarget", {"url": "about:blank"})["targetId"]
    session = browser.send("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
    for domain in ("Page", "Runtime", "Log", "Network"):
        browser.send(f"{domain}.enable", session=session)
    browser.send("Emulation.setDeviceMetricsOverride",
                 {"width": 1280, "height": 900, "deviceScaleFactor": 1, "mobile": False}, session=session)
    url = "file://" + urllib.parse.quote(os.path.abspath(page))
    browser.events.clear()
    browser.send("Page.navigate", {"url": url}, session=session)
    browser.wait_for("Page.loadEventFired")
    time.sleep(0.3)  # late console messages and requests
    browser.send("Runtime.evaluate", {"expression": "1"}, session=session)
    for event in browser.events:
        method, params = event.get("method"), event.get("params", {})
        if method == "Network.requestWillBeSent":
            asked = params["request"]["url"]
            if asked != url and not asked.startswith("data:"):
                problems.append(f"the page asks for {asked}")
        elif method == "Runtime.consoleAPICalled" and params.get("type") in ("error", "warning", "assert"):
            problems.append(f"console {params['type']}: {params.get('args')}")
        elif method == "Runtime.exceptionThrown":
            problems.append(f"script error: {params.get('exceptionDetails', {}).get('text')}")
        elif method == "Log.entryAdded" and params["entry"].get("level") in ("error", "warning"):
            problems.append(f"console {params['entry']['level']}: {params['entry'].get('text')}")
    figures = browser.send("Runtime.evaluate", {"expression": FIGURES, "returnByValue": True},
                           session=session)["result"]["value"]
    drawn = {f["id"]: f for f in figures}
    for name in wanted:
        f = drawn.get(name)
        if not f:
            problems.append(f"no figure {name}")
        elif f["width"] < 100 or f["height"] < 100 or f["marks"] < 5:
            problems.append(f"figure {name} is empty or tiny: {f}")
    links = browser.send("Runtime.evaluate", {"expression": LINKS, "returnByValue": True},
                         session=session)["result"]["value"]
    for link in links:
        parsed = urllib.parse.urlparse(link)
        if parsed.scheme == "file" and not os.path.exists(urllib.parse.unquote(parsed.path)):
            problems.append(f"a link leads nowhere: {link}")
        elif parsed.scheme not in ("file", ""):
            problems.append(f"a link leaves the files: {link}")
    size = browser.send("Page.getLayoutMetrics", session=session)["cssContentSize"]
    height = max(int(size["height"]), 1)
    shot = browser.send("Page.captureScreenshot",
                        {"format": "png", "captureBeyondViewport": True,
                         "clip": {"x": 0, "y": 0, "width": 1280, "height": height, "scale": scale}}, session=session)
    with open(screenshot, "wb") as out:
        out.write(base64.b64decode(shot["data"]))
    small = browser.send("Page.captureScreenshot",
                         {"format": "png", "captureBeyondViewport": True,
                          "clip": {"x": 0, "y": 0, "width": 1280, "height": height, "scale": 0.125}},
                         session=session)
    reason = blank_reason(base64.b64decode(small["data"]))
    if reason:
        problems.append(f"the screenshot looks blank: {reason}")
    browser.send("Target.closeTarget", {"targetId": target})
    return problems, height


def main():
    args, scale = sys.argv[1:], 1.0
    if args[:1] == ["--scale"] and len(args) > 1:
        scale, args = float(args[1]), args[2:]
    if len(args) < 3:
        sys.exit(__doc__)
    chromium, page, screenshot, wanted = args[0], args[1], args[2], args[3:]
    try:
        browser = Browser(chromium)
    except OSError as e:
        print(f"Chromium cannot start: {e}", file=sys.stderr)
        return SKIP
    try:
        try:
            version = browser.send("Browser.getVersion", timeout=30)
        except (TimeoutError, EOFError, OSError) as e:
            print(f"Chromium does not answer: {e}", file=sys.stderr)
            return SKIP
        problems, height = check_page(browser, page, screenshot, wanted, scale)
    finally:
        browser.close()
    for problem in problems:
        print(f"{page}: {problem}", file=sys.stderr)
    print(f"{page}: {version.get('product')}, {height} px tall, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
