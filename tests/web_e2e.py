#!/usr/bin/python3
"""The web game in headless Chromium, played as a player would, in three scenarios.

The test page (the game with the tests' alternating rand(), so that its pieces
and its wall are known): its menu beside the Linux game's, its sizes, keys and
sound, a controller, full screen, two games played to a name (the first save
refused by the browser, the second kept), the pause of a hidden page, the way
out, and the table read back after the reload. The shipped site: sound only
after the first key without the autoplay flag, its files, the installed app
(its manifest and icons, a start with no network, a new build taking over),
an unreadable store and a browser without WebGL. The test page on a phone,
upright and sideways: played by touch to a name typed on the phone's keyboard.

Usage: tests/web_e2e.py BUILD_WEB BUILD_LINUX (build-web, and the Linux build
with the game and libalternating_rand.so). Run with /usr/bin/python3.
"""
import json
import os
import pathlib
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True
sys.path.insert(0, str(pathlib.Path(__file__).parent))
from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402
from web_support import AUDIO_TAP, FRAME_COUNTER, TEST_PAD, Browser, PageServer, Pixels, wait_for  # noqa: E402

ROOT = pathlib.Path(__file__).resolve().parent.parent
VERSION = re.search(r"project\(Tessarine3D VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text())[1]
WIDTH, HEIGHT = 640, 480
# Where things show on a 640 x 480 canvas, as (x, y, width, height), y down.
TITLE = (225, 44, 120, 22)
SCORE = (430, 6, 100, 22)
PAUSED = (285, 6, 80, 22)
ERROR_BOX = (220, 220, 200, 40)
white = lambda r, g, b: min(r, g, b) > 230  # noqa: E731
# Text in any colour: after the table the text keeps its red (a quirk kept on purpose).
lit = lambda r, g, b: max(r, g, b) > 200  # noqa: E731
box_grey = lambda r, g, b: max(abs(c - 51) for c in (r, g, b)) <= 2  # noqa: E731
MIX_CEILING = 10 ** (-1 / 20)  # -1 dBFS

# Run before the page: window.keyPrevented records, by key, whether the page
# took the last one (read once the event has been through every listener);
# window.wasHidden, whether the page was ever hidden.
PAGE_WATCH = """addEventListener('keydown', e => setTimeout(() => {
  (window.keyPrevented = window.keyPrevented || {})[(e.ctrlKey ? 'Ctrl+' : '') + e.key] = e.defaultPrevented; }));
document.addEventListener('visibilitychange', () => { window.wasHidden = window.wasHidden || document.hidden; });"""
# The stored high score file, or null, straight from IndexedDB.
READ_STORE = """const done = arguments[arguments.length - 1];
const open = indexedDB.open('/save');
open.onerror = () => done(null);
open.onsuccess = () => {
  const get = open.result.transaction('FILE_DATA').objectStore('FILE_DATA').get('/save/scores.dat');
  get.onsuccess = () => { done(get.result ? Array.from(get.result.contents) : null); open.result.close(); };
};"""
# The browser gives up the next transactions that store anything, as it does over the quota.
REFUSE_STORES = """const put = IDBObjectStore.prototype.put;
IDBObjectStore.prototype.put = function (...args) {
  const request = put.apply(this, args);
  this.transaction.abort();
  return request;
};
window.allowStores = () => { IDBObjectStore.prototype.put = put; };"""


# Run before the page: window.wakeLocks holds the wake locks the page got
# (headless Chromium grants them), each with its `released`.
WAKE_LOCK_WATCH = """if (navigator.wakeLock) {
  const request = navigator.wakeLock.request.bind(navigator.wakeLock);
  window.wakeLocks = [];
  navigator.wakeLock.request = type => request(type).then(lock => { wakeLocks.push(lock); return lock; });
}"""
# Pure white: the game's text, which no cube's lit face reaches.
text_white = lambda r, g, b: (r, g, b) == (255, 255, 255)  # noqa: E731
# A block's colour (red, green or blue), not the text, the grey blocks or the black.
saturated = lambda r, g, b: max(r, g, b) - min(r, g, b) > 80  # noqa: E731


def check(condition, what):
    if not condition:
        raise AssertionError(what)


def table_bytes(entries):
    return b"".join(name.encode().ljust(100, b"\0") + struct.pack("<i", score) for name, score in entries)


def insert(table, name, score):
    """The game's insertion: into the last entry, then ten passes of swaps."""
    table[-1] = (name, score)
    for _ in range(10):
        for i in range(10):
            if table[i][1] < table[i + 1][1]:
                table[i], table[i + 1] = table[i + 1], table[i]


def linux_menu(linux_build, path):
    """The Linux game's menu in a private Xvfb, with the same rand() and a desktop asking for less motion."""
    script = r"""source tests/e2e_support.sh "$1/tessarine3d" "$1"
    cp "$BUILD_DIR"/block_*.bmp "$WORK"/ && mkdir -p "$WORK/config/glib-2.0/settings"
    printf '[org/gnome/desktop/interface]\nenable-animations=false\n' >"$WORK/config/glib-2.0/settings/keyfile"
    start_game "$WORK" env GSETTINGS_BACKEND=keyfile XDG_CONFIG_HOME="$WORK/config" SDL_AUDIODRIVER=dummy \
      LD_PRELOAD="$BUILD_DIR/libalternating_rand.so" "$GAME"
    wait_until shows menu "$TITLE_AREA" white 100 || fail "no menu"
    cp "$WORK/menu.png" "$2" && key Escape && wait_for_exit"""
    subprocess.run([ROOT / "scripts/with-xvfb.sh", "bash", "-c", script, "linux_menu", linux_build, path],
                   cwd=ROOT, check=True)
    return Pixels(path)


def compare_with_linux(web, linux):
    """The same scene on both: the text to the pixel; of the cubes, drawn by
    other rasterisers and texture filters, at most 0.1 % of the window's pixels
    more than 32 levels apart in a channel (edges a pixel apart)."""
    apart = web.apart(linux)
    far = sum(d > 32 for d in apart)
    print(f"menu beside Linux's: {sum(d > 0 for d in apart)} pixels differ, {sum(d > 8 for d in apart)} by more "
          f"than 8 levels, {far} by more than 32, the most by {max(apart)}")
    check(far <= WIDTH * HEIGHT // 1000, "the menu is not Linux's")
    x, y, w, h = TITLE
    title = [apart[row * WIDTH + column] for row in range(y, y + h) for column in range(x, x + w)]
    check(max(title) == 0, "the title is not drawn as on Linux")


def listen(b, seconds, *keys):
    """The loudest sample (0 to 1) heard from pressing keys until seconds of sound have been heard."""
    b.js("audioTap.peak = 0; window.listenedFrom = audioTap.frames;")
    if keys:
        b.press(*keys)
    b.wait_for_js(f"audioTap.frames - listenedFrom > {seconds} * audioTap.contexts[0].sampleRate")
    return b.js("return audioTap.peak;")


def frames_in_a_second(b):
    start = b.js("return [animationFrames, performance.now()];")
    b.wait_for_js(f"performance.now() - {start[1]} > 1000")
    return b.js("return animationFrames;") - start[0]


def shows(b, work, area, test, least):
    """Polls the canvas until more than `least` pixels of area pass test."""
    return wait_for(lambda: b.canvas_pixels(work / "shot.png").count(area, test) > least, 10, f"pixels in {area}")


def scores(b):
    return [int(n) for n in re.findall(r"your score: (\d+)", " ".join(text for _, text in b.console()))]


def play_to_a_name(b, work):
    """From a paused game: a fresh piece; three pieces laid in columns 0 to 2
    with their bottom blocks alike (the pieces alternate A B A and B A B; "s"
    makes the second's bottom the first's); then Down until the game is over.
    Returns the score."""
    games = len(scores(b))
    b.press(Keys.ARROW_UP, *[Keys.ARROW_LEFT] * 3, *[Keys.ARROW_DOWN] * 15, "s", *[Keys.ARROW_LEFT] * 2,
            *[Keys.ARROW_DOWN] * 15, Keys.ARROW_LEFT, *[Keys.ARROW_DOWN] * 15)
    wait_for(lambda: len(scores(b)) > games or b.press(*[Keys.ARROW_DOWN] * 10), 30, "the game over")
    score = scores(b)[-1]
    check(score > 0, "the game scored nothing")
    return score


def sizes_and_menu(b, linux_build, work):
    """The canvas at 640 x 480 and at a pixel density of 2, and the menu beside Linux's."""
    check(b.js("return [Module.canvas.width, Module.canvas.height, document.documentElement.scrollWidth, "
               "document.documentElement.scrollHeight];") == [WIDTH, HEIGHT, WIDTH, HEIGHT],
          "a 640 x 480 window gives no 640 x 480 canvas, or scrolls")
    shows(b, work, TITLE, white, 100)
    compare_with_linux(b.canvas_pixels(work / "web-menu.png"), linux_menu(linux_build, work / "linux-menu.png"))
    b.cdp("Emulation.setDeviceMetricsOverride", width=1000, height=600, deviceScaleFactor=2, mobile=False)
    b.wait_for_js("Module.canvas.width == 1600 && Module.canvas.height == 1200 && "
                  "document.getElementById('screen').style.width == '800px'")
    b.cdp("Emulation.setDeviceMetricsOverride", width=WIDTH, height=HEIGHT, deviceScaleFactor=1, mobile=False)
    b.wait_for_js("Module.canvas.width == 640")


def sound_keys_and_full_screen(b):
    """Silence until a key; a key's sound under the mix's ceiling; nothing
    while muted. The page takes the game's keys only. F11 fills the screen at
    4:3; there Esc is the browser's and does not quit; F11 again leaves."""
    check(listen(b, 0.5) == 0, "sound before any key")
    peak = listen(b, 0.3, Keys.ARROW_DOWN)
    check(0 < peak <= MIX_CEILING, f"the menu's sound peaked at {peak}")
    check(listen(b, 0.5, "m", Keys.ARROW_UP, Keys.ARROW_DOWN, Keys.ARROW_UP) == 0, "sound while muted")
    b.press("m", " ")
    ActionChains(b.driver).send_keys(Keys.F5, Keys.F12).key_down(Keys.CONTROL).send_keys("r") \
        .key_up(Keys.CONTROL).perform()
    b.wait_for_js("window.keyPrevented && 'Ctrl+r' in keyPrevented")
    prevented = b.js("return keyPrevented;")
    check(all(prevented[key] == (key in ("ArrowUp", "ArrowDown", "m", " ")) for key in
              ("ArrowUp", "ArrowDown", "m", " ", "F5", "F12", "Ctrl+r")), f"the page's keys: {prevented}")
    b.cdp("Emulation.clearDeviceMetricsOverride")
    b.press(Keys.F11)
    b.wait_for_js("document.fullscreenElement && innerWidth == screen.width && "
                  "Module.canvas.width == Math.min(innerWidth, Math.floor(innerHeight * 4 / 3))")
    b.press(Keys.ESCAPE)
    b.wait_for_js("keyPrevented.Escape === false")
    b.press(Keys.F11)
    b.wait_for_js("!document.fullscreenElement")
    b.cdp("Emulation.setDeviceMetricsOverride", width=WIDTH, height=HEIGHT, deviceScaleFactor=1, mobile=False)
    b.wait_for_js("Module.canvas.width == 640")


def first_game(b, work, table):
    """Started by a controller's A once the game has seen it, played paused
    with keys; the browser refuses its save: the box says why, and the game
    plays on with the table."""
    b.js("testPad.connect();")
    wait_for(lambda: b.js("testPad.press(0, true);") or b.canvas_pixels(work / "play.png").count(SCORE, lit) > 30
             or b.js("testPad.press(0, false);"), 10, "A on the menu to start a game")
    b.js("testPad.press(0, false);")
    b.press("p")
    shows(b, work, PAUSED, lit, 100)
    check(frames_in_a_second(b) == 0, "a paused game draws")
    score = play_to_a_name(b, work)
    b.js(REFUSE_STORES)
    b.press("Webx", Keys.BACKSPACE, "!", Keys.ENTER)
    shows(b, work, ERROR_BOX, box_grey, 4000)
    insert(table, "Web!", score)
    b.js("allowStores();")
    b.press(Keys.ENTER)
    wait_for(lambda: b.canvas_pixels(work / "table.png").count(ERROR_BOX, box_grey) == 0, 10, "the box gone")


def second_game(b, work, table):
    """Running until another tab hides the page, which pauses it; played to a
    name, kept in IndexedDB, and Esc at once: the program ends, its sound too."""
    b.press(Keys.ENTER, Keys.ENTER, "p")
    wait_for(lambda: b.canvas_pixels(work / "running.png").count(PAUSED, lit) == 0, 10, "game 2 running")
    game = b.driver.current_window_handle
    b.driver.switch_to.new_window("tab")
    b.driver.close()
    b.driver.switch_to.window(game)
    check(b.js("return window.wasHidden;"), "the page was never hidden")
    shows(b, work, PAUSED, lit, 100)
    check(frames_in_a_second(b) == 0, "a game paused by a hidden page draws")
    score = play_to_a_name(b, work)
    b.press("Tab", Keys.ENTER, Keys.ESCAPE)
    insert(table, "Tab", score)
    b.wait_for_js("!document.getElementById('ended').hidden && document.getElementById('screen').hidden")
    b.wait_for_js("audioTap.contexts[0].state == 'closed'")
    wait_for(lambda: b.driver.execute_async_script(READ_STORE) == list(table_bytes(table)), 10,
             "the whole table in IndexedDB")


def played_page(build, linux_build, work):
    server = PageServer(build / "test-page")
    table = [("Default User", 0)] * 11
    with Browser(autoplay=True) as b:
        for script in (AUDIO_TAP, TEST_PAD, FRAME_COUNTER, PAGE_WATCH):
            b.run_before_load(script)
        b.cdp("Emulation.setEmulatedMedia", features=[{"name": "prefers-reduced-motion", "value": "reduce"}])
        b.cdp("Emulation.setDeviceMetricsOverride", width=WIDTH, height=HEIGHT, deviceScaleFactor=1, mobile=False)
        b.driver.get(server.url("index.html"))
        b.wait_for_js("window.animationFrames > 0")
        sizes_and_menu(b, linux_build, work)
        sound_keys_and_full_screen(b)
        first_game(b, work, table)
        second_game(b, work, table)
        # Enter starts the game again, which reads the table back from IndexedDB.
        b.press(Keys.ENTER)
        b.wait_for_js("window.animationFrames > 0 && Module.calledRun")
        check(bytes(b.js("return Array.from(FS.readFile('scores.dat'));")) == table_bytes(table),
              "the reloaded page's scores.dat is not the stored table")
        console_clean(b, ["tessarine3d: scores.dat: could not store it in the browser: AbortError: "])
    server.stop()


def console_clean(b, reported, tolerated=()):
    """No errors, no word of GL's emulation: the only warnings are Web Audio's
    deprecation, those tolerated and the game's reports, each of which is there."""
    messages = b.console()
    for level, text in messages:
        expected = any(r in text for r in ("ScriptProcessorNode is deprecated", *tolerated, *reported))
        check(level not in ("SEVERE", "WARNING") or (level == "WARNING" and expected), f"console: {level} {text}")
    for report in reported:
        check(any(report in text for _, text in messages), f"not reported: {report}")


class Fingers:
    """Touches sent through DevTools with time stamps of their own (seconds
    since the epoch, as Chromium takes them), spaced as a hand moves however
    loaded the machine is: a slow drag stays a drag."""

    def __init__(self, b):
        self.b = b
        self.t = time.time()

    def send(self, kind, points, after):
        self.t += after
        self.b.cdp("Input.dispatchTouchEvent", type=kind, timestamp=self.t,
                   touchPoints=[{"x": x, "y": y, "id": i} for i, (x, y) in enumerate(points)])

    def tap(self, *points):
        """One finger, or several set down together."""
        self.t = max(self.t + 0.3, time.time())
        self.send("touchStart", points, 0)
        self.send("touchEnd", [], 0.06)

    def drag(self, start, end, seconds, steps=10):
        self.t = max(self.t + 0.3, time.time())
        self.send("touchStart", [start], 0)
        for i in range(1, steps + 1):
            self.send("touchMove", [tuple(a + (b - a) * i / steps for a, b in zip(start, end))], seconds / steps)
        self.send("touchEnd", [], 0.02)


def text_bands(pixels):
    """The bands of rows, (top, bottom), that hold the game's text, top first."""
    bands, top = [], None
    for y in range(pixels.height + 1):
        lit_row = y < pixels.height and any(text_white(*pixels.at(x, y)) for x in range(pixels.width))
        if lit_row and top is None:
            top = y
        elif not lit_row and top is not None:
            bands.append((top, y))
            top = None
    return bands


def block_pixels(pixels):
    """How many pixels show blocks, the mean column of them and their lowest row."""
    count = total = lowest = 0
    for y in range(pixels.height):
        for x in range(pixels.width):
            if saturated(*pixels.at(x, y)):
                count, total, lowest = count + 1, total + x, y
    return count, total / max(count, 1), lowest


def touch_game(b, fingers, canvas, work):
    """Two fingers pause, and let the screen dim; a tap cycles the kinds; a drag of three columns'
    width (a column's, as Right moves the piece) moves it three columns, and
    the page holds still; a flick down lands it."""
    left, top, w, h = canvas
    pixels = b.canvas_pixels(work / "shot.png")
    score_top, score_bottom = text_bands(pixels)[0]
    score_line = (0, score_top, int(w), score_bottom - score_top)
    unpaused = pixels.count(score_line, text_white)
    fingers.tap((left + w / 3, top + h / 2), (left + 2 * w / 3, top + h / 2))
    wait_for(lambda: b.canvas_pixels(work / "shot.png").count(score_line, text_white) > unpaused + 50, 10,
             "Paused after a two-finger tap")
    b.wait_for_js("wakeLocks.length == 1 && wakeLocks[0].released")
    paused = b.canvas_pixels(work / "shot.png")
    fingers.tap((left + w / 2, top + h / 2))
    wait_for(lambda: b.canvas_pixels(work / "shot.png").rgb != paused.rgb, 10, "the kinds cycled by a tap")
    _, x0, _ = block_pixels(Pixels(work / "shot.png"))
    b.press(Keys.ARROW_RIGHT)
    column = wait_for(lambda: block_pixels(b.canvas_pixels(work / "shot.png"))[1] - x0, 10, "Right")
    b.press(Keys.ARROW_LEFT)
    columns_moved = lambda: (block_pixels(b.canvas_pixels(work / "shot.png"))[1] - x0) / column  # noqa: E731
    wait_for(lambda: columns_moved() == 0, 10, "Left")
    fingers.drag((left + w / 4, top + h / 2), (left + w / 4 + 3.5 * column, top + h / 2), 0.6)
    wait_for(lambda: abs(columns_moved() - 3) < 0.25, 10, "the piece three columns on after a drag of three")
    check(b.js("return [scrollY, visualViewport.scale];") == [0, 1], "the page scrolled or zoomed under a drag")
    _, _, lowest = block_pixels(Pixels(work / "shot.png"))
    fingers.drag((left + w / 2, top + h / 3), (left + w / 2, top + h / 3 + 150), 0.06, steps=3)
    wait_for(lambda: block_pixels(b.canvas_pixels(work / "shot.png"))[2] > lowest + h / 4, 10, "a flick's landing")


def touch_name(b, fingers, canvas, shot):
    """The prompt asks for a tap, which focuses the input; the mute button
    mutes and leaves it the focus; the keyboard's text reaches the name once
    (a real key's Backspace too, é not at all), and Done enters it. Returns
    the name."""
    left, top, w, h = canvas
    b.wait_for_js("!document.getElementById('tap-to-type').hidden")
    shot("name")
    fingers.tap((left + w / 2, top + h / 2))
    b.wait_for_js("document.getElementById('tap-to-type').hidden && "
                  "document.activeElement == document.getElementById('name-input')")
    mute = b.js("const r = document.getElementById('mute').getBoundingClientRect(); return [r.x, r.y, r.width];")
    fingers.tap((mute[0] + mute[2] / 2, mute[1] + mute[2] / 2))
    b.wait_for_js("document.getElementById('mute').getAttribute('aria-pressed') == 'true'")
    b.cdp("Input.insertText", text="Tapx")
    b.press(Keys.BACKSPACE)
    b.cdp("Input.insertText", text="!\u00e9")
    shot("typed")
    b.js("document.getElementById('name-form').requestSubmit();")
    b.wait_for_js("document.getElementById('name-input').hidden")
    return "Tap!"


def touch_play(build, work, width, height):
    """A phone held upright or sideways: the canvas fills the screen upright,
    4:3 sideways; a tap on Start starts a game and the sound; the hint's flag
    is kept and the screen kept awake, asked once; the game played by touch
    to a name typed on the phone's keyboard, kept in IndexedDB."""
    shape = "portrait" if height > width else "landscape"
    server = PageServer(build / "test-page")
    table = [("Default User", 0)] * 11
    with Browser() as b:
        shot = lambda screen: b.driver.save_screenshot(str(work / f"{shape}-{screen}.png"))  # noqa: E731
        for script in (AUDIO_TAP, FRAME_COUNTER, WAKE_LOCK_WATCH):
            b.run_before_load(script)
        b.cdp("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=1, mobile=True)
        b.cdp("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)
        b.driver.get(server.url("index.html"))
        b.wait_for_js("window.animationFrames > 0")
        canvas = b.js("const r = Module.canvas.getBoundingClientRect(); return [r.left, r.top, r.width, r.height];")
        check(canvas == ([0, 0, width, height] if shape == "portrait" else
                         [(width - height * 4 // 3) // 2, 0, height * 4 // 3, height]),
              f"the canvas at {canvas} in {width} x {height}")
        left, top, w, h = canvas
        fingers = Fingers(b)
        shot("menu")
        start = text_bands(b.canvas_pixels(work / "shot.png"))[1]  # the title, then Start
        fingers.tap((left + w / 2, top + sum(start) / 2))
        b.wait_for_js("audioTap.contexts[0].state == 'running'")
        b.wait_for_js("localStorage.getItem('tessarine3d.touchHintShown') == '1' && wakeLocks.length == 1")
        shot("play")
        touch_game(b, fingers, canvas, work)
        shot("landed")
        score = play_to_a_name(b, work)
        insert(table, touch_name(b, fingers, canvas, shot), score)
        wait_for(lambda: b.driver.execute_async_script(READ_STORE) == list(table_bytes(table)), 10,
                 "the name typed on the phone's keyboard in IndexedDB")
        shot("table")
        console_clean(b, [], ["The AudioContext was not allowed to start"])
    server.stop()


# The service worker's caches, and the addresses the first one holds.
CACHED = """caches.keys().then(names => caches.open(names.find(name => name.startsWith('tessarine3d-')))
  .then(cache => cache.keys()).then(requests => arguments[0]([names, requests.map(r => r.url)])));"""
WAITING_WORKER = "navigator.serviceWorker.getRegistration().then(r => arguments[0](r.waiting && r.waiting.state));"


def manifest_and_icons(b, site):
    """The manifest as Chromium reads it, and its icons: PNGs of their stated
    sizes; Chromium finds nothing that stops the page being installed."""
    check(b.cdp("Page.getInstallabilityErrors")["installabilityErrors"] == [], "the page cannot be installed")
    manifest = b.cdp("Page.getAppManifest")
    check(manifest["errors"] == [], f"the manifest: {manifest['errors']}")
    fields = json.loads(manifest["data"])
    check({key: fields.get(key) for key in ("name", "start_url", "display", "background_color")} ==
          {"name": "Tessarine 3D", "start_url": ".", "display": "standalone", "background_color": "#000000"},
          "the manifest's fields")
    check(sorted(icon["purpose"] for icon in fields["icons"]) == ["any", "any", "maskable"], "the icons' purposes")
    for icon in fields["icons"]:
        kind = subprocess.run(["/usr/bin/identify", "-format", "%m %wx%h", site / icon["src"]],
                              check=True, capture_output=True, text=True).stdout
        check(kind == "PNG " + icon["sizes"], f"{icon['src']} is {kind}")


def offline_app(b, server, site, work):
    """After one visit the worker controls the page and has cached every file
    of the site, in a cache named by the version; the game starts with the
    server stopped, its stored table unchanged. A new build served: the next
    start with the network installs it, the start after runs it, whose cache
    is then the game's only one."""
    manifest_and_icons(b, site)
    b.cdp("Emulation.setDeviceMetricsOverride", width=WIDTH, height=HEIGHT, deviceScaleFactor=1, mobile=False)
    table = table_bytes([("Offline", 42)] + [("Default User", 0)] * 10)
    b.js(f"FS.writeFile('scores.dat', new Uint8Array({list(table)})); Module.storeSavedFiles();")
    wait_for(lambda: b.driver.execute_async_script(READ_STORE) == list(table), 10, "the table stored")
    wait_for(lambda: b.js("return !!navigator.serviceWorker.controller;") or b.driver.refresh(), 20,
             "a page the service worker controls")
    names, urls = b.driver.execute_async_script(CACHED)
    check(len(names) == 1 and re.fullmatch(rf"tessarine3d-{re.escape(VERSION)}-[0-9a-f]{{12}}", names[0]),
          f"the caches: {names}")
    files = {server.url(path.name) for path in site.iterdir() if path.name != "sw.js"} | {server.url()}
    check(sorted(urls) == sorted(files), f"the cache holds {urls}")
    server.stop()
    b.driver.refresh()
    shows(b, work, TITLE, white, 100)
    check(bytes(b.js("return Array.from(FS.readFile('scores.dat'));")) == table, "the table read offline")

    server.start()
    (site / "sw.js").write_text((site / "sw.js").read_text().replace(names[0].split("-", 1)[1], "next"))
    (site / "index.html").write_text((site / "index.html").read_text().replace("<title>", "<title>Next "))
    b.driver.execute_async_script("caches.open('another').then(() => arguments[0]());")
    b.driver.refresh()
    wait_for(lambda: b.driver.execute_async_script(WAITING_WORKER) == "installed", 20, "the next build installed")
    check(b.driver.title == "Tessarine 3D", "the next build ran before its worker took over")
    b.driver.refresh()
    b.wait_for_js("window.animationFrames > 0")
    check(b.driver.title == "Next Tessarine 3D", "the next build did not take over")
    check(sorted(b.driver.execute_async_script(CACHED)[0]) == ["another", "tessarine3d-next"], "the old cache kept")
    check(b.driver.execute_async_script(READ_STORE) == list(table), "the table changed by an update")
    b.cdp("Emulation.clearDeviceMetricsOverride")


def shipped_site(build, work):
    # The site as scripts/package-web.sh's zip holds it, which a new build then replaces in part.
    site = work / f"tessarine3d-{VERSION}-web"
    shutil.rmtree(site, ignore_errors=True)
    shutil.unpack_archive(build / f"{site.name}.zip", work)
    server = PageServer(site)
    with Browser() as b:
        b.run_before_load(AUDIO_TAP)
        b.run_before_load(FRAME_COUNTER)
        b.driver.get(server.url("index.html"))
        b.wait_for_js("window.animationFrames > 0")
        # The service worker's own download of the site done: under load it can starve the sound's start.
        b.driver.execute_async_script("navigator.serviceWorker.ready.then(() => arguments[0]());")
        check(b.driver.title == "Tessarine 3D", "the page's title")
        check(b.js("return audioTap.contexts[0].state;") == "suspended", "sound before a key without autoplay")
        # The first key starts the sound; the browser may drop what comes out while its output starts.
        b.press(Keys.ARROW_DOWN)
        b.wait_for_js("audioTap.contexts[0].state == 'running'")
        check(listen(b, 0.3, Keys.ARROW_UP) > 0, "no sound after the first key")
        for name in ("tessarine3d.svg", "tessarine3d-32.png", "LICENSE.txt", "THIRD-PARTY-NOTICES.txt"):
            check(b.driver.execute_async_script(f"fetch('{name}').then(r => arguments[0](r.ok));"), f"no {name}")
        offline_app(b, server, site, work)

        # A browser that refuses IndexedDB: the table starts from the defaults, and a box says why.
        refusal = b.run_before_load("indexedDB.open = () => { throw new DOMException('refused by the test', "
                                    "'SecurityError'); };")
        b.driver.refresh()
        shows(b, work, ERROR_BOX, box_grey, 4000)
        b.press(Keys.ENTER)
        wait_for(lambda: b.canvas_pixels(work / "unboxed.png").count(ERROR_BOX, box_grey) == 0, 10, "the box gone")
        b.cdp("Page.removeScriptToEvaluateOnNewDocument", identifier=refusal)
        console_clean(b, ["tessarine3d: scores.dat cannot be read: SecurityError: refused by the test; "
                          "the high scores start from the defaults."])

        # Without WebGL the page says so in one sentence, and loads no program.
        b.run_before_load("HTMLCanvasElement.prototype.getContext = () => null;")
        b.driver.refresh()
        b.wait_for_js("!document.getElementById('no-webgl').hidden && document.getElementById('progress').hidden")
        check(b.js("return typeof Module;") == "undefined", "a program loaded without WebGL")
    server.stop()


def main():
    build, linux_build = (pathlib.Path(arg).resolve() for arg in sys.argv[1:3])
    # The screenshots go to a scratch directory, or to E2E_SHOTS when that is set.
    with tempfile.TemporaryDirectory() as scratch:
        work = pathlib.Path(os.environ.get("E2E_SHOTS") or scratch)
        played_page(build, linux_build, work)
        shipped_site(build, work)
        for width, height in ((390, 844), (844, 390)):
            touch_play(build, work, width, height)
    print("web e2e: ok")


if __name__ == "__main__":
    main()
