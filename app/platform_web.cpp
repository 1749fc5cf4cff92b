// The entry's platform services in a web page: the game's window is the
// page's canvas, fitted here to the browser's window; the keys, the page
// hidden and shown, the document's focus and the full screen come through
// Emscripten's HTML5 API; the run-time lives until the way out ends it. A
// page has no display to look for, no window to name and no swap to unsync.
// The page's storage reports a save it could not keep here too.
#include <GL/glut.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/app.h"
#include "scores/scores.h"

namespace {

// The page's elements (dist/web/index.html): the canvas, and the box that
// holds it, whose size the page's layout follows.
constexpr char canvasElement[] = "#canvas";
constexpr char screenElement[] = "#screen";

// The printable characters a key may give, as the desktop's GLUT gives them.
constexpr char firstPrintable = ' ';
constexpr char lastPrintable = '~';

// The named keys the game takes, by the browser's names for them: those
// with a character code, and those with a GLUT key code.
struct NamedKey {
    const char* name;
    int code;
};
constexpr NamedKey characterKeys[] = {{"Enter", keyEnter}, {"Backspace", keyBackspace}, {"Escape", keyEscape}};
constexpr NamedKey specialKeys[] = {
    {"ArrowLeft", GLUT_KEY_LEFT}, {"ArrowUp", GLUT_KEY_UP}, {"ArrowRight", GLUT_KEY_RIGHT},
    {"ArrowDown", GLUT_KEY_DOWN}, {"PageUp", GLUT_KEY_PAGE_UP}, {"PageDown", GLUT_KEY_PAGE_DOWN},
    {"Home", GLUT_KEY_HOME}, {"End", GLUT_KEY_END}, {"F11", GLUT_KEY_F11},
};

const NamedKey* findKey(const NamedKey* begin, const NamedKey* end, std::string_view name) {
    const NamedKey* found = std::find_if(begin, end, [name](const NamedKey& key) { return name == key.name; });
    return found == end ? nullptr : found;
}

bool fullScreen() {
    EmscriptenFullscreenChangeEvent status{};
    return emscripten_get_fullscreen_status(&status) == EMSCRIPTEN_RESULT_SUCCESS && status.isFullscreen;
}

// A key the game takes goes to onKeyboard or onSpecialKey, and the browser
// does nothing more with it (the arrows and space never scroll the page).
// The rest stay the browser's: those the game has no use for (F5, F12), any
// with Ctrl, Alt or Meta (Ctrl+R), and Esc in full screen, which leaves it.
EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* event, void*) {
    if (event->ctrlKey || event->altKey || event->metaKey) return EM_FALSE;
    const std::string_view key = event->key;
    if (key.size() == 1 && key[0] >= firstPrintable && key[0] <= lastPrintable) {
        onKeyboard(static_cast<unsigned char>(key[0]), 0, 0);
        return EM_TRUE;
    }
    if (const NamedKey* named = findKey(std::begin(characterKeys), std::end(characterKeys), key)) {
        if (named->code == keyEscape && fullScreen()) return EM_FALSE;
        onKeyboard(static_cast<unsigned char>(named->code), 0, 0);
        return EM_TRUE;
    }
    if (const NamedKey* named = findKey(std::begin(specialKeys), std::end(specialKeys), key)) {
        onSpecialKey(named->code, 0, 0);
        return EM_TRUE;
    }
    return EM_FALSE;
}

EM_BOOL onVisibilityChange(int, const EmscriptenVisibilityChangeEvent* event, void*) {
    onWindowStatus(event->hidden ? GLUT_HIDDEN : GLUT_VISIBLE);
    return EM_FALSE;
}

// The browser window's inner area in CSS pixels. (An EM_JS function is a
// global of the page: these names must not hide the window's own.)
EM_JS(int, pageInnerWidth, (), { return window.innerWidth; });
EM_JS(int, pageInnerHeight, (), { return window.innerHeight; });

// The one place that lays out the page: the canvas at the game's 4:3, as
// large as the browser window's inner area allows (the whole screen in full
// screen), in CSS pixels; its drawing buffer as many of the screen's own
// pixels, so that the text stays sharp; then the projection and the glyphs
// follow the buffer.
void fitCanvas() {
    const int width = std::min(pageInnerWidth(), pageInnerHeight() * windowWidth / windowHeight);
    const int height = width * windowHeight / windowWidth;
    const double density = emscripten_get_device_pixel_ratio();
    const auto bufferWidth = static_cast<int>(std::lround(width * density));
    const auto bufferHeight = static_cast<int>(std::lround(height * density));
    emscripten_set_element_css_size(screenElement, width, height);
    emscripten_set_canvas_element_size(canvasElement, bufferWidth, bufferHeight);
    onReshape(bufferWidth, bufferHeight);
}

EM_BOOL onResize(int, const EmscriptenUiEvent*, void*) {
    fitCanvas();
    return EM_FALSE;
}

EM_BOOL onFullScreenChange(int, const EmscriptenFullscreenChangeEvent*, void*) {
    fitCanvas();
    return EM_FALSE;
}

// 1 while the page shows and its document has the keyboard focus.
EM_JS(int, documentFocused, (), { return !document.hidden && document.hasFocus() ? 1 : 0; });

// The whole page fills the screen, so that its own layout places the canvas there.
EM_JS(void, togglePageFullScreen, (), {
    const refused = () => {};  // a browser that declines leaves the page as it is
    if (document.fullscreenElement) {
        document.exitFullscreen().catch(refused);
    } else {
        document.documentElement.requestFullscreen().catch(refused);
    }
});

// Emscripten ends a program's run-time once no timer is pending, as a page
// that is hidden (or stands still without controllers) has none: only the
// way out ends the game's.
EM_JS(void, keepRunTimeAlive, (), { runtimeKeepalivePush(); });

// A GLUT timer's callback, which ends the run-time as a returning main would:
// atexit's functions (the sound's stop) run, then the page's Module.onExit.
void endNow(int) { emscripten_force_exit(EXIT_SUCCESS); }

}  // namespace

bool displayReachable(int, char**) { return true; }

void prepareProcess() { keepRunTimeAlive(); }

void nameWindow() {}

void turnOffSwapSync() {}

WindowFocus windowFocus() { return documentFocused() != 0 ? WindowFocus::Ours : WindowFocus::Elsewhere; }

void watchWindow() {
    // A phone held upright gets the tall frames: the well across its width.
    windowView.framesTall = true;
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onKeyDown);
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, onVisibilityChange);
    emscripten_set_resize_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onResize);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE,
                                             onFullScreenChange);
    fitCanvas();
    EmscriptenVisibilityChangeEvent visibility{};
    if (emscripten_get_visibility_status(&visibility) == EMSCRIPTEN_RESULT_SUCCESS && visibility.hidden) {
        onWindowStatus(GLUT_HIDDEN);
    }
}

void toggleFullScreen() { togglePageFullScreen(); }

// The browser's event handlers would take the run-time's end for an error.
void endProgram() { glutTimerFunc(0, endNow, 0); }

// The page's storage could not keep a save (dist/web/pre.js calls this with
// the browser's reason): reported as a save that fails on the desktop is, and
// the game woken so that the box shows at once.
extern "C" EMSCRIPTEN_KEEPALIVE void reportStorageFailure(const char* reason) {
    reportError((std::string(scoreFileName) + ": could not store it in the browser: " + reason).c_str());
    wakeGame();
}

void followScreen() {}
