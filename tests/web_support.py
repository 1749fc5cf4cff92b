"""What the web game's end-to-end tests share: the built page served on
127.0.0.1, headless Chromium driven by Selenium with the page's console
messages, Chrome DevTools Protocol commands, polling with a deadline and
screenshots of the canvas.

Run the tests with Debian's Python (/usr/bin/python3), which has Debian's
Selenium.
"""

import functools
import http.server
import shutil
import subprocess
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By

# Headless Chromium with WebGL on SwiftShader, Chromium's software renderer
# (there is no GPU), and nothing that reaches for the network.
CHROMIUM_FLAGS = [
    "--headless=new",
    "--use-angle=swiftshader",
    "--enable-unsafe-swiftshader",
    "--no-sandbox",  # Chromium's sandbox does not start as root, as CI runs
    "--no-first-run",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
    "--window-size=1024,768",
]
# Lets a page start Web Audio without a user gesture first.
AUTOPLAY_FLAG = "--autoplay-policy=no-user-gesture-required"
# The window is 1024 x 768 so that a 640 x 480 canvas fits the viewport
# (headless Chromium keeps 143 pixels of the window's height for itself).

# Run before the page's own scripts (Browser.run_before_load): every
# AudioContext's output passes through a ScriptProcessor that copies it on and
# records in window.audioTap the loudest sample so far (peak, 0 to 1), the
# frames heard and the contexts (whose .state says "suspended" or "running").
# A test resets audioTap.peak to 0 to measure from then on.
AUDIO_TAP = """(() => {
  const tap = window.audioTap = { peak: 0, frames: 0, contexts: [] };
  const connect = AudioNode.prototype.connect;
  AudioNode.prototype.connect = function (target, ...rest) {
    if (!(target instanceof AudioDestinationNode)) return connect.call(this, target, ...rest);
    const context = target.context;
    if (!context.tapNode) {
      context.tapNode = context.createScriptProcessor(1024, 2, 2);
      context.tapNode.onaudioprocess = event => {
        for (let c = 0; c < event.inputBuffer.numberOfChannels; ++c) {
          const input = event.inputBuffer.getChannelData(c);
          event.outputBuffer.getChannelData(c).set(input);
          for (let i = 0; i < input.length; ++i) tap.peak = Math.max(tap.peak, Math.abs(input[i]));
        }
        tap.frames += event.inputBuffer.length;
      };
      connect.call(context.tapNode, target);
      tap.contexts.push(context);
    }
    return connect.call(this, context.tapNode, ...rest);
  };
})();"""

# Run before the page's own scripts: one game controller with the browser's
# standard mapping, which the test plugs in and plays through window.testPad:
# connect(), disconnect(), press(button, down) with the standard button
# numbers (0 A, 1 B, 9 Start, 12 to 15 up, down, left, right), axis(index,
# value). SDL opens the controller on its next poll after connect() and
# takes what is held then as the resting state, with no event: a test presses
# after the game has seen the controller. It takes an axis's first change as
# the axis's rest too: a test moves it once before the move it counts.
TEST_PAD = """(() => {
  const pad = { id: "Test Pad (STANDARD GAMEPAD Vendor: 1234 Product: 5678)", index: 0, connected: false,
                mapping: "standard", timestamp: 0, axes: [0, 0, 0, 0],
                buttons: Array.from({ length: 17 }, () => ({ pressed: false, touched: false, value: 0 })) };
  navigator.getGamepads = () => [pad.connected ? pad : null, null, null, null];
  const announce = type => {
    const event = new Event(type);
    Object.defineProperty(event, "gamepad", { value: pad });
    window.dispatchEvent(event);
  };
  const changed = () => { pad.timestamp = performance.now(); };
  window.testPad = {
    connect() { pad.connected = true; changed(); announce("gamepadconnected"); },
    disconnect() { pad.connected = false; changed(); announce("gamepaddisconnected"); },
    press(button, down) { pad.buttons[button] = { pressed: down, touched: down, value: down ? 1 : 0 }; changed(); },
    axis(index, value) { pad.axes[index] = value; changed(); },
  };
})();"""


# Run before the page's own scripts: window.animationFrames counts the
# animation frames the page asked for and got; the game asks for one only
# to draw a frame.
FRAME_COUNTER = """(() => {
  const request = window.requestAnimationFrame.bind(window);
  window.animationFrames = 0;
  window.requestAnimationFrame = callback => request(time => { window.animationFrames += 1; callback(time); });
})();"""


class _QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript"}

    def end_headers(self):
        # Every load reads the files as they are now: a test that rebuilds or
        # reloads never gets a stale copy from the browser's HTTP cache.
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def log_message(self, *args):
        pass


