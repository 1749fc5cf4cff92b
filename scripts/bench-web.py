#!/usr/bin/python3
"""Measures the web game in headless Chromium on this machine's software WebGL.

    scripts/bench-web.py [BUILD_WEB [BUILD_LINUX [SHOTS]]]

BUILD_WEB (build-web) holds the site and the tests' page (`cmake --build
build-web` makes both). It prints: the site's files, raw and gzip-compressed;
the time from navigation to the first frame that is not all black, in a
browser already running; per screen, the frames a second the page draws and
the browser's processor time (all its processes, as a share of one core),
beside an empty page that only runs requestAnimationFrame; and the delay from
a key to the frame that shows it. With BUILD_LINUX (build-test, with
libalternating_rand.so) it also puts the menu, a game, the table and an error
box beside the Linux game's, both at 640 x 480 with the tests' rand() and a
request for less motion, and writes both pictures of each to SHOTS (or a
scratch directory it names). The screens are the tests' page's: its rand()
makes the game's pieces known (and keeps the name prompt's cursor shown).
Each count follows a warm-up (BENCH_WARM_UP, 8 s) and lasts BENCH_SECONDS
(5). Not a test: the figures depend on the machine and its load, which it
prints. Run with /usr/bin/python3.
"""
import gzip
import os
import pathlib
import statistics
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True
ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests"))
from selenium.webdriver.common.keys import Keys  # noqa: E402
from web_support import FRAME_COUNTER, Browser, PageServer, Pixels, wait_for  # noqa: E402

SECONDS = float(os.environ.get("BENCH_SECONDS", "5"))
# Before each count: SwiftShader's GPU process keeps working for up to about
# six seconds after a screen's first frames, then rests.
WARM_UP = float(os.environ.get("BENCH_WARM_UP", "8"))
TICKS = os.sysconf("SC_CLK_TCK")
# Run before the page: the time of its first draw (from navigation), and the
# delay from each key to the end of the animation frame that draws it.
DRAW_WATCH = """(() => {
  for (const name of ['drawArrays', 'drawElements']) {
    const draw = WebGLRenderingContext.prototype[name];
    WebGLRenderingContext.prototype[name] = function (...args) {
      if (window.firstDraw === undefined) window.firstDraw = performance.now();
      return draw.apply(this, args);
    };
  }
  window.keyDelays = [];
  addEventListener('keydown', e => { window.keyAt = e.timeStamp; }, true);
  const request = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = callback => request(time => {
    callback(time);
    if (window.keyAt !== undefined) { keyDelays.push(performance.now() - keyAt); window.keyAt = undefined; }
  });
})();"""
EMPTY_PAGE = """<!doctype html><title>rAF</title><link rel="icon" href="data:,">
<script>function frame() { requestAnimationFrame(frame); } requestAnimationFrame(frame);</script>"""


def site_sizes(site):
    print("The site's files, bytes raw and gzip -9:")
    total = [0, 0]
    for path in sorted(site.iterdir()):
        raw = path.read_bytes()
        sizes = (len(raw), len(gzip.compress(raw, 9)))
        total = [t + s for t, s in zip(total, sizes)]
        print(f"  {path.name:26} {sizes[0]:9,} {sizes[1]:9,}")
    print(f"  {'all':26} {total[0]:9,} {total[1]:9,}")


def browser_ticks(b):
    """Processor ticks of chromedriver's descendants: the browser's processes."""
    parents, ticks = {}, {}
    for stat in pathlib.Path("/proc").glob("[0-9]*/stat"):
        try:
            fields = stat.read_text().rsplit(")", 1)[1].split()
        except OSError:
            continue
        pid = int(stat.parent.name)
        parents[pid], ticks[pid] = int(fields[1]), int(fields[11]) + int(fields[12])
    root = b.driver.service.process.pid

    def descends(pid):
        while pid in parents and pid != root:
            pid = parents[pid]
        return pid == root
    return sum(t for pid, t in ticks.items() if pid != root and descends(pid))


