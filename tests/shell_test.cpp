// The shell without a window: the menu, the key map and the drop timing.
#include <GL/freeglut_std.h>
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

namespace {

class Shell : public ::testing::Test {
protected:
    void SetUp() override { resetWorld(3, 4); }
};

void expectPiece(int column, int topRow, BlockKind top) {
    EXPECT_EQ(piece.blocks[pieceTop].column, column);
    EXPECT_EQ(piece.blocks[pieceTop].row, topRow);
    EXPECT_EQ(piece.blocks[pieceTop].kind, top);
}

TEST_F(Shell, MenuSelectionStopsAtStartAndExit) {
    handleSpecialKey(GLUT_KEY_UP);
    EXPECT_EQ(gameState.menuSelection, menuStart);
    handleSpecialKey(GLUT_KEY_DOWN);
    handleSpecialKey(GLUT_KEY_DOWN);
    handleSpecialKey(GLUT_KEY_DOWN);
    EXPECT_EQ(gameState.menuSelection, menuExit);
    handleSpecialKey(GLUT_KEY_UP);
    EXPECT_EQ(gameState.menuSelection, menuHighscores);
}

TEST_F(Shell, EnterOnEachMenuItem) {
    gameState.menuSelection = menuHighscores;
    EXPECT_EQ(handleKeyboard(keyEnter), KeyOutcome::Continue);
    EXPECT_EQ(gameState.mode, ScreenMode::Highscores);
    EXPECT_EQ(handleKeyboard('x'), KeyOutcome::Continue);
    EXPECT_EQ(gameState.mode, ScreenMode::Highscores);
    EXPECT_EQ(handleKeyboard(keyEnter), KeyOutcome::Continue);
    EXPECT_EQ(gameState.mode, ScreenMode::Menu);

    gameState.menuSelection = menuExit;
    EXPECT_EQ(handleKeyboard(keyEnter), KeyOutcome::Quit);

    gameState.menuSelection = menuStart;
    EXPECT_EQ(handleKeyboard(' '), KeyOutcome::Continue);
    EXPECT_EQ(gameState.mode, ScreenMode::Menu);
    EXPECT_EQ(handleKeyboard(keyEnter), KeyOutcome::Continue);
    EXPECT_EQ(gameState.mode, ScreenMode::Play);
}

TEST_F(Shell, EscapeQuitsFromEveryScreen) {
    for (ScreenMode mode : {ScreenMode::Menu, ScreenMode::Play, ScreenMode::Highscores}) {
        gameState.mode = mode;
        EXPECT_EQ(handleKeyboard(keyEscape), KeyOutcome::Quit);
    }
}

TEST_F(Shell, StartResetsTheGameButNotThePieceThePauseTheCounterOrTheView) {
    gameState.score = 90;
    gameState.clearedCount = 12;
    gameState.dropInterval = 7;
    gameState.dropCounter = 4;
    gameState.paused = true;
    gameState.pitch = -45.0f;
    gameState.yaw = 12.5f;
    fill({{0, 16}}, 2);
    startGame();
    EXPECT_EQ(gameState.mode, ScreenMode::Play);
    EXPECT_EQ(gameState.score, 0);
    EXPECT_EQ(gameState.clearedCount, 0);
    EXPECT_EQ(gameState.dropInterval, startDropInterval);
    EXPECT_EQ(gameState.dropCounter, 4);
    EXPECT_TRUE(gameState.paused);
    EXPECT_EQ(gameState.pitch, -45.0f);
    EXPECT_EQ(gameState.yaw, 12.5f);
    EXPECT_EQ(at(0, 16), emptyCell);
    expectPiece(3, 4, 1);
}

// Rows a second the piece falls by the drop timing in `secondsPlayed` of Play frames at
// `frameRate` a second, the frames' times given by an injected clock. The
// piece goes back to the top after each step, so it never lands.
double rowsPerSecond(int interval, int frameRate, int secondsPlayed) {
    using namespace std::chrono;
    const steady_clock::time_point start{hours(1)};
    gameState.dropInterval = interval;
    gameState.lastTick = start;
    int rows = 0;
    for (int frame = 1; frame <= frameRate * secondsPlayed; ++frame) {
        runDropTiming(start + duration_cast<steady_clock::duration>(nanoseconds(seconds(1)) * frame / frameRate));
        rows += piece.blocks[pieceTop].row;
        for (int i = 0; i < pieceLength; ++i) piece.blocks[i].row = i;
    }
    return static_cast<double>(rows) / secondsPlayed;
}

TEST_F(Shell, ThePieceFallsAtTheSameSpeedAtEveryFrameRate) {
    struct Case {
        int interval;
        double rowsPerSecond;
    };
    for (const Case& c : {Case{startDropInterval, 1.25}, Case{thirdSpeedUpInterval, 3.33}}) {
        for (int rate : {20, 35, 60, 120}) {
            resetWorld(3, 0);
            EXPECT_NEAR(rowsPerSecond(c.interval, rate, 60), c.rowsPerSecond, c.rowsPerSecond * 0.05)
                << "interval " << c.interval << " at " << rate << " frames/s";
        }
    }
}

TEST_F(Shell, AFrameCountsEveryTickDueSinceTheLastAndAStallCountsOne) {
    using namespace std::chrono;
    const steady_clock::time_point start{hours(1)};
    gameState.mode = ScreenMode::Play;
    gameState.dropInterval = 2;
    gameState.lastTick = start;
    runDropTiming(start + milliseconds(49));
    EXPECT_EQ(gameState.dropCounter, 0);
    runDropTiming(start + milliseconds(101));  // two ticks in one frame
    EXPECT_EQ(gameState.dropCounter, 2);
    expectPiece(3, 4, 1);
    runDropTiming(start + milliseconds(150));  // the tick that passes the interval
    EXPECT_EQ(gameState.dropCounter, 0);
    expectPiece(3, 5, 1);
    runDropTiming(start + milliseconds(150));  // a second frame at the same time
    EXPECT_EQ(gameState.dropCounter, 0);

    // Up to the stall limit every tick counts; beyond it, one.
    gameState.dropInterval = 15;
    runDropTiming(start + milliseconds(400));
    EXPECT_EQ(gameState.dropCounter, 5);
    const auto stalled = start + seconds(30);
    runDropTiming(stalled);
    EXPECT_EQ(gameState.dropCounter, 6);
    expectPiece(3, 5, 1);
    runDropTiming(stalled + milliseconds(50));
    EXPECT_EQ(gameState.dropCounter, 7);
}

TEST_F(Shell, TheDownKeyStepsWithoutTouchingTheCounter) {
    gameState.mode = ScreenMode::Play;
    gameState.dropCounter = 3;
    handleSpecialKey(GLUT_KEY_DOWN);
    expectPiece(3, 5, 1);
    EXPECT_EQ(gameState.dropCounter, 3);
}

TEST_F(Shell, PauseStopsOnlyTheTimedStep) {
    gameState.mode = ScreenMode::Play;
    handleKeyboard('p');
    ASSERT_TRUE(gameState.paused);
    gameState.dropInterval = 0;
    // Ten seconds of paused frames count no tick, then or after the pause.
    const std::chrono::steady_clock::time_point start{std::chrono::hours(1)};
    gameState.lastTick = start;
    for (int frame = 1; frame <= 200; ++frame) runDropTiming(start + frame * tickPeriod);
    EXPECT_EQ(gameState.dropCounter, 0);
    expectPiece(3, 4, 1);

    handleSpecialKey(GLUT_KEY_LEFT);
    expectPiece(2, 4, 1);
    handleSpecialKey(GLUT_KEY_RIGHT);
    handleSpecialKey(GLUT_KEY_RIGHT);
    expectPiece(4, 4, 1);
    handleSpecialKey(GLUT_KEY_DOWN);
    expectPiece(4, 5, 1);
    handleKeyboard('a');
    expectPiece(4, 5, 2);
    handleKeyboard('S');
    expectPiece(4, 5, 1);
    handleSpecialKey(GLUT_KEY_UP);
    EXPECT_EQ(piece.blocks[pieceTop].row, 0);
    EXPECT_EQ(piece.blocks[pieceTop].column, spawnColumn);

    handleKeyboard('P');
    EXPECT_FALSE(gameState.paused);
    // The first tick after the pause is due a whole period after its last frame.
    runDropTiming(start + 201 * tickPeriod - std::chrono::milliseconds(1));
    EXPECT_EQ(piece.blocks[pieceTop].row, 0);
    runDropTiming(start + 201 * tickPeriod);
    EXPECT_EQ(piece.blocks[pieceTop].row, 1);
}

TEST_F(Shell, AGameEndedWhilePausedStartsTheNextOnePaused) {
    resetWorld(3, 0);
    gameState.mode = ScreenMode::Play;
    gameState.paused = true;
    fill({{3, 3}}, 5);
    ::testing::internal::CaptureStdout();
    handleSpecialKey(GLUT_KEY_DOWN);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "game over\nyour score: 0\n");
    ASSERT_EQ(gameState.mode, ScreenMode::Highscores);
    handleKeyboard(keyEnter);
    handleKeyboard(keyEnter);
    EXPECT_EQ(gameState.mode, ScreenMode::Play);
    EXPECT_TRUE(gameState.paused);
}

