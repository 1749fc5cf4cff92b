// The page's storage as the unit tests under node have it: a save asks it to
// keep the working directory (dist/web/pre.js stores it in IndexedDB), and
// the tests count the asks.
Module.storedSaves = 0;
Module.storeSavedFiles = () => { Module.storedSaves += 1; };
