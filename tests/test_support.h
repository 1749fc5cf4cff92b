// Helpers shared by the tests: put the globals into a known state.
#pragma once

#include <initializer_list>

#include "app/app.h"
#include "game/game.h"
#include "scores/scores.h"

// Fresh game state, no error box, name prompt closed, empty board, and a piece of the
// given kinds with its top block at (column, topRow).
inline void resetWorld(int column = spawnColumn, int topRow = 0,
                       std::initializer_list<BlockKind> kinds = {1, 2, 3}) {
    gameState = GameState{};
    errorBoxes = ErrorBoxQueue{};
    enteringName = false;
    clearBoard();
    int i = 0;
    for (BlockKind kind : kinds) {
        piece.blocks[i] = PieceBlock{kind, column, topRow + i};
        ++i;
    }
}

// Writes kind into several board cells given as {column, row} pairs.
struct Cell {
    int column;
    int row;
};

inline void fill(std::initializer_list<Cell> cells, BlockKind kind) {
    for (Cell cell : cells) board.cells[cell.row][cell.column] = kind;
}

inline BlockKind at(int column, int row) { return board.cells[row][column]; }