class PageServer:
    """Serves a directory on 127.0.0.1 at a free port. stop() and start()
    again keep the port, so the page's origin (its storage, its service
    worker) stays the same across a restart."""

    def __init__(self, directory):
        self.directory = str(directory)
        self.port = 0
        self._server = None
        self.start()

    def start(self):
        handler = functools.partial(_QuietHandler, directory=self.directory)
        self._server = http.server.ThreadingHTTPServer(("127.0.0.1", self.port), handler)
        self.port = self._server.server_address[1]
        threading.Thread(target=self._server.serve_forever, daemon=True).start()

    def stop(self):
        if self._server is not None:
            self._server.shutdown()
            self._server.server_close()
            self._server = None

    def url(self, path=""):
        return f"http://127.0.0.1:{self.port}/{path}"


class Browser:
    """Headless Chromium under chromedriver, with a fresh profile unless one is
    given (a profile given is kept: a second Browser on it sees the first's
    storage). Console messages are gathered as (level, text), level being
    Chromium's: "DEBUG", "INFO", "WARNING" or "SEVERE"."""

    def __init__(self, profile=None, autoplay=False, extra_flags=()):
        self._own_profile = profile is None
        self.profile = tempfile.mkdtemp(prefix="chromium-profile-") if profile is None else str(profile)
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in CHROMIUM_FLAGS + ([AUTOPLAY_FLAG] if autoplay else []) + list(extra_flags):
            options.add_argument(flag)
        options.add_argument(f"--user-data-dir={self.profile}")
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        try:
            self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        except Exception:
            self._remove_profile()
            raise
        self.messages = []

    def _remove_profile(self):
        if self._own_profile:
            shutil.rmtree(self.profile, ignore_errors=True)

    def close(self):
        self.driver.quit()
        self._remove_profile()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def console(self):
        """Every console message so far, oldest first."""
        for entry in self.driver.get_log("browser"):
            self.messages.append((entry["level"], entry["message"]))
        return self.messages

    def cdp(self, command, **params):
        """Runs a DevTools Protocol command on the page and returns its result."""
        return self.driver.execute_cdp_cmd(command, params)

    def run_before_load(self, script):
        """Runs script in every document this tab loads from now on, before the
        page's own scripts."""
        return self.cdp("Page.addScriptToEvaluateOnNewDocument", source=script)["identifier"]

    def js(self, script, *args):
        """Evaluates script as a function body in the page; returns its value."""
        return self.driver.execute_script(script, *args)

    def wait_for(self, condition, timeout=20, what="the condition"):
        """Polls condition() until it gives something true and returns that;
        fails after timeout seconds."""
        return wait_for(condition, timeout, what)

    def wait_for_js(self, expression, timeout=20):
        """Waits until a JavaScript expression is true in the page; returns its value."""
        return wait_for(lambda: self.js(f"return {expression};"), timeout, expression)

    def press(self, *keys):
        """Types keys (strings or selenium's Keys) into the focused page, as a
        player would; the page needs no click first."""
        ActionChains(self.driver).send_keys(*keys).perform()

    def hide(self):
        """Hides the page as a minimised window does: document.hidden becomes
        true, the window loses the focus, animation frames stop."""
        self.driver.minimize_window()

    def show(self):
        """Shows the page again and gives it the focus back."""
        self.driver.set_window_rect(0, 0, 1024, 768)

    def screenshot(self, path, selector="canvas"):
        """Writes a PNG of the element (the canvas unless told) as shown on the page."""
        with open(path, "wb") as file:
            file.write(self.driver.find_element(By.CSS_SELECTOR, selector).screenshot_as_png)

    def canvas_pixels(self, path):
        """Writes the canvas as shown to path, a PNG, and returns its Pixels."""
        self.screenshot(path)
        return Pixels(path)


class Pixels:
    """A PNG's pixels as rows of (red, green, blue), 0 to 255, read through
    ImageMagick's convert."""

    def __init__(self, path):
        size = subprocess.run(["/usr/bin/identify", "-format", "%w %h", path],
                              check=True, capture_output=True, text=True).stdout
        self.width, self.height = map(int, size.split())
        self.rgb = subprocess.run(["/usr/bin/convert", path, "-alpha", "off", "-depth", "8", "rgb:-"],
                                  check=True, capture_output=True).stdout

    def at(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.rgb[i:i + 3])

    def count(self, area, test):
        """The pixels in area, (x, y, width, height) with y down, for which test(r, g, b) holds."""
        x0, y0, w, h = area
        return sum(1 for y in range(y0, y0 + h) for x in range(x0, x0 + w) if test(*self.at(x, y)))

    def apart(self, other):
        """Pixel by pixel, row by row, how far this picture is from another of
        its size: the largest difference of a channel, 0 to 255."""
        return [max(abs(a - b) for a, b in zip(self.rgb[i:i + 3], other.rgb[i:i + 3]))
                for i in range(0, len(self.rgb), 3)]


def wait_for(condition, timeout, what):
    """Polls condition() until it gives something true and returns that;
    raises TimeoutError naming what after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TimeoutError(f"{what}: not within {timeout} s")
        time.sleep(0.05)
