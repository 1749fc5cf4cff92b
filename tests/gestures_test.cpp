// The touch gestures on recorded touch sequences, timed by their own stamps.
#include <gtest/gtest.h>

#include <initializer_list>

#include "test_support.h"

namespace {

class Gestures : public ::testing::Test {
protected:
    void SetUp() override {
        resetWorld(3, 4);
        gameState.mode = ScreenMode::Play;
    }

    // One event at `ms` for the touches it changed; its outcome is folded into `seen`.
    void send(TouchPhase phase, double ms, std::initializer_list<TouchPoint> points) {
        send(phase, ms, points.begin(), static_cast<int>(points.size()));
    }
    void send(TouchPhase phase, double ms, const TouchPoint* points, int count) {
        const TouchOutcome outcome = readTouchEvent(phase, points, count, ms, geometry);
        if (seen.key == KeyOutcome::Continue) seen.key = outcome.key;
        seen.recognised |= outcome.recognised;
        seen.focusNameInput |= outcome.focusNameInput;
    }

    // `fingers` fingers (up to three) go down together at (x, y), 40 px
    // apart, move by (dx, dy) in `moves` even steps over `ms` and lift; a
    // second later the next gesture may begin. Returns what it asked.
    TouchOutcome gesture(int fingers, float dx, float dy, double ms, int moves = 8, float x = 100, float y = 100) {
        seen = TouchOutcome{};
        for (int step = 0; step <= moves; ++step) {
            const TouchPhase phase = step == 0 ? TouchPhase::Start : step == moves ? TouchPhase::End : TouchPhase::Move;
            const float along = static_cast<float>(step) / static_cast<float>(moves);
            TouchPoint points[3];
            for (int finger = 0; finger < fingers; ++finger) {
                points[finger] = {finger, x + 40.0f * static_cast<float>(finger) + dx * along, y + dy * along};
            }
            send(phase, clock + ms * along, points, fingers);
        }
        clock += ms + 1000.0;
        return seen;
    }

