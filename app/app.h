// app/: the program's shell -- the one GameState record, the key map and the
// controller map and touch gestures beside it, the frame loop (what moves by
// the clock, and when a frame is due), the game controllers, the focus
// pause, the desktop's request for less animation, the GLUT callbacks and
// the entry. Owns `gameState`, `errorBoxes`, `windowView`, `pads` and
// `touches`; the other folders include this header to read them and write
// the fields named in theirs.
//
// No frame is drawn unless the picture changed: a GLUT timer wakes the game
// when something falls due (a tick, the menu's next step, a settling board's
// next step, the cursor, a held button's repeat, a look at the controllers
// or the focus, the sound's pause), and keys wake it at once. A still screen
// (paused, an error box, the table at rest) draws no frame; it wakes only to
// look for controllers, 2.5 times a second, or about 60 times with one
// connected. The functions above the platform services need no window:
// they are plain functions over the global state, so tests drive them directly.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstddef>
#include <cstdio>
#include <optional>

#include "game/game.h"

enum class ScreenMode : std::int32_t {
    Menu = 0,        // title menu
    Play = 1,        // the well and the falling piece
    Highscores = 2,  // the table, and the name prompt after a high score
};

// The menu's items, as values of GameState::menuSelection.
constexpr std::int32_t menuStart = 0;
constexpr std::int32_t menuHighscores = 1;
constexpr std::int32_t menuExit = 2;

// Character codes of the keys with a meaning beyond their character.
constexpr unsigned char keyBackspace = 8;
constexpr unsigned char keyEnter = 13;
constexpr unsigned char keyEscape = 27;

// The game's clock, and a wake-up it asks for: nothing when none is wanted.
using Clock = std::chrono::steady_clock;
using Wake = std::optional<Clock::time_point>;

// The drop timing's ticks fall due on a steady clock, one every 50 ms, so the
// fall speed is the game's whatever the frame rate.
constexpr std::chrono::milliseconds tickPeriod{50};
// Every clock of the game (the ticks, the wall's steps, a settling board's)
// takes the steps due since its last, unless the wake-up comes later than
// this after it (the window dragged, the machine stalled): then it takes one,
// not the burst it missed.
constexpr std::chrono::milliseconds stallLimit{250};

// The pace of what moves on its own between ticks: the menu's wall takes a
// step (and a frame is drawn) 60 times a second, and a board settling after
// a landing takes one step a frame, each drawn. More would cost processor
// time and show little.
constexpr int framesPerSecond = 60;
constexpr Clock::duration framePeriod =
    std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) / framesPerSecond;

// The menu's wall turns 60 degrees a second about (1, 1, 1), three whole
// turns before it starts again at 0.
constexpr float menuSpinStep = 60.0f / framesPerSecond;
constexpr float menuSpinLimit = -1080.0f;

// The wall's cubes each keep their image for a while: between 0.35 s and
// 2.65 s (1.5 s on average), so that none changes more than 3 times in any
// second, and never more than an eighth of the wall in one frame. Slower
// changes would still be random; faster ones make the wall flash.
constexpr int wallImageKinds = 4;  // black, light blue, red, green: blockTextures slots 0 to 3
constexpr std::int32_t wallMinFramesKept = framesPerSecond * 35 / 100;
constexpr std::int32_t wallFramesKeptSpread = framesPerSecond * 23 / 10;
constexpr int wallCubes = boardRows * boardColumns;  // the wall has the well's rows and columns
constexpr int wallMostChangesAFrame = wallCubes / 8;

// The touch gestures' hint shows this long, unless a gesture comes first.
constexpr std::chrono::seconds hintDuration{8};

// The name prompt's cursor: a fresh draw every 0.35 s shows it on 3 of 5.
constexpr std::chrono::milliseconds cursorDrawPeriod{350};
constexpr int cursorChances = 5;
constexpr int cursorShownChances = 3;