// Each view key acts alike in either case, h gives the front view back
// after any turn, and the stepping keys undo each other.
TEST_F(Shell, ViewKeysActInEitherCaseAndHTurnsBackToTheFront) {
    gameState.mode = ScreenMode::Play;
    const auto view = [] { return std::make_pair(gameState.pitch, gameState.yaw); };
    const std::pair<float, float> front{0.0f, 0.0f};
    for (const unsigned char key : {'d', 'v'}) {
        handleKeyboard(key);
        const std::pair<float, float> lower = view();
        EXPECT_NE(lower, front) << key;
        handleKeyboard('H');
        EXPECT_EQ(view(), front) << key;
        handleKeyboard(static_cast<unsigned char>(std::toupper(key)));
        EXPECT_EQ(view(), lower) << key;
        handleKeyboard('h');
    }
    handleKeyboard('d');
    EXPECT_LT(gameState.pitch, 0.0f) << "d looks from above";
    const std::pair<float, float> before = view();
    for (const auto& [turn, back] : {std::pair{GLUT_KEY_PAGE_UP, GLUT_KEY_PAGE_DOWN}, std::pair{GLUT_KEY_HOME, GLUT_KEY_END}}) {
        handleSpecialKey(turn);
        EXPECT_NE(view(), before) << turn;
        handleSpecialKey(back);
        EXPECT_EQ(view(), before) << turn;
    }
}

