// Preloaded into the real game by an end-to-end test: rand() alternates 0 and
// 1, so every piece is two kinds in the order A B A, the next one B A B, and so
// on (a spawn takes three values; the menu's wall takes an even number a frame).
extern "C" int rand() {
    static int calls = 0;
    return calls++ % 2;
}