constexpr int windowWidth = 640;
constexpr int windowHeight = 480;
constexpr char windowTitle[] = "Tessarine 3D";
// Starts every line the program writes to standard error.
constexpr char programName[] = "tessarine3d";

// View angles the Play keys set or step, in degrees.
constexpr float viewStep = 0.5f;        // Page Up/Down, Home/End
constexpr float diagonalPitch = -45.0f; // "d"
constexpr float sideViewPitch = 1.5f;   // "v"
constexpr float sideViewYaw = 67.0f;    // "v"

// The wall of cubes behind the menu: the image each cube shows and the wall
// frame at which it takes a fresh one. It moves on only while the menu shows.
struct MenuWall {
    std::int32_t images[boardRows][boardColumns];      // blockTextures slot, 0 to 3
    std::int64_t nextChange[boardRows][boardColumns];  // wall frame of each cube's next image
    std::int64_t frame;                                // steps the wall has taken
};

struct GameState {
    ScreenMode mode = ScreenMode::Menu;  // the screen drawn and the keys that apply
    std::int32_t menuSelection = menuStart;  // highlighted menu item
    std::int32_t score = 0;            // points of the current or last game
    std::int32_t clearedCount = 0;     // triples cleared in the current game
    std::int32_t dropInterval = 10;    // the piece steps on the tick after this many; a game sets 15
    std::int32_t dropCounter = 0;      // ticks counted since the last timed step
    bool paused = false;               // stops the timed step only
    Clock::time_point lastTick{};      // when the last counted tick fell due
    Clock::time_point lastFrame{};     // when the menu's wall last stepped
    Board settledBoard{};              // the board as it last stood settled; `board` differing settles
    bool settling = false;             // the board is settling: its clock below runs
    Clock::time_point lastSettle{};    // when the settling board last stepped
    std::int32_t settleTriples = 0;    // triples cleared since the board last stood settled
    float pitch = 0.0f;                // play field rotation about x, degrees
    float yaw = 0.0f;                  // play field rotation about y, degrees
    float menuSpin = 0.0f;             // menu cube wall rotation, degrees
    MenuWall wall{};                   // the menu wall's images
    bool lessMotion = false;           // the desktop asks for less animation: the wall does not turn
    bool cursorShown = false;          // the name prompt's cursor shows
    bool hadFocus = false;             // the window had the keyboard focus when Play last looked
    Clock::time_point nextCursorDraw{};  // when the cursor is drawn for afresh
    bool hintPending = false;          // the next game shows the touch gestures' hint (a page's first on a touch screen)
    bool hintShown = false;            // the Play screen shows that hint
    Wake hintEnds;                     // when the shown hint goes; nothing until a wake-up finds it shown
    int window = 0;                    // GLUT id of the one window
};

extern GameState gameState;

// Messages reported but not yet seen in the window, oldest first. While any
// waits, the window shows the first in a box over a screen that stands
// still, and Enter takes it away. Where the platform shows its own message
// boxes, none ever waits here. Plain storage, so that a message reported
// while the program's globals are still being made (the score file is read
// then) finds the queue ready.
constexpr std::size_t maxWaitingErrorBoxes = 8;  // any more reach standard error only
constexpr std::size_t errorBoxMessageSize = 512;  // bytes of a message kept, its zero included
struct ErrorBoxQueue {
    char messages[maxWaitingErrorBoxes][errorBoxMessageSize];  // zero-terminated, oldest first
    std::size_t count;                                          // messages waiting
};
extern ErrorBoxQueue errorBoxes;

// What a key asks of the program beyond changing the state.
enum class KeyOutcome {
    Continue,  // the key was handled (or ignored); the game goes on
    Quit,      // Esc, or Enter on Exit: the program should end with status 0
    ToggleFullScreen,  // F11: the window should fill the screen, or return to its size
    ToggleMute,        // M, but at the name prompt: the sound should mute, or sound again
};

