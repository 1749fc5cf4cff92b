// The frame loop's plain functions: what moves by the clock (the drop
// timing, a settling board, the menu's wall and spin, the name prompt's
// cursor) and whether the picture changed. No OpenGL: the GLUT timer and
// the key callbacks call these, and the drawing only reads what they leave.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#include "app/app.h"
#include "game/game.h"
#include "scores/scores.h"
#include "sound/sound.h"

namespace {

// The picture as the last frame asked for showed it, byte by byte.
std::string shownPicture;

bool sameBoard(const Board& a, const Board& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The one catch-up rule of the game's clocks: the steps of a clock that
// steps every `period` and last stepped at `last`, due at `now` -- one for
// every whole period since, or one alone after a stall, so that nothing
// races to catch up. `last` moves on to the last step taken.
int takeSteps(Clock::time_point& last, Clock::time_point now, Clock::duration period) {
    const auto elapsed = now - last;
    if (elapsed > stallLimit) {
        last = now;
        return 1;
    }
    const auto steps = elapsed / period;
    last += steps * period;
    return static_cast<int>(steps);
}

// The sound of a settling step that cleared a triple: its direction's for
// the first since the board last stood settled, a brighter one for each
// further; and the pace's when it quickened.
void cueTriple(std::int32_t points, std::int32_t intervalBefore) {
    Sound sound = Sound::TripleChain;
    if (gameState.settleTriples++ == 0) {
        sound = points == pointsFallingDiagonal  ? Sound::TripleFalling
                : points == pointsRisingDiagonal ? Sound::TripleRising
                                                 : Sound::TripleStraight;
    }
    cueSound(sound);
    if (gameState.dropInterval < intervalBefore) cueSound(Sound::PaceUp);
}

// A board that differs from its settled self takes one settling step a
// frame (a triple cleared, or a pass of gravity) until a step changes
// nothing. Its clock starts at the wake-up that finds it changed, which
// takes the first step, so each step is a frame of its own however soon
// the landing came after the last settling. Skipping the steps of a
// settled board changes nothing: on such a board a step finds nothing to
// clear and nothing to drop.
Wake settleBoard(Clock::time_point now) {
    if (sameBoard(board, gameState.settledBoard)) {
        gameState.settling = false;
        return std::nullopt;
    }
    int steps = 1;
    if (gameState.settling) {
        steps = takeSteps(gameState.lastSettle, now, framePeriod);
    } else {
        gameState.settling = true;
        gameState.lastSettle = now;
    }
    for (; steps > 0; --steps) {
        const Board before = board;
        const std::int32_t score = gameState.score, interval = gameState.dropInterval;
        resolveBoard();
        if (gameState.score != score) cueTriple(gameState.score - score, interval);
        if (sameBoard(board, before)) {
            gameState.settledBoard = board;
            gameState.settleTriples = 0;
            gameState.settling = false;
            return std::nullopt;
        }
    }
    return gameState.lastSettle + framePeriod;
}

// The touch gestures' hint goes `hintDuration` after the first wake-up that
// finds it shown.
Wake timeHint(Clock::time_point now) {
    if (!gameState.hintShown) return std::nullopt;
    if (!gameState.hintEnds) gameState.hintEnds = now + hintDuration;
    if (now < *gameState.hintEnds) return gameState.hintEnds;
    gameState.hintShown = false;
    return std::nullopt;
}

Wake advancePlay(Clock::time_point now) {
    runDropTiming(now);
    const Wake settling = settleBoard(now);
    const Wake tick = gameState.paused ? Wake{} : Wake{gameState.lastTick + tickPeriod};
    return earliestWake(earliestWake(settling, tick), timeHint(now));
}

// A fresh image for one cube of the wall, and the frame of its next change.
void changeWallImage(int row, int column) {
    MenuWall& wall = gameState.wall;
    wall.images[row][column] = std::rand() % wallImageKinds;
    wall.nextChange[row][column] = wall.frame + wallMinFramesKept + std::rand() % wallFramesKeptSpread;
}

// The menu's frame steps: the spin (unless the desktop asks for less
// motion: then the wall stands where it is), and the images of the cubes
// whose time has come, no more than an eighth of the wall at once (the rest
// wait a frame).
Wake stepMenu(Clock::time_point now) {
    MenuWall& wall = gameState.wall;
    for (int steps = takeSteps(gameState.lastFrame, now, framePeriod); steps > 0; --steps) {
        if (!gameState.lessMotion) {
            gameState.menuSpin -= menuSpinStep;
            if (gameState.menuSpin < menuSpinLimit) gameState.menuSpin = 0.0f;
        }
        ++wall.frame;
    }
    int changes = 0;
    for (int row = 0; row < boardRows; ++row) {
        for (int column = 0; column < boardColumns && changes < wallMostChangesAFrame; ++column) {
            if (wall.nextChange[row][column] > wall.frame) continue;
            changeWallImage(row, column);
            ++changes;
        }
    }
    return gameState.lastFrame + framePeriod;
}

// The name prompt's cursor shows or not by a fresh draw every so often.
Wake flickerCursor(Clock::time_point now) {
    if (!enteringName) return std::nullopt;
    if (now >= gameState.nextCursorDraw) {
        gameState.cursorShown = std::rand() % cursorChances < cursorShownChances;
        gameState.nextCursorDraw = now + cursorDrawPeriod;
    }
    return gameState.nextCursorDraw;
}

// Everything the screens draw from, byte by byte.
std::string pictureBytes() {
    std::string bytes;
    const auto add = [&bytes](const auto& value) {
        using Value = std::remove_reference_t<decltype(value)>;
        // No padding, whose bytes could differ in two equal pictures.
        static_assert(std::has_unique_object_representations_v<Value> || std::is_floating_point_v<Value>);
        bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    };
    add(gameState.mode);
    add(gameState.menuSelection);
    add(gameState.score);
    add(gameState.paused);
    add(gameState.pitch);
    add(gameState.yaw);
    add(gameState.menuSpin);
    add(gameState.wall.images);
    add(board);
    add(piece);
    add(highScoreTable);
    add(enteringName);
    add(nameBuffer);
    add(pendingCharacter);
    add(gameState.cursorShown);
    add(gameState.hintShown);
    add(errorBoxes.count > 0);
    if (errorBoxes.count > 0) add(errorBoxes.messages[0]);
    return bytes;
}

}  // namespace

Wake advanceGame(Clock::time_point now) {
    // Behind an error box the screen stands still: nothing falls, clears or turns.
    if (errorBoxes.count > 0) {
        holdGameTime(now);
        return std::nullopt;
    }
    switch (gameState.mode) {
    case ScreenMode::Menu:
        return stepMenu(now);
    case ScreenMode::Play: {
        const Wake wake = advancePlay(now);
        // A timed step may end the game: the table then starts from this moment.
        return gameState.mode == ScreenMode::Play ? wake : advanceGame(now);
    }
    case ScreenMode::Highscores:
        return flickerCursor(now);
    }
    return std::nullopt;
}

Wake earliestWake(Wake a, Wake b) {
    if (!a) return b;
    if (!b) return a;
    return std::min(*a, *b);
}

bool pictureChanged() {
    std::string picture = pictureBytes();
    if (picture == shownPicture) return false;
    shownPicture = std::move(picture);
    return true;
}

void holdGameTime(Clock::time_point now) {
    gameState.lastTick = now;
    gameState.lastFrame = now;
    gameState.lastSettle = now;
}

void readyMenuWall() {
    MenuWall& wall = gameState.wall;
    for (int row = 0; row < boardRows; ++row) {
        for (int column = 0; column < boardColumns; ++column) {
            changeWallImage(row, column);
            wall.nextChange[row][column] -= wallMinFramesKept;
        }
    }
}

void runDropTiming(Clock::time_point now) {
    if (gameState.paused) {
        // Paused time is no game time: counting starts afresh on the way out.
        gameState.lastTick = now;
        return;
    }
    const int ticks = takeSteps(gameState.lastTick, now, tickPeriod);
    // Within the stall limit a wake-up finds at most five ticks, fewer than
    // the shortest interval's six, so it steps the piece at most once.
    for (int tick = 0; tick < ticks; ++tick) {
        ++gameState.dropCounter;
        if (gameState.dropCounter > gameState.dropInterval) {
            stepPiece();
            gameState.dropCounter = 0;
        }
    }
}
