// The entry's platform services in a web page: the game's window is the
// page's canvas, fitted here to the part of the page the player sees; the
// keys, the touches, the page hidden and shown, the document's focus and the
// full screen come through Emscripten's HTML5 API; the run-time lives until
// the way out ends it. A page has no display to look for, no window to name
// and no swap to unsync. The page's storage reports a save it could not keep
// here too, and the page's own controls (dist/web/phone.js) act through here.
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
#include "sound/sound.h"

namespace {

// The page's canvas (dist/web/index.html), in a box that the page places.
constexpr char canvasElement[] = "#canvas";

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
    // A hidden page may never hear of the fingers it had.
    if (event->hidden) forgetTouches();
    onWindowStatus(event->hidden ? GLUT_HIDDEN : GLUT_VISIBLE);
    return EM_FALSE;
}

// The page lost the focus: no cancel may come for the fingers down.
EM_BOOL onBlur(int, const EmscriptenFocusEvent*, void*) {
    forgetTouches();
    return EM_FALSE;
}

// The gestures' measure of the canvas as fitCanvas last laid it out.
GestureGeometry canvasGeometry{};

TouchPhase touchPhase(int eventType) {
    switch (eventType) {
    case EMSCRIPTEN_EVENT_TOUCHSTART:
        return TouchPhase::Start;
    case EMSCRIPTEN_EVENT_TOUCHMOVE:
        return TouchPhase::Move;
    case EMSCRIPTEN_EVENT_TOUCHEND:
        return TouchPhase::End;
    default:
        return TouchPhase::Cancel;
    }
}

// The page's text input takes the focus: from a tap, which lets a phone
// open its keyboard.
EM_JS(void, focusNameInput, (), { Module.focusNameInput(); });

// The canvas's touches, those the event changed, in CSS pixels from the
// canvas's corner, at the event's own time. The browser does nothing more
// with them: no scrolling, no zoom, no mouse events.
EM_BOOL onCanvasTouch(int eventType, const EmscriptenTouchEvent* event, void*) {
    constexpr int mostTouches = sizeof(EmscriptenTouchEvent::touches) / sizeof(EmscriptenTouchPoint);
    TouchPoint changed[mostTouches];
    int count = 0;
    const int touchCount = std::clamp(event->numTouches, 0, mostTouches);
    for (int i = 0; i < touchCount; ++i) {
        const EmscriptenTouchPoint& touch = event->touches[i];
        if (!touch.isChanged) continue;
        changed[count++] = {touch.identifier, static_cast<float>(touch.targetX), static_cast<float>(touch.targetY)};
    }
    if (onTouch(touchPhase(eventType), changed, count, event->timestamp, canvasGeometry).focusNameInput) {
        focusNameInput();
    }
    return EM_TRUE;
}

// The part of the page the player sees, in CSS pixels: the visual viewport,
// which a phone's on-screen keyboard shrinks, where the browser has one.
// (An EM_JS function is a global of the page: these names must not hide the
// window's own.)
EM_JS(int, seenLeft, (), { return window.visualViewport ? Math.floor(visualViewport.offsetLeft) : 0; });
EM_JS(int, seenTop, (), { return window.visualViewport ? Math.floor(visualViewport.offsetTop) : 0; });
EM_JS(int, seenWidth, (), { return window.visualViewport ? Math.floor(visualViewport.width) : innerWidth; });
EM_JS(int, seenHeight, (), { return window.visualViewport ? Math.floor(visualViewport.height) : innerHeight; });

// Puts the game's box at this place and size, in CSS pixels, and the page's
// buttons in the corners when there is room for them (dist/web/phone.js).
EM_JS(void, placeScreen, (int left, int top, int width, int height, bool buttonsShown),
      { Module.placeScreen(left, top, width, height, !!buttonsShown); });

// The width the page's buttons need beside the canvas: a finger's 44 CSS
// pixels and their margins.
constexpr int buttonRoom = 60;

// The one place that lays out the page: on a screen taller than wide the
// canvas takes the whole of what the player sees, elsewhere it keeps the
// game's 4:3, as large as that allows (the whole screen in full screen), in
// CSS pixels, centred; its drawing buffer as many of the screen's own
// pixels, so that the text stays sharp; then the projection and the glyphs
// follow, and the gestures' measure of the frames they make.
void fitCanvas() {
    const int seenW = seenWidth();
    const int seenH = seenHeight();
    const bool portrait = seenH > seenW;
    const int width = portrait ? seenW : std::min(seenW, seenH * windowWidth / windowHeight);
    const int height = portrait ? seenH : width * windowHeight / windowWidth;
    const double density = emscripten_get_device_pixel_ratio();
    const auto bufferWidth = static_cast<int>(std::lround(width * density));
    const auto bufferHeight = static_cast<int>(std::lround(height * density));
    placeScreen(seenLeft() + (seenW - width) / 2, seenTop() + (seenH - height) / 2, width, height,
                portrait || (seenW - width) / 2 >= buttonRoom);
    emscripten_set_canvas_element_size(canvasElement, bufferWidth, bufferHeight);
    onReshape(bufferWidth, bufferHeight);
    canvasGeometry = gestureGeometry(static_cast<float>(width), static_cast<float>(height));
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

// True on a touch screen whose browser has not yet shown the gestures' hint.
EM_JS(bool, touchHintWanted, (), { return Module.touchHintWanted(); });

// The page follows the game (dist/web/phone.js): its text input while the
// name prompt is open, the screen kept awake while a game runs, the hint's
// flag once it shows, the mute button's label.
EM_JS(void, followPage, (bool naming, bool running, bool hintShown, bool muted),
      { Module.followPage(!!naming, !!running, !!hintShown, !!muted); });

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
    emscripten_set_touchstart_callback(canvasElement, nullptr, EM_FALSE, onCanvasTouch);
    emscripten_set_touchmove_callback(canvasElement, nullptr, EM_FALSE, onCanvasTouch);
    emscripten_set_touchend_callback(canvasElement, nullptr, EM_FALSE, onCanvasTouch);
    emscripten_set_touchcancel_callback(canvasElement, nullptr, EM_FALSE, onCanvasTouch);
    emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onBlur);
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, onVisibilityChange);
    emscripten_set_resize_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onResize);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE,
                                             onFullScreenChange);
    fitCanvas();
    gameState.hintPending = touchHintWanted();
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

void followScreen() {
    const bool running = gameState.mode == ScreenMode::Play && !gameState.paused && errorBoxes.count == 0;
    followPage(enteringName, running, gameState.hintShown, soundMuted());
}

// The page's own controls (dist/web/phone.js). Its mute button mutes as M
// does, also at the name prompt, where M is a letter.
extern "C" EMSCRIPTEN_KEEPALIVE void pressMuteButton() {
    toggleMute();
    wakeGame();
}

// Its full screen button acts as F11.
extern "C" EMSCRIPTEN_KEEPALIVE void pressFullScreenButton() { onSpecialKey(GLUT_KEY_F11, 0, 0); }

// A key typed into its text input (a phone's own keyboard at the name
// prompt): a printable character, Backspace or Enter; any other is ignored.
extern "C" EMSCRIPTEN_KEEPALIVE void typeKey(int code) {
    if ((code >= firstPrintable && code <= lastPrintable) || code == keyBackspace || code == keyEnter) {
        onKeyboard(static_cast<unsigned char>(code), 0, 0);
    }
}

// The part of the page the player sees changed (a phone's keyboard opened or closed).
extern "C" EMSCRIPTEN_KEEPALIVE void refitPage() { fitCanvas(); }