TEST_F(Shell, UnknownKeysChangeNothingOnAnyScreen) {
    const unsigned char characterKeys[] = {'x', 'q', ' ', '1', 8, 127, 200, keyEnter};
    const int specialKeys[] = {GLUT_KEY_F1, GLUT_KEY_INSERT, 112 /* Shift */, 114 /* Ctrl */};
    for (ScreenMode mode : {ScreenMode::Menu, ScreenMode::Play, ScreenMode::Highscores}) {
        for (unsigned char key : characterKeys) {
            if (key == keyEnter && mode != ScreenMode::Play) continue;
            resetWorld(3, 4);
            gameState.mode = mode;
            gameState.menuSelection = menuHighscores;
            EXPECT_EQ(handleKeyboard(key), KeyOutcome::Continue);
            EXPECT_EQ(gameState.mode, mode);
            EXPECT_EQ(gameState.menuSelection, menuHighscores);
            EXPECT_FALSE(gameState.paused);
            EXPECT_EQ(gameState.pitch, 0.0f);
            expectPiece(3, 4, 1);
        }
        for (int key : specialKeys) {
            resetWorld(3, 4);
            gameState.mode = mode;
            handleSpecialKey(key);
            EXPECT_EQ(gameState.mode, mode);
            EXPECT_EQ(gameState.menuSelection, menuStart);
            EXPECT_EQ(gameState.pitch, 0.0f);
            EXPECT_EQ(gameState.yaw, 0.0f);
            expectPiece(3, 4, 1);
        }
    }
    // Arrows on the high score screen do nothing either.
    resetWorld(3, 4);
    gameState.mode = ScreenMode::Highscores;
    handleSpecialKey(GLUT_KEY_LEFT);
    handleSpecialKey(GLUT_KEY_DOWN);
    expectPiece(3, 4, 1);
}

// The menu at rest, woken as GLUT's timer would (at each due time, late by
// `lateness`) and by keys besides, for `seconds`: each cube's changes and
// the most cubes changed in one wake-up.
struct WallRun {
    std::vector<std::vector<double>> changes = std::vector<std::vector<double>>(wallCubes);  // seconds, by cube
    int mostInOneWake = 0;
    int wakes = 0;
};

