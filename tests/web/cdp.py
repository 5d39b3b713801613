"""A headless Chromium driven over the DevTools protocol, with nothing but Python's standard
library: a minimal WebSocket client (RFC 6455, text frames, client side) and the few protocol
calls the web view's tests need: open a page in a tab of a given size, evaluate an expression,
wait until one holds, take a screenshot.

The browser gets a profile of its own in a temporary directory and picks its debugging port
itself (--remote-debugging-port=0); the port and the browser's endpoint are read back from the
DevToolsActivePort file it writes there.
"""

import base64
import json
import os
import shutil
import socket
import struct
import subprocess
import tempfile
import time

CHROMIUM = os.environ.get("CHROMIUM_BIN", "chromium")
FLAGS = ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
         "--no-default-browser-check", "--disable-extensions", "--disable-dev-shm-usage",
         "--hide-scrollbars", "--mute-audio", "--disable-background-networking",
         # Every tab is watched: none may have its timers or rendering slowed as a background tab.
         "--disable-background-timer-throttling", "--disable-renderer-backgrounding",
         "--disable-backgrounding-occluded-windows")


class CdpError(RuntimeError):
    pass


class WebSocket:
    """One client connection: masked frames out, whole (defragmented) text messages in."""

    def __init__(self, host, port, path, timeout=10.0):
        self.sock = socket.create_connection((host, port), timeout=timeout)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall(("GET %s HTTP/1.1\r\nHost: %s:%d\r\nUpgrade: websocket\r\n"
                           "Connection: Upgrade\r\nSec-WebSocket-Key: %s\r\n"
                           "Sec-WebSocket-Version: 13\r\n\r\n" % (path, host, port, key)).encode())
        head = b""
        while b"\r\n\r\n" not in head:
            chunk = self.sock.recv(4096)
            if not chunk:
                raise CdpError("the browser closed the connection during the handshake")
            head += chunk
        head, self.buf = head.split(b"\r\n\r\n", 1)
        if b" 101 " not in head.split(b"\r\n", 1)[0]:
            raise CdpError("handshake refused: %r" % head[:200])

    def send(self, text):
        payload = text.encode()
        n = len(payload)
        if n < 126:
            header = struct.pack("!BB", 0x81, 0x80 | n)
        elif n < 1 << 16:
            header = struct.pack("!BBH", 0x81, 0x80 | 126, n)
        else:
            header = struct.pack("!BBQ", 0x81, 0x80 | 127, n)
        mask = os.urandom(4)
        masked = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
        self.sock.sendall(header + mask + masked)

    def _read(self, n, deadline):
        while len(self.buf) < n:
            self.sock.settimeout(max(0.01, deadline - time.monotonic()))
            try:
                chunk = self.sock.recv(1 << 16)
            except socket.timeout:
                raise TimeoutError("no message from the browser in time") from None
            if not chunk:
                raise CdpError("the browser closed the connection")
            self.buf += chunk
        data, self.buf = self.buf[:n], self.buf[n:]
        return data

    def receive(self, timeout):
        """The next whole text message; answers pings on the way."""
        deadline = time.monotonic() + timeout
        message = b""
        while True:
            b0, b1 = self._read(2, deadline)
            n = b1 & 0x7F
            if n == 126:
                n = struct.unpack("!H", self._read(2, deadline))[0]
            elif n == 127:
                n = struct.unpack("!Q", self._read(8, deadline))[0]
            mask = self._read(4, deadline) if b1 & 0x80 else None
            payload = self._read(n, deadline)
            if mask:
                payload = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
            opcode = b0 & 0x0F
            if opcode == 0x8:
                raise CdpError("the browser closed the connection")
            if opcode == 0x9:
                self._control(0xA, payload)
                continue
            if opcode in (0x0, 0x1, 0x2):
                message += payload
                if b0 & 0x80:
                    return message.decode()

    def _control(self, opcode, payload):
        mask = os.urandom(4)
        self.sock.sendall(struct.pack("!BB", 0x80 | opcode, 0x80 | len(payload)) + mask +
                          bytes(b ^ mask[i % 4] for i, b in enumerate(payload)))

    def close(self):
        try:
            self._control(0x8, b"")
        except OSError:
            pass
        self.sock.close()


class Browser:
    def __init__(self, log_path=None):
        self.profile = tempfile.mkdtemp(prefix="morvane-chromium-")
        self.log = open(log_path or os.devnull, "wb")
        self.process = subprocess.Popen(
            [CHROMIUM, *FLAGS, "--remote-debugging-port=0", "--user-data-dir=" + self.profile,
             "about:blank"], stdout=self.log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        port, path = self._endpoint(30.0)
        self.ws = WebSocket("127.0.0.1", port, path)
        self.next_id = 0

    def _endpoint(self, timeout):
        active = os.path.join(self.profile, "DevToolsActivePort")
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                raise CdpError("chromium ended with %s" % self.process.returncode)
            try:
                with open(active) as f:
                    lines = f.read().split("\n")
                if len(lines) >= 2 and lines[1]:
                    return int(lines[0]), lines[1]
            except (FileNotFoundError, ValueError):
                pass
            time.sleep(0.05)
        raise CdpError("chromium did not open its debugging port")

    def call(self, method, params=None, session=None, timeout=20.0):
        """Sends a command and returns its result; events that arrive meanwhile are dropped."""
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        self.ws.send(json.dumps(message))
        deadline = time.monotonic() + timeout
        while True:
            reply = json.loads(self.ws.receive(max(0.01, deadline - time.monotonic())))
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise CdpError("%s: %s" % (method, reply["error"]))
                return reply.get("result", {})

    def open(self, url, width=1280, height=720):
        target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = self.call("Target.attachToTarget",
                            {"targetId": target, "flatten": True})["sessionId"]
        page = Page(self, target, session)
        page.call("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})
        page.call("Page.enable")
        page.call("Page.navigate", {"url": url})
        return page

    def close(self):
        try:
            self.call("Browser.close", timeout=5.0)
        except (CdpError, OSError, TimeoutError):
            pass
        self.ws.close()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.log.close()
        shutil.rmtree(self.profile, ignore_errors=True)


class Page:
    def __init__(self, browser, target, session):
        self.browser, self.target, self.session = browser, target, session

    def call(self, method, params=None, timeout=20.0):
        return self.browser.call(method, params, self.session, timeout)

    def evaluate(self, expression):
        """The expression's value (JSON-like), awaited when it is a promise."""
        result = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                "awaitPromise": True})
        if "exceptionDetails" in result:
            raise CdpError("%s: %s" % (expression, result["exceptionDetails"].get("exception", {})
                                       .get("description", result["exceptionDetails"])))
        return result["result"].get("value")

    def wait(self, expression, timeout=10.0, what=None):
        """The expression's first truthy value, polled every 50 ms; TimeoutError when none."""
        deadline = time.monotonic() + timeout
        while True:
            value = self.evaluate(expression)
            if value:
                return value
            if time.monotonic() > deadline:
                raise TimeoutError("no %s within %.1f s" % (what or expression, timeout))
            time.sleep(0.05)

    def screenshot(self, path):
        data = self.call("Page.captureScreenshot", {"format": "png"})["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))

    def close(self):
        self.browser.call("Target.closeTarget", {"targetId": self.target})
