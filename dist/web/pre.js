// The page's side of the game, run before the program starts: its canvas,
// its console, the progress bar while the files load, the player's files
// kept in the browser's IndexedDB, and the page that says the game has ended.
// What a phone needs besides is in phone.js.

Module.canvas = document.getElementById('canvas');

// The emulation of OpenGL's fixed-function pipeline says three times, on
// standard error, that it is one; the console keeps the game's own lines.
Module.printErr = text => {
  if (!text.startsWith('WARNING: using emscripten GL')) console.warn(text);
};

// Emscripten tells how the files load ("Downloading data... (LOADED/TOTAL)"),
// and says nothing once the program runs.
Module.setStatus = text => {
  const progress = document.getElementById('progress');
  const loaded = /\((\d+)\/(\d+)\)/.exec(text);
  if (loaded) {
    progress.max = Number(loaded[2]);
    progress.value = Number(loaded[1]);
  }
  progress.hidden = text === '';
};

// The game ended (Esc, or Exit in the menu): the page says so in words, and
// Enter or the button loads the game again.
Module.onExit = () => {
  document.getElementById('screen').hidden = true;
  Module.leavePhone();
  document.getElementById('ended').hidden = false;
  const again = document.getElementById('again');
  again.addEventListener('click', () => location.reload());
  window.addEventListener('keydown', event => {
    if (event.key !== 'Enter' || event.repeat) return;
    event.preventDefault();
    location.reload();
  });
  again.focus();
};

// The player's files: the working directory /save, a file system in memory
// that IDBFS keeps in IndexedDB. It is read in before the program starts,
// since the high scores are read before main, and stored again after each
// save has put its file in place. The site's own files, which Emscripten
// loads into /site (app/app.h's siteDirectory), are made read-only.
const savedFiles = '/save';
const siteFiles = '/site';

// IDBFS (Emscripten 3.1.6) passes the browser's own failures on as
// `this.error`, which is undefined where it stands: a database the browser
// refuses, a request that fails or a transaction it aborts (a save over the
// quota) would call back without a reason, as a success, or not at all. It
// gets an IndexedDB whose requests and transactions note their errors, and
// whose aborted transactions end the sync that waits on them.
let browserError = null;  // the first error the browser gave in the sync under way
let settleSync = null;    // ends the sync under way, once, with its failure

function noteErrors(target) {
  target.addEventListener('error', event => { browserError = browserError || event.target.error; });
}

function watchedIndexedDB() {
  return {
    open(name, version) {
      const request = indexedDB.open(name, version);
      noteErrors(request);
      request.addEventListener('success', () => {
        const database = request.result;
        database.transaction = function (...scope) {
          const transaction = IDBDatabase.prototype.transaction.apply(this, scope);
          noteErrors(transaction);
          transaction.addEventListener('abort', () => {
            if (!settleSync) return;
            // IDBFS never calls back for it: the count of syncs under way
            // that Emscripten keeps (and warns about) loses this one here.
            FS.syncFSRequests -= 1;
            settleSync(transaction.error || browserError || 'the browser gave the transaction up');
          });
          return transaction;
        };
      });
      return request;
    },
  };
}

// Reads the stored files in (`populate`) or stores the working directory;
// `done` gets the failure, or null.
function syncSavedFiles(populate, done) {
  browserError = null;
  let settled = false;
  settleSync = failure => {
    if (settled) return;
    settled = true;
    settleSync = null;
    done(failure ? String(failure) : null);
  };
  try {
    FS.syncfs(populate, error => { if (settleSync) settleSync(browserError || error); });
  } catch (error) {
    settleSync(error);
  }
}

const noIndexedDB = 'this browser keeps no IndexedDB';

Module.preRun = Module.preRun || [];
Module.preRun.push(() => {
  FS.mkdir(savedFiles);
  FS.mount(IDBFS, {}, savedFiles);
  FS.chdir(savedFiles);
  // scores/scores_web.cpp reports a failure as an unreadable high score file.
  if (typeof indexedDB === 'undefined') {
    Module.storedFilesFailure = noIndexedDB;
    return;
  }
  IDBFS.indexedDB = watchedIndexedDB;
  addRunDependency('stored files');
  syncSavedFiles(true, failure => {
    if (failure) Module.storedFilesFailure = failure;
    removeRunDependency('stored files');
  });
});

// The site's files have loaded once the run-time is up, before main reads them.
Module.onRuntimeInitialized = () => {
  for (const name of FS.readdir(siteFiles)) {
    if (name !== '.' && name !== '..') FS.chmod(siteFiles + '/' + name, 0o444);
  }
  FS.chmod(siteFiles, 0o555);
};

// After a save's move (scores/scores_web.cpp): the working directory goes to
// IndexedDB in the background, one store at a time; a failure reaches the
// game's error box (app/platform_web.cpp). A store asked for while another
// runs follows it: each stores the whole directory as it then stands.
let storing = false;
let storeAgain = false;

function reportStoreFailure(failure) {
  ccall('reportStorageFailure', null, ['string'], [failure]);
}

Module.storeSavedFiles = () => {
  if (typeof indexedDB === 'undefined') {
    reportStoreFailure(noIndexedDB);
    return;
  }
  if (storing) {
    storeAgain = true;
    return;
  }
  storing = true;
  syncSavedFiles(false, failure => {
    storing = false;
    if (failure) reportStoreFailure(failure);
    if (storeAgain) {
      storeAgain = false;
      Module.storeSavedFiles();
    }
  });
};

// The site's service worker (sw.js) keeps the game for a start with no
// network. It is registered once the program's files have loaded, so that
// its own download of the site does not slow theirs. Where there is none (a
// page not served over HTTPS, a browser without service workers, a private
// window that refuses them) the game only needs the network at each start.
Module.postRun = Module.postRun || [];
Module.postRun.push(() => {
  if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js').catch(() => {});
});