WallRun runMenu(double runSeconds, std::chrono::milliseconds lateness, int keysPerSecond) {
    using namespace std::chrono;
    const steady_clock::time_point start{hours(1)};
    WallRun run;
    steady_clock::time_point now = start, nextKey = start;
    while (now < start + duration_cast<steady_clock::duration>(duration<double>(runSeconds))) {
        const MenuWall before = gameState.wall;
        const std::optional<steady_clock::time_point> due = advanceGame(now);
        ++run.wakes;
        int changed = 0;
        for (int cube = 0; cube < wallCubes; ++cube) {
            if (gameState.wall.nextChange[cube / boardColumns][cube % boardColumns] ==
                before.nextChange[cube / boardColumns][cube % boardColumns]) continue;
            ++changed;
            run.changes[cube].push_back(duration<double>(now - start).count());
        }
        run.mostInOneWake = std::max(run.mostInOneWake, changed);
        const auto timerWake = *due + lateness;
        if (keysPerSecond > 0 && nextKey < timerWake) {
            now = nextKey;
            nextKey += nanoseconds(seconds(1)) / keysPerSecond;
        } else {
            now = timerWake;
        }
    }
    return run;
}

// The wall shimmers without flashing: no cube changes more than 3 times in
// any second, no more than an eighth of the wall in one frame, each cube
// about every 1.5 s, and the spin keeps 60 degrees a second however often
// the game is woken, and turns three times before it starts again.
TEST_F(Shell, TheMenuWallChangesCalmlyAndKeepsItsSpinWhateverWakesIt) {
    struct Case {
        std::chrono::milliseconds lateness;
        int keysPerSecond;
    };
    for (const Case c : {Case{std::chrono::milliseconds(0), 0}, Case{std::chrono::milliseconds(3), 500},
                         Case{std::chrono::milliseconds(45), 0}}) {
        resetWorld();
        std::srand(7);
        readyMenuWall();
        const WallRun run = runMenu(20.0, c.lateness, c.keysPerSecond);
        const std::string where = "late by " + std::to_string(c.lateness.count()) + " ms, " +
                                  std::to_string(c.keysPerSecond) + " keys a second";
        EXPECT_LE(run.mostInOneWake, wallCubes / 8) << where;
        double total = 0;
        for (const std::vector<double>& times : run.changes) {
            total += static_cast<double>(times.size());
            for (std::size_t i = 3; i < times.size(); ++i) ASSERT_GE(times[i] - times[i - 3], 1.0) << where;
        }
        EXPECT_GT(total / wallCubes, 20.0 / 3) << where;
        EXPECT_LT(total / wallCubes, 20.0 / 1.2) << where;
        // 20 s at 60 degrees a second: 1200 degrees, past the 1080 of three turns and one more step.
        EXPECT_NEAR(gameState.menuSpin, -(1200.0f - 1081.0f * menuSpinStep), 3 * menuSpinStep) << where;
    }
}

// Only the wall and the cursor draw from rand(), and only on their own
// screen: a game's pieces come from it as if nothing else used it.
TEST_F(Shell, OnlyTheMenuAndTheNamePromptDrawRandomNumbers) {
    using namespace std::chrono;
    std::srand(11);
    const int expected = std::rand();
    std::srand(11);
    const steady_clock::time_point start{hours(1)};
    const auto wakeFor = [&](ScreenMode mode) {
        gameState.mode = mode;
        for (int i = 1; i <= 300; ++i) advanceGame(start + i * milliseconds(10));
    };
    gameState.paused = true;
    wakeFor(ScreenMode::Play);
    wakeFor(ScreenMode::Highscores);
    queueErrorBox("a box");
    wakeFor(ScreenMode::Menu);
    EXPECT_EQ(std::rand(), expected);

    dismissErrorBox();
    gameState.mode = ScreenMode::Highscores;
    enteringName = true;
    int shown = 0, changes = 0;
    bool cursor = gameState.cursorShown;
    for (int i = 1; i <= 1000; ++i) {
        advanceGame(start + i * milliseconds(10));
        shown += gameState.cursorShown;
        changes += gameState.cursorShown != cursor;
        cursor = gameState.cursorShown;
    }
    EXPECT_GT(shown, 300);
    EXPECT_LT(shown, 900);
    EXPECT_LE(changes, 3 * 10);
    EXPECT_GT(changes, 5);
}