// Enter on Start: empties `board`, score and cleared count 0, interval 15,
// mode Play; the hint shows if one is pending.
void startGame();
// Applies a character key to `gameState`, the piece or name entry, by screen
// mode, and cues the sound of what it did.
KeyOutcome handleKeyboard(unsigned char key);
// Applies a GLUT special key (arrows, Page Up/Down, Home, End, F11) by screen mode.
KeyOutcome handleSpecialKey(int key);
// Where the keyboard focus is, as the platform tells it.
enum class WindowFocus {
    Ours,       // the game's window (or a window within it)
    Elsewhere,  // another window
    Nobody,     // no window (a click on the bare desktop): the player looked away too
};
// A look at the focus during Play: the focus leaving the window that had it,
// for another window or for none, pauses the game (it never resumes it); a
// window that never had the focus does not pause.
void noteWindowFocus(WindowFocus focus);

// Game controllers, read as buttons by the standard layout's positions: the
// D-pad and the left stick give the four directions, the triggers count as
// buttons past half their travel.
enum class PadButton {
    Up, Down, Left, Right, A, B, Start, Back, LeftShoulder, RightShoulder, LeftTrigger, RightTrigger,
};
constexpr int padButtonCount = 12;
constexpr int maxPads = 8;  // controllers read at once; more are left alone
// A held direction (and the shoulders and triggers in Play) acts again after
// the first delay, then at every period, as a held key repeats.
constexpr std::chrono::milliseconds padRepeatDelay{200};
constexpr std::chrono::milliseconds padRepeatPeriod{50};
// Stick and trigger travel, out of 32767: past half a button is pressed,
// below a quarter it is let go.
constexpr int padPressTravel = 16384;
constexpr int padReleaseTravel = 8192;

// Where a controller's button acts: the screen, or what stands over it.
enum class PadContext { ErrorBox, Menu, Play, NameEntry, Table };

// One controller's buttons: what is held, from where, and when it repeats.
constexpr int noPadDirection = -1;
struct PadState {
    bool connected = false;
    bool dpad[4] = {};                     // Up, Down, Left, Right on the D-pad
    int stick = noPadDirection;            // the stick's direction as a PadButton
    bool held[padButtonCount] = {};        // what the map sees pressed
    PadContext pressedIn[padButtonCount] = {};  // the context it was pressed in: it repeats only there
    Clock::time_point nextRepeat[padButtonCount] = {};
};
extern PadState pads[maxPads];  // the connected controllers, by the slot they were given

// The screen (or the box over it) a controller's buttons act on now.
PadContext padContext();
// What the controller map does for `button` in the current context: acts
// as the key it stands for, or steps the name prompt's pending character.
KeyOutcome actOnPadButton(PadButton button);
// The map's repeat for `button` in `context`: true for Play's Left, Right,
// Down, shoulders and triggers, and the name prompt's Up and Down.
bool padButtonRepeats(PadContext context, PadButton button);
// A controller's D-pad or face button goes down (or up) at `now`.
KeyOutcome setPadButton(int pad, PadButton button, bool down, Clock::time_point now);
// A controller's left stick moves to (x, y), each -32768 to 32767, y down.
KeyOutcome movePadStick(int pad, int x, int y, Clock::time_point now);
// A controller's trigger (LeftTrigger or RightTrigger) moves to `travel`, 0 to 32767.
KeyOutcome movePadTrigger(int pad, PadButton trigger, int travel, Clock::time_point now);
// Acts again for every held button whose repeat is due; returns when the next falls due.
Wake repeatPadButtons(Clock::time_point now);
// A controller comes, in a free slot of `pads`.
void connectPad(int pad);
// A controller goes: its buttons are let go, and during Play the game pauses.
void disconnectPad(int pad);
// Lets go every button of every controller, without acting (input while the
// window was hidden or unfocused is not the player's).
void releasePads();

// Adds a message to `errorBoxes` (cut to fit) with its sound, unless as many as may wait are waiting.
void queueErrorBox(const char* message);
// Takes the first message off `errorBoxes`.
void dismissErrorBox();

