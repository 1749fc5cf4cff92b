// The shell without a window: the menu, the key map and the drop timing.
#include <GL/freeglut_std.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

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

TEST_F(Shell, ViewKeysInBothCases) {
    gameState.mode = ScreenMode::Play;
    struct ViewKey {
        unsigned char key;
        float pitch;
        float yaw;
    };
    const ViewKey keys[] = {{'d', -45.0f, 0.0f}, {'h', 0.0f, 0.0f}, {'v', 1.5f, 67.0f},
                            {'H', 0.0f, 0.0f},   {'V', 1.5f, 67.0f}, {'D', -45.0f, 0.0f}};
    for (ViewKey view : keys) {
        handleKeyboard(view.key);
        EXPECT_EQ(gameState.pitch, view.pitch) << view.key;
        EXPECT_EQ(gameState.yaw, view.yaw) << view.key;
    }
    handleSpecialKey(GLUT_KEY_PAGE_UP);
    EXPECT_EQ(gameState.pitch, -44.5f);
    handleSpecialKey(GLUT_KEY_PAGE_DOWN);
    handleSpecialKey(GLUT_KEY_PAGE_DOWN);
    EXPECT_EQ(gameState.pitch, -45.5f);
    handleSpecialKey(GLUT_KEY_END);
    EXPECT_EQ(gameState.yaw, 0.5f);
    handleSpecialKey(GLUT_KEY_HOME);
    handleSpecialKey(GLUT_KEY_HOME);
    EXPECT_EQ(gameState.yaw, -0.5f);
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

TEST_F(Shell, AReshapeToHeightZeroKeepsTheWidthAsAspect) {
    EXPECT_DOUBLE_EQ(viewAspect(640, 480), 640.0 / 480.0);
    EXPECT_DOUBLE_EQ(viewAspect(640, 0), 640.0);
    EXPECT_DOUBLE_EQ(viewAspect(0, 0), 0.0);
}

TEST_F(Shell, FrameSlotsFollowAtTheFrameRateAndSkipAfterAStall) {
    using namespace std::chrono;
    const steady_clock::time_point start{seconds(100)};
    const auto period = duration_cast<steady_clock::duration>(seconds(1)) / framesPerSecond;
    EXPECT_EQ(nextFrameSlot(start, start), start + period);
    EXPECT_EQ(nextFrameSlot(start, start + period + period / 2), start + period) << "one frame late";
    const auto stalled = start + seconds(3);
    EXPECT_EQ(nextFrameSlot(start, stalled), stalled);
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

}  // namespace
