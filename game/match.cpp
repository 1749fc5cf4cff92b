// The match scan, scoring and gravity: one step of settling the board per frame.
#include <initializer_list>

#include "app/app.h"
#include "game/game.h"

namespace {

struct Step {
    int dc;  // column change from one cell of the line to the next
    int dr;  // row change
};

constexpr Step across = {1, 0};
constexpr Step down = {0, 1};
constexpr Step fallingDiagonal = {1, 1};
constexpr Step risingDiagonal = {1, -1};

// True when the cells (c, r), (c + dc, r + dr), (c + 2dc, r + 2dr) all lie in
// the well and hold kind k. Lines never wrap across an edge.
bool isTriple(int c, int r, Step step, BlockKind k) {
    const int lastColumn = c + 2 * step.dc;
    const int lastRow = r + 2 * step.dr;
    if (lastColumn < 0 || lastColumn >= boardColumns || lastRow < 0 || lastRow >= boardRows) {
        return false;
    }
    return board.cells[r + step.dr][c + step.dc] == k && board.cells[lastRow][lastColumn] == k;
}

std::int32_t dropIntervalFor(std::int32_t clearedCount, std::int32_t current) {
    if (clearedCount >= thirdSpeedUpCount) return thirdSpeedUpInterval;
    if (clearedCount >= secondSpeedUpCount) return secondSpeedUpInterval;
    if (clearedCount >= firstSpeedUpCount) return firstSpeedUpInterval;
    return current;
}

void clearTriple(int c, int r, Step step, std::int32_t points) {
    for (int i = 0; i < 3; ++i) board.cells[r + i * step.dr][c + i * step.dc] = emptyCell;
    gameState.score += points;
    ++gameState.clearedCount;
    gameState.dropInterval = dropIntervalFor(gameState.clearedCount, gameState.dropInterval);
}

// Rows top to bottom, each left to right; across is tried before down.
bool clearStraightTriple() {
    for (int r = 0; r < boardRows; ++r) {
        for (int c = 0; c < boardColumns; ++c) {
            const BlockKind k = board.cells[r][c];
            if (k == emptyCell) continue;
            for (Step step : {across, down}) {
                if (isTriple(c, r, step, k)) {
                    clearTriple(c, r, step, pointsStraight);
                    return true;
                }
            }
        }
    }
    return false;
}

// Columns left to right, each top to bottom; the falling diagonal is tried
// before the rising one. The diagonals score differently.
bool clearDiagonalTriple() {
    for (int c = 0; c < boardColumns; ++c) {
        for (int r = 0; r < boardRows; ++r) {
            const BlockKind k = board.cells[r][c];
            if (k == emptyCell) continue;
            if (isTriple(c, r, fallingDiagonal, k)) {
                clearTriple(c, r, fallingDiagonal, pointsFallingDiagonal);
                return true;
            }
            if (isTriple(c, r, risingDiagonal, k)) {
                clearTriple(c, r, risingDiagonal, pointsRisingDiagonal);
                return true;
            }
        }
    }
    return false;
}

// One downward walk per column. A block that moves is met again a row lower
// and keeps falling, so a lone block reaches its rest in one pass; a block
// standing on one that is yet to move waits for the next pass, so a stack
// closes a gap one block per frame.
void applyGravity() {
    for (int c = 0; c < boardColumns; ++c) {
        for (int r = 0; r < floorRow; ++r) {
            if (board.cells[r][c] != emptyCell && board.cells[r + 1][c] == emptyCell) {
                board.cells[r + 1][c] = board.cells[r][c];
                board.cells[r][c] = emptyCell;
            }
        }
    }
}

}  // namespace

void resolveBoard() {
    if (clearStraightTriple()) return;
    if (clearDiagonalTriple()) return;
    applyGravity();
}