// What a wake-up leaves to draw: frames only when the picture changed, and
// a wake-up asked for only while something moves by the clock.
TEST_F(Shell, AFrameIsDueOnlyWhenThePictureChangesAndStillScreensSleep) {
    using namespace std::chrono;
    const steady_clock::time_point start{hours(1)};
    gameState.mode = ScreenMode::Play;
    gameState.dropInterval = startDropInterval;
    pictureChanged();
    EXPECT_EQ(advanceGame(start), start + tickPeriod);  // a stall: one tick, none due before the next
    EXPECT_FALSE(pictureChanged()) << "a tick that steps nothing";
    handleKeyboard('x');
    EXPECT_FALSE(pictureChanged()) << "a key that does nothing";
    handleSpecialKey(GLUT_KEY_LEFT);
    EXPECT_TRUE(pictureChanged()) << "a key that moves the piece";

    // A piece lands on a triple: the board settles a step a frame, then rests.
    resetWorld(2, floorRow - 2, {2, 3, 1});
    fill({{0, floorRow}, {1, floorRow}}, 1);
    gameState.mode = ScreenMode::Play;
    gameState.paused = true;
    handleSpecialKey(GLUT_KEY_DOWN);
    std::optional<steady_clock::time_point> due = advanceGame(start);
    EXPECT_EQ(at(0, floorRow), emptyCell);
    EXPECT_EQ(gameState.score, pointsStraight);
    ASSERT_TRUE(due.has_value()) << "the blocks above the triple are still to fall";
    for (int frame = 0; frame < 5 && due; ++frame) due = advanceGame(*due);
    EXPECT_FALSE(due.has_value()) << "a settled, paused board wants no wake-up";
    EXPECT_EQ(at(2, floorRow), 3);
    pictureChanged();
    EXPECT_FALSE(advanceGame(start + hours(1)).has_value());
    EXPECT_FALSE(pictureChanged()) << "a paused game an hour later";

    for (ScreenMode mode : {ScreenMode::Highscores, ScreenMode::Menu}) {
        gameState.mode = mode;
        queueErrorBox("a box");
        EXPECT_FALSE(advanceGame(start + hours(2)).has_value());
        pictureChanged();
        EXPECT_FALSE(advanceGame(start + hours(3)).has_value());
        EXPECT_FALSE(pictureChanged()) << "behind an error box";
        dismissErrorBox();
        EXPECT_TRUE(pictureChanged());
    }
    gameState.mode = ScreenMode::Highscores;
    EXPECT_FALSE(advanceGame(start + hours(4)).has_value()) << "the table at rest";

    // The touch hint of a paused game's first wake-up asks for the one that takes it away.
    gameState.hintPending = true;
    startGame();
    gameState.paused = true;
    EXPECT_TRUE(pictureChanged());
    EXPECT_EQ(advanceGame(start), start + hintDuration);
    EXPECT_TRUE(gameState.hintShown);
    EXPECT_FALSE(advanceGame(start + hintDuration).has_value());
    EXPECT_TRUE(pictureChanged()) << "the hint gone";
    startGame();
    EXPECT_FALSE(gameState.hintShown) << "only the first game";
}

// A paused game: a first piece lands and the board settles at once; `after`
// that, a second piece lands on a triple. The game is woken at each time it
// asks for; each wake-up leaves a board, and the triple's score shows when.
struct Settling {
    std::vector<Board> boards;
    std::vector<std::int32_t> scores;
};

Settling landAfterASettling(std::chrono::milliseconds after) {
    using namespace std::chrono;
    resetWorld(boardColumns - 1, floorRow - 2, {3, 4, 5});
    gameState.mode = ScreenMode::Play;
    gameState.paused = true;
    fill({{0, floorRow}, {1, floorRow}}, 1);
    fill({{0, floorRow - 1}}, 2);
    const steady_clock::time_point start{hours(1)};
    handleSpecialKey(GLUT_KEY_DOWN);
    EXPECT_FALSE(advanceGame(start).has_value()) << "the first landing settles at once";
    for (int i = 0; i < pieceLength; ++i) piece.blocks[i] = PieceBlock{i == pieceBottom ? 1 : 2, 2, floorRow - 2 + i};
    handleSpecialKey(GLUT_KEY_DOWN);
    Settling settling;
    for (Wake due = start + after; due;) {
        due = advanceGame(*due);
        settling.boards.push_back(board);
        settling.scores.push_back(gameState.score);
    }
    return settling;
}