// The frame loop's plain functions (pacing.cpp): the game moves on by the
// clock only through these, and the screens are drawn only when they say
// the picture changed.
//
// Brings the game up to the time `now`: the drop timing and the settling of
// the board in Play, the menu's wall, the name prompt's cursor; behind an
// error box nothing moves. Returns when it next has something to do, or
// nothing while only a key can change the picture.
Wake advanceGame(Clock::time_point now);
// The earlier of two wake-ups; nothing means none is wanted.
Wake earliestWake(Wake a, Wake b);
// True when what the screens draw (the state, the board, the table, the
// wall, the cursor, the error box) differs from when it last said so: a
// frame is due. The first call is always true.
bool pictureChanged();
// The drop timing at the time `now`: counts the ticks due since `lastTick`
// (one after a stall, none while paused) and steps the piece each time
// `dropCounter` passes `dropInterval`.
void runDropTiming(Clock::time_point now);
// Time in which the game stands still (an error box, a hidden window): no
// ticks or steps fall due for it; `lastTick`, `lastFrame` and `lastSettle` become `now`.
void holdGameTime(Clock::time_point now);
// Gives the menu's wall its first images, each cube's first change spread
// over the time a cube keeps an image: done once, before the first frame.
void readyMenuWall();
// The vertical field of view of the game's perspective, in degrees.
constexpr float perspectiveFieldOfViewY = 45.0f;
// The window the picture fills, as the last reshape left it.
struct WindowView {
    int width = windowWidth, height = windowHeight;  // pixels
    bool framesTall = false;  // a window taller than wide gets the tall frames below (the page's)
};
extern WindowView windowView;
// A perspective's edges as the tangents of their angles: at a distance d
// before the eye it spans x from left * d to right * d and y from bottom * d to top * d.
struct ViewFrame {
    double left, right, bottom, top;
};
// True when `view` is framed tall: its platform asks for it, and it is taller than wide.
bool framedTall(const WindowView& view);
// The height, in pixels, of the 4:3 picture the text is sized for: the
// window's; when framed tall, 0.91 of its width (a picture wider than the
// window, its sides cropped, so that the text stays large enough to read).
int textPictureHeight(const WindowView& view);
// How the screen `mode` is framed in `view`. The menu and the table show
// the middle of the 4:3 picture of textPictureHeight, whatever the window's
// shape (a wider window sees more at the sides, a taller one above and
// below). Play shows the same, unless framed tall: then the well, the piece
// and the score line fill the window's width, half a column spare each side.
ViewFrame viewFrame(ScreenMode mode, const WindowView& view);

// The one error reporter: tells the player what went wrong, in one line that
// starts with the program's name; the program goes on. Every folder uses it.
void reportError(const char* message);

// Opens an existing regular file for binary reading, never waiting on a FIFO
// or a device. nullptr when there is none (errno ENOENT), when it is no
// regular file (EISDIR for a directory, EINVAL for anything else) or when it
// cannot be opened (the open's errno). In a page, a relative name that the
// working directory lacks is looked up in `siteDirectory`.
std::FILE* openRegularFile(const char* name);
// Opens a file as openRegularFile does, with POSIX calls: Linux's opener and the page's.
std::FILE* openPosixRegularFile(const char* name);
// In a page: where the site's own files lie (the block images, the font),
// read-only, apart from the working directory, which keeps the player's.
constexpr char siteDirectory[] = "/site";