    const GestureGeometry geometry = gestureGeometry(640, 480);
    double clock = 5000.0;
    TouchOutcome seen;
};

void expectPiece(int column, int topRow) {
    EXPECT_EQ(piece.blocks[pieceTop].column, column);
    EXPECT_EQ(piece.blocks[pieceTop].row, topRow);
}

// Measured on the game's own pictures at 640 x 480 (docs/play.png and
// docs/menu.png): its columns 39.5 px apart, three rows of the piece 80 px
// high, the rows of each menu item's text.
TEST_F(Gestures, TheGeometryMatchesThePictureAndScalesWithTheCanvas) {
    EXPECT_NEAR(geometry.columnWidth, 39.5f, 0.5f);
    EXPECT_NEAR(geometry.rowHeight, 80.0f / 3, 0.5f);
    const float textRows[][2] = {{167, 180}, {198, 211}, {229, 239}};
    for (int item = menuStart; item <= menuExit; ++item) {
        EXPECT_LT(geometry.menuItems[item].top, textRows[item][0]) << item;
        EXPECT_GT(geometry.menuItems[item].bottom, textRows[item][1]) << item;
    }
    const GestureGeometry twice = gestureGeometry(1280, 960);
    EXPECT_FLOAT_EQ(twice.columnWidth, 2 * geometry.columnWidth);
    EXPECT_FLOAT_EQ(twice.menuItems[menuExit].bottom, 2 * geometry.menuItems[menuExit].bottom);
}

// A phone held upright, 390 x 844 CSS pixels of three device pixels each.
// Framed tall, Play fills the width with the well and half a column each
// side, the well more than half the height; the menu is the 4:3 picture
// 0.9 of the width high, centred. Unframed (the desktop), nothing changes.
TEST_F(Gestures, ATallPageFramesThePlayFieldAcrossItsWidth) {
    windowView = {1170, 2532, true};
    const GestureGeometry tall = gestureGeometry(390, 844);
    // 26 units across: 7 columns of 3 between the cubes' centres, a cube's
    // edge of 2 and a spare 1.5 each side.
    EXPECT_NEAR(tall.columnWidth, 390.0f * 3 / 26, 0.01f);
    EXPECT_GT(tall.rowHeight * boardRows, 844 / 2);
    EXPECT_EQ(textPictureHeight(windowView), 1053);
    const float scale = 0.9f * 390 / windowHeight;
    for (int item = menuStart; item <= menuExit; ++item) {
        EXPECT_NEAR(tall.menuItems[item].top, (844 - 0.9f * 390) / 2 + geometry.menuItems[item].top * scale, 0.01f);
    }
    windowView.framesTall = false;
    EXPECT_EQ(textPictureHeight(windowView), 2532);
    EXPECT_FLOAT_EQ(gestureGeometry(390, 844).rowHeight, geometry.rowHeight * 844 / windowHeight);
}

TEST_F(Gestures, ATapActsOnEachScreenAsItsKey) {
    gameState.mode = ScreenMode::Menu;
    const auto tapItem = [&](int item) {
        const TouchBand band = geometry.menuItems[item];
        return gesture(1, 0, 0, 80, 1, 500, (band.top + band.bottom) / 2);
    };
    EXPECT_EQ(tapItem(menuExit).key, KeyOutcome::Quit);
    EXPECT_EQ(gameState.menuSelection, menuExit);
    tapItem(menuHighscores);
    EXPECT_EQ(gameState.mode, ScreenMode::Highscores);
    EXPECT_TRUE(takeCuedSounds() & (1u << static_cast<int>(Sound::MenuChoose)));
    EXPECT_TRUE(gesture(1, 0, 0, 80).recognised) << "the table: Enter";
    EXPECT_EQ(gameState.mode, ScreenMode::Menu);
    EXPECT_FALSE(gesture(1, 0, 0, 80, 1, 500, geometry.menuItems[menuStart].top - 1).recognised) << "off the items";
    gameState.hintPending = true;
    tapItem(menuStart);
    ASSERT_EQ(gameState.mode, ScreenMode::Play);
    EXPECT_TRUE(gameState.hintShown) << "the tap that starts the game leaves its hint";

    queueErrorBox("a box");
    EXPECT_TRUE(gesture(1, 0, 0, 80).recognised);
    EXPECT_EQ(errorBoxes.count, 0u);
    EXPECT_EQ(piece.blocks[pieceTop].kind, 1) << "the tap took the box away and did nothing else";
    EXPECT_TRUE(gameState.hintShown);
    gesture(1, 0, 0, 80);
    EXPECT_FALSE(gameState.hintShown) << "the game's first gesture";

    gameState.mode = ScreenMode::Highscores;
    enteringName = true;
    EXPECT_TRUE(gesture(1, 0, 0, 80).focusNameInput);
    EXPECT_EQ(nameLength, 0);
}

// In Play: one finger cycles, two pause and resume, three give the front
// view; too long or too far is no tap, nor is a finger joining too late.
TEST_F(Gestures, TapsOfOneTwoAndThreeFingersInPlay) {
    gesture(1, 0, 0, 100);
    EXPECT_EQ(piece.blocks[pieceTop].kind, 2);
    gesture(1, 0, 0, tapLongestMs + 50);
    gesture(1, 0, touchDragDistance + 1, 100);
    EXPECT_EQ(piece.blocks[pieceTop].kind, 2);
    gesture(2, 0, 0, 150);
    EXPECT_TRUE(gameState.paused);
    gesture(2, 0, 0, 150);
    EXPECT_FALSE(gameState.paused);
    gameState.yaw = 30;
    gesture(3, 0, 0, 150);
    EXPECT_EQ(gameState.yaw, 0.0f);

    send(TouchPhase::Start, clock, {{1, 100, 100}});
    send(TouchPhase::Start, clock + touchFingersTogetherMs + 20, {{2, 140, 100}});
    send(TouchPhase::End, clock + 200, {{1, 100, 100}, {2, 140, 100}});
    EXPECT_FALSE(gameState.paused);
    EXPECT_EQ(piece.blocks[pieceTop].kind, 3) << "one finger's tap, the late one doing nothing";
}

// A slide follows the finger column by column, either way; a slow drag
// down pushes a row per row's height; a flick drops or replaces the piece.
TEST_F(Gestures, DragsAndFlicksMoveThePiece) {
    const float column = geometry.columnWidth;
    send(TouchPhase::Start, 0, {{7, 100, 300}});
    for (int step = 1; step <= 35; ++step) send(TouchPhase::Move, step * 10.0, {{7, 100 + column * step / 10, 303}});
    expectPiece(6, 4);
    send(TouchPhase::Move, 400, {{7, 100 + column * 2.1f, 303}});
    expectPiece(6, 4);
    send(TouchPhase::Move, 410, {{7, 100 + column * 1.9f, 303}});
    expectPiece(5, 4);
    send(TouchPhase::End, 1000, {{7, 100 - column * 0.1f, 290}});
    expectPiece(3, 4);

    gesture(1, 0, geometry.rowHeight * 2.5f, 1000, 20);
    expectPiece(3, 6);
    gesture(1, 0, -200, 100, 4);
    expectPiece(spawnColumn, spawnTopRow);
    EXPECT_TRUE(takeCuedSounds() & (1u << static_cast<int>(Sound::Replace)));
    // Resting, then away fast: a flick, measured over its last moments.
    const BlockKind bottom = piece.blocks[pieceBottom].kind;
    send(TouchPhase::Start, clock, {{9, 300, 100}});
    send(TouchPhase::Move, clock + 500, {{9, 300, 105}});
    for (int step = 1; step <= 3; ++step) send(TouchPhase::Move, clock + 500 + 20 * step, {{9, 300, 105.0f + 50 * step}});
    send(TouchPhase::End, clock + 560, {{9, 300, 255}});
    EXPECT_EQ(at(spawnColumn, floorRow), bottom);
    expectPiece(spawnColumn, spawnTopRow);
}

// Two fingers turn the view by their direction, the well following them.
TEST_F(Gestures, TwoFingerDragsTurnTheView) {
    gesture(2, -50, 0, 300);
    const float turned = gameState.yaw;
    EXPECT_GT(turned, 0.0f) << "fingers going left swing the well's right side back";
    gesture(2, 25, 3, 300);
    EXPECT_NEAR(gameState.yaw, turned / 2, viewStep);
    EXPECT_EQ(gameState.pitch, 0.0f);
    gesture(2, 0, -40, 300);
    EXPECT_GT(gameState.pitch, 0.0f);
}

// A gesture belongs to the screen it began on, and a cancel ends it.
TEST_F(Gestures, AGestureEndsWithItsScreenOrWhenCancelled) {
    send(TouchPhase::Start, 0, {{1, 100, 100}});
    send(TouchPhase::Move, 50, {{1, 100 + geometry.columnWidth * 1.2f, 100}});
    expectPiece(4, 4);
    queueErrorBox("a box");
    send(TouchPhase::Move, 100, {{1, 100 + geometry.columnWidth * 1.5f, 100}});
    dismissErrorBox();
    send(TouchPhase::End, 150, {{1, 100 + geometry.columnWidth * 3.2f, 100}});
    expectPiece(4, 4);

    // A push that lands the piece ends the drag: the next piece stays put.
    resetWorld(3, floorRow - 4);
    gameState.mode = ScreenMode::Play;
    gesture(1, 0, geometry.rowHeight * 6, 1000, 12);
    EXPECT_NE(at(3, floorRow), emptyCell);
    expectPiece(spawnColumn, spawnTopRow);

    seen = TouchOutcome{};
    const BlockKind top = piece.blocks[pieceTop].kind;
    send(TouchPhase::Start, clock, {{1, 100, 100}});
    send(TouchPhase::Cancel, clock + 50, {{1, 100, 100}});
    send(TouchPhase::End, clock + 80, {{1, 100, 100}});
    EXPECT_EQ(piece.blocks[pieceTop].kind, top);
    EXPECT_FALSE(seen.recognised);
}

}  // namespace
