// The page's side of playing on a phone, run before the program starts: the
// game's box and the buttons placed where the game says
// (app/platform_web.cpp), the mute and full screen buttons, the name
// prompt's text input that opens the phone's own keyboard, the screen kept
// awake while a game runs, the sound started by the first touch that ends,
// and the flag that the gestures' hint has been shown.

const pageElement = id => document.getElementById(id);
const nameInput = pageElement('name-input');
const ignoreRefusal = () => {};  // a browser may refuse what the page asks; nothing is lost

// ---- Layout

let laidOut = false;  // the game has placed its box: it runs

Module.placeScreen = (left, top, width, height, buttonsShown) => {
  laidOut = true;
  const box = pageElement('screen').style;
  box.left = left + 'px';
  box.top = top + 'px';
  box.width = width + 'px';
  box.height = height + 'px';
  pageElement('mute').hidden = !buttonsShown;
  // Some phones' browsers (an iPhone's) let no page fill the screen.
  pageElement('full-screen').hidden = !buttonsShown || !document.fullscreenEnabled;
};

// A phone's keyboard opening or closing shrinks or grows what the player
// sees, and may move it: the game's box follows, above the keyboard.
if (window.visualViewport) {
  const refit = () => { if (laidOut && !pageElement('screen').hidden) Module._refitPage(); };
  visualViewport.addEventListener('resize', refit);
  visualViewport.addEventListener('scroll', refit);
}

// ---- Buttons
// They act on a click (a tap or the mouse) and never take the keyboard's
// focus from the game or from the name prompt's input.

for (const [id, press] of [['mute', () => Module._pressMuteButton()],
                           ['full-screen', () => Module._pressFullScreenButton()]]) {
  const button = pageElement(id);
  button.addEventListener('mousedown', event => event.preventDefault());
  button.addEventListener('click', press);
}

// ---- The name prompt's text input
// A phone sends what its keyboard types as the input's changes, often with no
// key events: each change is read as the keys it stands for, each character
// once. The input holds one space when nothing is typed, so that the phone's
// Backspace has something to delete and the input tells of it. Keys that the
// page's key handler takes (a real keyboard's) never reach the input.

const inputRest = ' ';
const backspaceCode = 8;
const enterCode = 13;
const printable = character => character >= ' ' && character <= '~';
let inputRead = inputRest;  // the input's value as last read
let naming = false;         // the name prompt shows
let keyboardAsked = false;  // a tap focused the input, or text came through it

function restInput() {
  nameInput.value = inputRest;
  inputRead = inputRest;
}

// The keys that turn what was read into what the input holds now: a
// Backspace for each printable character gone, then each new one. Composed
// text (a phone's word suggestions) is read as it grows, and the input rests
// once the word is done.
function readInput(composing) {
  const before = Array.from(inputRead);
  const now = Array.from(nameInput.value);
  let same = 0;
  while (same < before.length && same < now.length && before[same] === now[same]) ++same;
  for (const gone of before.slice(same)) if (printable(gone)) Module._typeKey(backspaceCode);
  for (const added of now.slice(same)) if (printable(added)) Module._typeKey(added.charCodeAt(0));
  inputRead = nameInput.value;
  if (!composing) restInput();
  keyboardAsked = true;
  showTapToType();
}

nameInput.addEventListener('input', event => readInput(event.isComposing));
nameInput.addEventListener('compositionend', () => readInput(false));
// The keyboard's Enter or Done, where the phone sends no Enter key.
pageElement('name-form').addEventListener('submit', event => {
  event.preventDefault();
  Module._typeKey(enterCode);
});

// A line asks for a tap while the prompt shows and the keyboard may be shut:
// the input has no focus, or, on a touch screen, no tap has focused it yet
// (a browser may focus an input without opening the keyboard).
function showTapToType() {
  const focused = document.activeElement === nameInput;
  pageElement('tap-to-type').hidden = !naming || (focused && (keyboardAsked || navigator.maxTouchPoints === 0));
}

nameInput.addEventListener('blur', () => {
  keyboardAsked = false;
  showTapToType();
});
nameInput.addEventListener('focus', showTapToType);

// From a tap at the prompt, which a browser counts as the player's wish to
// type. The input loses the focus first: a phone whose keyboard was put
// away, the input still focused, opens it only for a new focus.
Module.focusNameInput = () => {
  if (!naming) return;
  nameInput.blur();
  nameInput.focus({ preventScroll: true });
  keyboardAsked = document.activeElement === nameInput;
  showTapToType();
};

function followNaming(now) {
  if (now === naming) return;
  naming = now;
  keyboardAsked = false;
  nameInput.hidden = !now;
  if (now) {
    restInput();
    nameInput.focus({ preventScroll: true });
  } else {
    nameInput.blur();
  }
  showTapToType();
}

// ---- The screen kept awake while a game runs
// The browser lets a wake lock go when the page hides; the page asks again
// once the game runs with the page shown (the game hears of the page shown
// and follows it). A browser without the API, or one that refuses (its
// settings, a battery saver), plays on as before.

let gameRunning = false;
let screenKept = false;  // a lock is wanted, and asked for or held
let wakeLock = null;     // the promise of the lock asked for: the lock, or null when refused

function askWakeLock() {
  wakeLock = Promise.resolve()
    .then(() => navigator.wakeLock.request('screen'))
    .catch(() => null);
}

function letWakeLockGo() {
  const held = wakeLock;
  wakeLock = null;
  if (held) held.then(lock => lock && lock.release()).catch(ignoreRefusal);
}

function followWakeLock() {
  const wanted = gameRunning && !document.hidden && 'wakeLock' in navigator;
  if (wanted === screenKept) return;
  screenKept = wanted;
  if (wanted) askWakeLock(); else letWakeLockGo();
}

document.addEventListener('visibilitychange', () => { if (document.hidden) followWakeLock(); });

// ---- The gestures' hint, once on each browser
// The flag lives in localStorage, which may refuse it (a private window):
// then the hint only shows again.

const hintFlag = 'tessarine3d.touchHintShown';
let hintNoted = false;

Module.touchHintWanted = () => {
  if (navigator.maxTouchPoints === 0) return false;
  try {
    return localStorage.getItem(hintFlag) === null;
  } catch (refused) {
    return true;
  }
};

function noteHintShown() {
  hintNoted = true;
  try {
    localStorage.setItem(hintFlag, '1');
  } catch (refused) {
    ignoreRefusal();
  }
}

// At every wake-up of the game (app/platform_web.cpp): cheap when nothing changed.
Module.followPage = (nameShown, running, hintShown, muted) => {
  followNaming(nameShown);
  gameRunning = running;
  followWakeLock();
  if (hintShown && !hintNoted) noteHintShown();
  const mute = pageElement('mute');
  if (mute.getAttribute('aria-pressed') !== String(muted)) mute.setAttribute('aria-pressed', String(muted));
};

// The game has ended (dist/web/pre.js): its buttons go, and the screen may dim.
Module.leavePhone = () => {
  for (const button of document.querySelectorAll('.corner')) button.hidden = true;
  gameRunning = false;
  followWakeLock();
};

// ---- Sound from the first touch
// SDL has the browser start the sound at the first key, click or touch
// start; a browser lets sound start only from a touch's end.
document.addEventListener('touchend', () => {
  const context = Module.SDL2 && Module.SDL2.audioContext;
  if (context && context.state === 'suspended') context.resume().catch(ignoreRefusal);
}, true);