// Platform services of the entry, one file per platform.
// True when the window system GLUT will use (the command line's -display,
// else DISPLAY on Linux) can be reached; otherwise says in one line that the
// game needs a graphical display.
bool displayReachable(int argc, char** argv);
// Tunes the process before anything is drawn (the heap, on Linux; in a page,
// the run-time kept alive until the way out).
void prepareProcess();
// Names the current window to the desktop: its class, its process and the
// game's icon, so that task bars show the game's name and icon.
void nameWindow();
// Lets frames follow at the game's own pace instead of the monitor's refresh.
void turnOffSwapSync();
// Where the keyboard focus is now: on the game's window, another, or none.
WindowFocus windowFocus();
// Has the platform tell the game of its keys (onKeyboard, onSpecialKey) and
// of its window hidden or shown again (onWindowStatus).
void watchWindow();
// Fills the screen with the game's window, or gives the window back its size and place.
void toggleFullScreen();
// Ends the program with status 0: at once on the desktop; in a page from a
// GLUT timer, once the callback that asked has returned, for a page's program
// cannot end inside the browser's own event handlers.
void endProgram();
// Lets the platform follow the screen at every wake-up: the page holds a
// wake lock while a game runs, focuses its text input while the name prompt
// shows, keeps the hint's flag once it shows and labels its mute button; the
// desktops have nothing to follow.
void followScreen();
// Reads whether the desktop asks for less animation into
// `gameState.lessMotion`, and starts to listen for its changes where the
// desktop tells them (GNOME's GSettings).
void watchMotionPreference();
// Takes the desktop's news of that preference, if any, without waiting.
void followMotionPreference();

// Game controllers through SDL (controllers.cpp).
// Starts SDL's game-controller part; without it the game takes the keyboard alone.
void startControllers();
// Takes SDL's news: controllers come and gone, and their buttons and sticks
// acting through the controller map; sets `due` to the next poll, soon while
// one is connected, a few times a second while none is.
KeyOutcome pollControllers(Clock::time_point now, Wake& due);
// Drops what the controllers did while the window was hidden, and lets go every button.
void discardControllerInput();

// Draws the screen of `gameState.mode`, and the first error box over it, into
// the back buffer, as the state stands; changes none of it.
void drawFrame();

// GLUT callbacks: thin wrappers over the functions above and the drawing.
// Draws the frame and shows it.
void onDisplay();
void onReshape(int width, int height);
void onKeyboard(unsigned char key, int x, int y);
void onSpecialKey(int key, int x, int y);
// Stops the game's time and its wake-ups while the window is hidden or fully
// covered, and starts them again, with a frame, when it shows.
void onWindowStatus(int status);
// Moves the game on to now, asks for a frame when the picture changed and
// sets a GLUT timer for the next thing due: the one place that decides.
void wakeGame();
// Sets up OpenGL's state, the textures, the projection and the font for a window of this size; mode Menu.
void initGraphics(int width, int height);

// Touch gestures (gestures.cpp): a reader fed with the canvas's touch events
// as a browser delivers them. Each gesture acts as the key it stands for,
// through the key map above, on the screen (padContext()) where its first
// finger went down; when that screen changes during it (a push's game over,
// an error box), the rest of it does nothing until every finger is lifted.
// Nothing acts on its own time: only events do, timed by their own stamps.
//
// The thresholds, in CSS pixels and the events' milliseconds:
// A finger travelling farther than this from where it went down drags: more
// than a steady finger wobbles, less than a column or a row of the well.
constexpr float touchDragDistance = 10.0f;
// A finger lifted within the drag distance and this time taps; a finger
// rested longer is waiting, not tapping.
constexpr double tapLongestMs = 250.0;
// The fingers of a two- or three-finger gesture go down within this time of
// the first (fingers set down together land within a few tens of ms); a
// later finger, or one after a drag began, does nothing.
constexpr double touchFingersTogetherMs = 100.0;
// A flick is measured over the finger's last movement, this long before it lifts.
constexpr double flickWindowMs = 80.0;
// A one-finger drag up or down that ends at least this fast is a flick:
// fingers following the piece move a few tenths of a pixel a millisecond.
constexpr double flickSlowestSpeed = 1.0;  // CSS pixels a millisecond
// ... and covering at least this distance in that time, so that a twitch
// at the end of a drag drops nothing.
constexpr float flickShortestDistance = 30.0f;
// A two-finger drag turns the view one step (as Home, End, Page Up or Page
// Down: half a degree) for every this many pixels its fingers travel
// together: a swipe across a phone's canvas turns it some 50 degrees.
constexpr float turnStepDistance = 4.0f;