// However soon a landing comes after the board last settled, each step of
// its settling (the triple cleared, the blocks above falling) is a wake-up
// and a frame of its own, and the last wake-up finds the board settled.
TEST_F(Shell, EverySettlingStepIsAFrameOfItsOwnHoweverSoonTheLandingCame) {
    for (const auto after : {std::chrono::milliseconds(60), std::chrono::milliseconds(1000)}) {
        const Settling settling = landAfterASettling(after);
        const std::string when = std::to_string(after.count()) + " ms after";
        // The triple, then two passes of gravity for the stack on its right, then nothing.
        ASSERT_EQ(settling.boards.size(), 4u) << when;
        EXPECT_EQ(settling.scores[0], pointsStraight) << when;
        EXPECT_EQ(settling.boards[0].cells[floorRow - 1][0], 2) << when << ": the block above has not fallen yet";
        EXPECT_EQ(settling.boards[1].cells[floorRow][0], 2) << when << ": then it falls";
        for (std::size_t wake = 1; wake < settling.boards.size(); ++wake) {
            const bool changed = std::memcmp(&settling.boards[wake - 1], &settling.boards[wake], sizeof(Board)) != 0;
            EXPECT_EQ(changed, wake < 3) << when << ", wake-up " << wake;
        }
    }
}

}  // namespace