def measure(b, name, warm_up=WARM_UP):
    """Frames a second and the browser's share of a core over SECONDS, after warming up."""
    time.sleep(warm_up)
    frames, ticks, start = b.js("return animationFrames;"), browser_ticks(b), time.monotonic()
    time.sleep(SECONDS)
    frames, ticks = b.js("return animationFrames;") - frames, browser_ticks(b) - ticks
    elapsed = time.monotonic() - start
    print(f"  {name:34} {frames / elapsed:6.1f} frames/s {100 * ticks / TICKS / elapsed:6.1f} % of a core")


def first_frames(server):
    times = []
    with Browser() as b:
        b.run_before_load(DRAW_WATCH)
        b.driver.get("about:blank")  # the browser is up before the clock starts
        for _ in range(5):
            b.driver.get(server.url("index.html"))
            times.append(b.wait_for_js("window.firstDraw"))
        b.screenshot(pathlib.Path(tempfile.gettempdir()) / "bench-web-first.png")
    print(f"First frame drawn, from navigation (5 loads, no HTTP cache): median {statistics.median(times):.0f} ms, "
          f"slowest {max(times):.0f} ms")


def screens(page, work):
    print(f"Per screen, over {SECONDS:g} s each (headless Chromium, SwiftShader, 1024 x 768 window):")
    work.mkdir(parents=True, exist_ok=True)
    (work / "empty.html").write_text(EMPTY_PAGE)
    empty = PageServer(work)
    server = PageServer(page)
    with Browser(autoplay=True) as b:
        b.run_before_load(FRAME_COUNTER)
        b.run_before_load(DRAW_WATCH)
        b.driver.get(empty.url("empty.html"))
        measure(b, "empty page, requestAnimationFrame")
        b.driver.get(server.url("index.html"))
        b.wait_for_js("window.firstDraw")
        measure(b, "menu, the wall turning")
        b.press(Keys.ENTER)
        measure(b, "a game, the piece falling")
        b.press("p")
        measure(b, "a paused game")
        b.hide()
        measure(b, "a paused game, the page hidden")
        b.show()
        b.js("keyDelays.length = 0;")
        for key in [Keys.ARROW_LEFT, Keys.ARROW_RIGHT] * 10:
            frames = b.js("return animationFrames;")
            b.press(key)
            wait_for(lambda: b.js(f"return animationFrames > {frames};"), 5, "the key's frame")
        delays = b.js("return keyDelays;")
        # A triple in the bottom row (as tests/web_e2e.py lays it), then Down until the game is over.
        b.press(Keys.ARROW_UP, *[Keys.ARROW_LEFT] * 3, *[Keys.ARROW_DOWN] * 15, "s", *[Keys.ARROW_LEFT] * 2,
                *[Keys.ARROW_DOWN] * 15, Keys.ARROW_LEFT, *[Keys.ARROW_DOWN] * 15)
        wait_for(lambda: any("your score" in text for _, text in b.console()) or b.press(*[Keys.ARROW_DOWN] * 10),
                 30, "the game over")
        measure(b, "the name prompt (the cursor stays)")
        b.press("Bench", Keys.ENTER)
        measure(b, "the table at rest")
        b.driver.execute_async_script("FS.unlink('scores.dat'); FS.mkdir('scores.dat'); "
                                      "FS.syncfs(false, arguments[0]);")
        b.driver.refresh()
        b.wait_for_js("window.firstDraw")
        measure(b, "the menu behind an error box")
    server.stop()
    empty.stop()
    print(f"Key to the end of the frame that shows it, {len(delays)} keys in a paused game: median "
          f"{statistics.median(delays):.1f} ms, slowest {max(delays):.1f} ms")