// A band across the canvas, in CSS pixels from its top edge.
struct TouchBand {
    float top, bottom;  // top < bottom
};
// What the gestures need to know of the picture, in CSS pixels: the distance
// between neighbouring columns and rows at the front of the well (a slide or
// a push per column or row travelled), and each menu item's band.
struct GestureGeometry {
    float columnWidth;
    float rowHeight;
    TouchBand menuItems[menuExit + 1];  // by the menuSelection of the item
};
// The geometry of the front view in a canvas `width` by `height` CSS pixels
// that shows `windowView` as its frames say.
GestureGeometry gestureGeometry(float width, float height);

// A touch event: what it does, and to which touches.
enum class TouchPhase { Start, Move, End, Cancel };
// A touch that changed, as the event tells it.
struct TouchPoint {
    long id;     // the browser's identifier of the finger, the same from start to end
    float x, y;  // CSS pixels within the canvas, from its top left corner, y down
};

// The fingers followed at once; more are left alone.
constexpr int maxTouchFingers = 10;
// The lead finger's last positions, for a flick's speed.
constexpr int touchTrailLength = 16;

// One finger down.
struct TouchFinger {
    long id;               // the browser's identifier
    bool inGesture;        // went down together with the first: one of the gesture's fingers
    double downMs;         // when it went down
    float startX, startY;  // where it went down
    float x, y;            // where it is now
};
// Where the lead finger was, and when.
struct TouchSample {
    float x, y;
    double ms;
};
// What a gesture's fingers do once they travel past touchDragDistance.
enum class TouchDrag {
    Undecided,  // not yet, or never: a tap still may be
    Slide,      // one finger across: the piece follows it
    Push,       // one finger up or down: pushes down, and may end in a flick
    Turn,       // two fingers across: the view turns (Home, End)
    Tilt,       // two fingers up or down: the view tilts (Page Up, Page Down)
    Spent,      // the gesture is over (its screen changed, its piece landed, a
                // finger was cancelled): nothing more acts until every finger is up
};
// The fingers down and the gesture in progress.
struct TouchState {
    TouchFinger fingers[maxTouchFingers];
    int fingerCount;              // fingers down, the first `fingerCount` of `fingers`
    int gestureFingers;           // of them (and of those already lifted), the gesture's
    PadContext context;           // the screen the gesture belongs to
    double startMs;               // when its first finger went down
    TouchDrag drag;               // what its fingers' travel does
    bool tapSpoiled;              // a finger travelled past the drag distance, or stayed too long
    bool lifting;                 // one of its fingers is up: drags stop
    float anchorX, anchorY;       // the travel at which the drag last acted
    long leadId;                  // its first finger
    TouchSample trail[touchTrailLength];  // the lead finger's positions, a ring
    int trailLength, trailNext;   // positions in the ring, and the slot of the next
};
extern TouchState touches;

// What a touch event asks of the page beyond changing the state.
struct TouchOutcome {
    KeyOutcome key = KeyOutcome::Continue;  // what the keys pressed ask (Quit: the menu's Exit)
    bool recognised = false;      // a gesture of this screen acted (the game's first takes the hint away)
    bool focusNameInput = false;  // a tap at the name prompt: the page should focus its text input
};
// Reads one touch event of `phase` for the `count` touches at `changed` (the
// ones it changed), at `ms` (the event's own time stamp), and acts on what
// it completes, measuring the drags by `geometry`.
TouchOutcome readTouchEvent(TouchPhase phase, const TouchPoint* changed, int count, double ms,
                            const GestureGeometry& geometry);
// Forgets every finger and the gesture in progress without acting (the page
// hidden, or its focus lost, when no cancel may come).
void forgetTouches();

// The callback of the canvas's touch events (callbacks.cpp): reads one as
// readTouchEvent does, follows what its keys ask (the way out, full screen,
// mute) and wakes the game; returns what more it asks of the page.
TouchOutcome onTouch(TouchPhase phase, const TouchPoint* changed, int count, double ms,
                     const GestureGeometry& geometry);