namespace {

// An error box takes the keyboard: Enter dismisses one message at a time and
// does nothing else, Esc still quits and F11 still toggles full screen; other
// keys are ignored. Without a box, F11 toggles on every screen, name entry too.
TEST_F(Shell, AnErrorBoxTakesTheKeysUntilEnterAndF11AlwaysTogglesFullScreen) {
    for (ScreenMode mode : {ScreenMode::Menu, ScreenMode::Play, ScreenMode::Highscores}) {
        resetWorld(3, 4);
        gameState.mode = mode;
        enteringName = mode == ScreenMode::Highscores;
        EXPECT_EQ(handleSpecialKey(GLUT_KEY_F11), KeyOutcome::ToggleFullScreen);
        const std::string longMessage(errorBoxMessageSize * 2, 'x');
        for (std::size_t i = 0; i < maxWaitingErrorBoxes + 2; ++i) queueErrorBox(i == 0 ? longMessage.c_str() : "late");
        EXPECT_EQ(std::strlen(errorBoxes.messages[0]), errorBoxMessageSize - 1);
        EXPECT_EQ(errorBoxes.count, maxWaitingErrorBoxes);
        EXPECT_EQ(handleKeyboard('a'), KeyOutcome::Continue);
        EXPECT_EQ(handleSpecialKey(GLUT_KEY_DOWN), KeyOutcome::Continue);
        EXPECT_EQ(handleSpecialKey(GLUT_KEY_F11), KeyOutcome::ToggleFullScreen);
        EXPECT_EQ(handleKeyboard(keyEnter), KeyOutcome::Continue);
        EXPECT_EQ(errorBoxes.count, maxWaitingErrorBoxes - 1);
        EXPECT_STREQ(errorBoxes.messages[0], "late");
        EXPECT_EQ(handleKeyboard(keyEscape), KeyOutcome::Quit);
        while (errorBoxes.count > 0) handleKeyboard(keyEnter);
        EXPECT_EQ(gameState.mode, mode);
        EXPECT_EQ(gameState.menuSelection, menuStart);
        EXPECT_EQ(nameLength, 0);
        expectPiece(3, 4, 1);
    }
}

// Controllers: the map acts as the keys it stands for on each screen (or
// the box over it), and mutes nothing, quits nothing but through Exit.
TEST_F(Shell, TheControllerMapActsAsItsKeysOnEveryScreen) {
    using std::chrono::steady_clock;
    const steady_clock::time_point now{std::chrono::hours(1)};
    const auto tap = [&](PadButton button) {
        const KeyOutcome outcome = setPadButton(0, button, true, now);
        setPadButton(0, button, false, now);
        return outcome;
    };
    connectPad(0);
    tap(PadButton::Down);
    EXPECT_EQ(gameState.menuSelection, menuHighscores);
    tap(PadButton::Down);
    EXPECT_EQ(tap(PadButton::A), KeyOutcome::Quit) << "A on Exit";
    tap(PadButton::Up);
    tap(PadButton::Up);
    tap(PadButton::Start);
    ASSERT_EQ(gameState.mode, ScreenMode::Play);
    gameState.dropCounter = 0;
    tap(PadButton::Left);
    expectPiece(2, 4, 1);
    tap(PadButton::A);
    expectPiece(2, 4, 2);
    tap(PadButton::B);
    expectPiece(2, 4, 1);
    tap(PadButton::Down);
    expectPiece(2, 5, 1);
    tap(PadButton::LeftShoulder);
    tap(PadButton::RightShoulder);
    tap(PadButton::RightShoulder);
    EXPECT_EQ(gameState.yaw, viewStep);
    movePadTrigger(0, PadButton::LeftTrigger, padPressTravel + 1, now);
    EXPECT_EQ(gameState.pitch, viewStep);
    tap(PadButton::Back);
    EXPECT_EQ(gameState.pitch, 0.0f);
    tap(PadButton::Start);
    EXPECT_TRUE(gameState.paused);
    queueErrorBox("a box");
    tap(PadButton::Left);
    expectPiece(2, 5, 1);
    tap(PadButton::Start);
    EXPECT_EQ(errorBoxes.count, 0u);
    gameState.mode = ScreenMode::Highscores;
    tap(PadButton::A);
    EXPECT_EQ(gameState.mode, ScreenMode::Menu);
}

// Held directions repeat after 200 ms, then every 50 ms, only on the screen
// they were pressed on; the stick and the triggers press past half their
// travel and let go below a quarter, the stick's larger axis deciding.
TEST_F(Shell, HeldButtonsRepeatAndTheStickAndTriggersHaveSlack) {
    using namespace std::chrono;
    const steady_clock::time_point start{hours(1)};
    connectPad(0);
    gameState.mode = ScreenMode::Play;
    setPadButton(0, PadButton::Left, true, start);
    expectPiece(2, 4, 1);
    EXPECT_EQ(repeatPadButtons(start + milliseconds(199)), start + padRepeatDelay);
    expectPiece(2, 4, 1);
    repeatPadButtons(start + milliseconds(200));
    repeatPadButtons(start + milliseconds(250));
    expectPiece(0, 4, 1);
    setPadButton(0, PadButton::Left, false, start + milliseconds(260));
    EXPECT_FALSE(repeatPadButtons(start + seconds(1)).has_value());

    gameState.mode = ScreenMode::Menu;
    struct Stick {
        int x, y, selection;
    };
    // Down past half; back to a third (held); to a fifth (let go); down again;
    // a diagonal whose larger part is up.
    for (const Stick stick : {Stick{0, 20000, 1}, Stick{1000, 11000, 1}, Stick{0, 6000, 1}, Stick{0, 30000, 2},
                              Stick{-20000, -25000, 1}, Stick{-25000, -20000, 1}}) {
        movePadStick(0, stick.x, stick.y, start);
        EXPECT_EQ(gameState.menuSelection, stick.selection) << stick.x << ", " << stick.y;
    }
    EXPECT_FALSE(repeatPadButtons(start + seconds(5)).has_value()) << "the menu does not repeat";

    gameState.mode = ScreenMode::Play;
    for (int travel : {padPressTravel, padPressTravel + 1, padReleaseTravel, padReleaseTravel - 1, 32767}) {
        movePadTrigger(0, PadButton::RightTrigger, travel, start);
    }
    EXPECT_EQ(gameState.pitch, -2 * viewStep);
}

// The name prompt, arcade style: a pending character steps through A-Z,
// 0-9 and space, is taken, removed, and Start enters the name with it.
TEST_F(ScoresTest, AControllerEntersANameOneCharacterAtATime) {
    const std::chrono::steady_clock::time_point now{std::chrono::hours(1)};
    resetWorld();
    connectPad(0);
    gameState.mode = ScreenMode::Highscores;
    gameState.score = 1;
    offerNameEntry();
    ASSERT_TRUE(enteringName) << "1 beats the defaults' 0";
    const auto tap = [&](PadButton button, int times = 1) {
        for (int i = 0; i < times; ++i) {
            setPadButton(0, button, true, now);
            setPadButton(0, button, false, now);
        }
    };
    tap(PadButton::Up);
    EXPECT_EQ(pendingCharacter, 'A');
    tap(PadButton::Down, 2);
    EXPECT_EQ(pendingCharacter, '9');
    tap(PadButton::A);
    tap(PadButton::A, 2);  // "A" shows, then is taken
    tap(PadButton::Up, 2);  // "A" shows again, then "B"
    tap(PadButton::Right);
    EXPECT_STREQ(nameBuffer, "9AB");
    tap(PadButton::B);
    tap(PadButton::Up, 27);
    EXPECT_EQ(pendingCharacter, '0');
    tap(PadButton::Start);
    EXPECT_FALSE(enteringName);
    EXPECT_EQ(tableEntries()[0], (NamedScore{"9A0", 1}));
    EXPECT_EQ(readFile(scoreFileName), fileBytes(tableEntries()));
}

// The focus pause: only a focus the window had and lost pauses a running
// game, and nothing resumes it but the player; so does a controller going.
// M mutes everywhere but at the name prompt, where it is a character, and
// behind an error box, where it is nothing.
TEST_F(Shell, FocusLostAndAControllerGonePauseAndMMutesOutsideTheNamePrompt) {
    gameState.mode = ScreenMode::Play;
    noteWindowFocus(WindowFocus::Elsewhere);
    EXPECT_FALSE(gameState.paused) << "a window that never had the focus";
    noteWindowFocus(WindowFocus::Ours);
    noteWindowFocus(WindowFocus::Nobody);
    EXPECT_TRUE(gameState.paused);
    noteWindowFocus(WindowFocus::Ours);
    EXPECT_TRUE(gameState.paused);
    handleKeyboard('p');
    connectPad(3);
    setPadButton(3, PadButton::Right, true, std::chrono::steady_clock::time_point{});
    disconnectPad(3);
    EXPECT_TRUE(gameState.paused);
    EXPECT_FALSE(pads[3].connected);

    for (ScreenMode mode : {ScreenMode::Menu, ScreenMode::Play, ScreenMode::Highscores}) {
        gameState.mode = mode;
        EXPECT_EQ(handleKeyboard('m'), KeyOutcome::ToggleMute);
        EXPECT_EQ(handleKeyboard('M'), KeyOutcome::ToggleMute);
    }
    queueErrorBox("a box");
    EXPECT_EQ(handleKeyboard('m'), KeyOutcome::Continue);
    dismissErrorBox();
    enteringName = true;
    EXPECT_EQ(handleKeyboard('M'), KeyOutcome::Continue);
    EXPECT_STREQ(nameBuffer, "M");
}

// Each event cues its sound once: the keys, a landing, the triples by
// direction and the brighter one for each further triple of one settling,
// the pace, the game's end, the menu, a name's character, an error box.
TEST_F(Shell, EachEventCuesItsSound) {
    using namespace std::chrono;
    const auto cued = [](std::initializer_list<Sound> sounds) {
        std::uint32_t bits = 0;
        for (Sound sound : sounds) bits |= 1u << static_cast<unsigned>(sound);
        return bits;
    };
    gameState.mode = ScreenMode::Play;
    handleSpecialKey(GLUT_KEY_LEFT);
    handleKeyboard('a');
    EXPECT_EQ(takeCuedSounds(), cued({Sound::Slide, Sound::Cycle}));
    resetWorld(0, 4);
    gameState.mode = ScreenMode::Play;
    handleSpecialKey(GLUT_KEY_LEFT);
    handleKeyboard('x');
    EXPECT_EQ(takeCuedSounds(), 0u) << "a slide into the wall, a key that does nothing";

    // A piece lands on a falling diagonal and a row: one triple's sound, then
    // the chain's; the tenth triple of the game quickens the pace.
    resetWorld(2, floorRow - 2, {4, 2, 1});
    gameState.mode = ScreenMode::Play;
    gameState.paused = true;
    gameState.clearedCount = firstSpeedUpCount - 2;
    gameState.dropInterval = startDropInterval;
    fill({{0, floorRow - 2}, {1, floorRow - 1}}, 2);
    fill({{0, floorRow}, {1, floorRow}}, 1);
    fill({{3, floorRow - 1}, {4, floorRow - 1}}, 3);
    handleSpecialKey(GLUT_KEY_DOWN);
    const steady_clock::time_point start{hours(1)};
    advanceGame(start);
    EXPECT_EQ(takeCuedSounds(), cued({Sound::Land, Sound::TripleStraight}));
    std::optional<steady_clock::time_point> due = start;
    std::uint32_t later = 0;
    for (int frame = 0; frame < 10 && due; ++frame) {
        due = advanceGame(*due);
        later |= takeCuedSounds();
    }
    EXPECT_EQ(later, cued({Sound::TripleChain, Sound::PaceUp}));

    resetWorld();
    handleSpecialKey(GLUT_KEY_DOWN);
    handleKeyboard(keyEnter);
    queueErrorBox("a box");
    EXPECT_EQ(takeCuedSounds(), cued({Sound::MenuMove, Sound::MenuChoose, Sound::ErrorBox}));
    dismissErrorBox();
    gameState.score = 5;
    fill({{spawnColumn, 3}}, 5);
    ::testing::internal::CaptureStdout();
    stepPiece();
    ::testing::internal::GetCapturedStdout();
    handleKeyboard('e');
    EXPECT_EQ(takeCuedSounds(), cued({Sound::GameOver, Sound::NameCharacter}));
}

}  // namespace