LINUX_SHOTS = r"""source tests/e2e_support.sh "$1/tessarine3d" "$1"
shots=$2
run() {  # NAME KEYS...: the Linux game with the tests' rand() and less motion, a picture after the keys
  local name=$1; shift
  cp "$BUILD_DIR"/block_*.bmp "$WORK"/ && mkdir -p "$WORK/config/glib-2.0/settings"
  printf '[org/gnome/desktop/interface]\nenable-animations=false\n' >"$WORK/config/glib-2.0/settings/keyfile"
  start_game "$WORK" env GSETTINGS_BACKEND=keyfile XDG_CONFIG_HOME="$WORK/config" SDL_AUDIODRIVER=dummy \
    LD_PRELOAD="$BUILD_DIR/libalternating_rand.so" "$GAME"
  [ $# -gt 0 ] && key "$@"
  sleep 1
  capture "$name" && cp "$WORK/$name.png" "$shots/linux-$name.png"
  key Escape && wait_for_exit
}
run menu
run play Return p Left Left s
run table Down Return
mkdir "$WORK/scores.dat" && run error-box && rmdir "$WORK/scores.dat"
"""


def web_shots(page, shots):
    server = PageServer(page)
    scenes = {"menu": [], "play": [Keys.ENTER, "p", Keys.ARROW_LEFT, Keys.ARROW_LEFT, "s"],
              "table": [Keys.ARROW_DOWN, Keys.ENTER], "error-box": []}
    with Browser() as b:
        b.cdp("Emulation.setEmulatedMedia", features=[{"name": "prefers-reduced-motion", "value": "reduce"}])
        b.cdp("Emulation.setDeviceMetricsOverride", width=640, height=480, deviceScaleFactor=1, mobile=False)
        for name, keys in scenes.items():
            b.driver.get(server.url("index.html"))
            b.wait_for_js("Module.calledRun")
            if name == "error-box":  # a directory where the table's file should be, as on Linux
                b.driver.execute_async_script("FS.mkdir('scores.dat'); FS.syncfs(false, arguments[0]);")
                b.driver.refresh()
                b.wait_for_js("Module.calledRun")
            if keys:
                b.press(*keys)
            time.sleep(1)
            b.screenshot(shots / f"web-{name}.png")
    server.stop()


def beside_linux(page, linux_build, shots):
    subprocess.run([ROOT / "scripts/with-xvfb.sh", "bash", "-c", LINUX_SHOTS, "bench", linux_build, shots],
                   cwd=ROOT, check=True)
    web_shots(page, shots)
    print(f"Each screen beside Linux's (640 x 480, the tests' rand(), less motion; pictures in {shots}):")
    for name in ("menu", "play", "table", "error-box"):
        web, linux = Pixels(shots / f"web-{name}.png"), Pixels(shots / f"linux-{name}.png")
        apart = web.apart(linux)
        lit = sum(1 for i in range(0, len(linux.rgb), 3) if max(linux.rgb[i:i + 3]) > 0)
        print(f"  {name:10} {lit:6} lit pixels on Linux; differing: {sum(d > 0 for d in apart):6} at all, "
              f"{sum(d > 8 for d in apart):5} by more than 8 levels, {sum(d > 32 for d in apart):4} by more "
              f"than 32; the most by {max(apart)}")


def main():
    build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build-web").resolve()
    print(f"Machine: {os.cpu_count()} cores, load average {os.getloadavg()[0]:.2f}; "
          f"{subprocess.run(['/usr/bin/chromium', '--version'], capture_output=True, text=True).stdout.strip()}")
    site_sizes(build / "site")
    first_frames(PageServer(build / "site"))
    with tempfile.TemporaryDirectory() as scratch:
        screens(build / "test-page", pathlib.Path(scratch) / "empty")
    if len(sys.argv) > 2:
        shots = pathlib.Path(sys.argv[3] if len(sys.argv) > 3 else tempfile.mkdtemp(prefix="bench-web-"))
        shots.mkdir(parents=True, exist_ok=True)
        beside_linux(build / "test-page", pathlib.Path(sys.argv[2]).resolve(), shots.resolve())


if __name__ == "__main__":
    main()
