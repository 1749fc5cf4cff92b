// The board, the falling piece and the rules that move and land it.
#include <cstdio>
#include <cstdlib>

#include "app/app.h"
#include "game/game.h"
#include "scores/scores.h"
#include "sound/sound.h"

Board board = {};
Piece piece = {};

BlockKind kindFromRandom(int randomValue) {
    // The remainder picks from this table, not the kind itself, so that the
    // kinds come out in the order the game has always drawn them.
    static constexpr BlockKind kindByRemainder[blockKindCount] = {2, 3, 4, 1, 5};
    return kindByRemainder[randomValue % blockKindCount];
}

void clearBoard() {
    for (auto& row : board.cells) {
        for (BlockKind& cell : row) cell = emptyCell;
    }
}

void spawnPiece() {
    PieceBlock* blocks = piece.blocks;
    do {
        for (int i = 0; i < pieceLength; ++i) blocks[i].kind = kindFromRandom(std::rand());
    } while (blocks[pieceTop].kind == blocks[pieceMiddle].kind &&
             blocks[pieceMiddle].kind == blocks[pieceBottom].kind);
    for (int i = 0; i < pieceLength; ++i) {
        blocks[i].column = spawnColumn;
        blocks[i].row = spawnTopRow + i;
    }
}

// True when the cells beside all three blocks, `offset` columns away, are
// inside the well and empty.
static bool pieceCanShift(int offset) {
    const int column = piece.blocks[pieceTop].column + offset;
    if (column < 0 || column >= boardColumns) return false;
    for (const PieceBlock& block : piece.blocks) {
        if (board.cells[block.row][column] != emptyCell) return false;
    }
    return true;
}

static void shiftPiece(int offset) {
    if (!pieceCanShift(offset)) return;
    for (PieceBlock& block : piece.blocks) block.column += offset;
}

void movePieceLeft() { shiftPiece(-1); }

void movePieceRight() { shiftPiece(+1); }

void cycleKindsUp() {
    PieceBlock* blocks = piece.blocks;
    const BlockKind top = blocks[pieceTop].kind;
    blocks[pieceTop].kind = blocks[pieceMiddle].kind;
    blocks[pieceMiddle].kind = blocks[pieceBottom].kind;
    blocks[pieceBottom].kind = top;
}

void cycleKindsDown() {
    PieceBlock* blocks = piece.blocks;
    const BlockKind top = blocks[pieceTop].kind;
    blocks[pieceTop].kind = blocks[pieceBottom].kind;
    blocks[pieceBottom].kind = blocks[pieceMiddle].kind;
    blocks[pieceMiddle].kind = top;
}

// A piece that lands where it spawned ends the game. The piece itself is
// kept: the next game starts with it where it stopped.
static void endGame() {
    clearBoard();
    std::printf("game over\nyour score: %i\n", gameState.score);
    // A player piping the output should see the result while the game runs on.
    std::fflush(stdout);
    gameState.mode = ScreenMode::Highscores;
    offerNameEntry();
}

void stepPiece() {
    const PieceBlock& bottom = piece.blocks[pieceBottom];
    // Only the cell under the bottom block matters: the other two stand on
    // the piece itself.
    if (bottom.row < floorRow && board.cells[bottom.row + 1][bottom.column] == emptyCell) {
        for (PieceBlock& block : piece.blocks) ++block.row;
        return;
    }
    for (int i = pieceBottom; i >= pieceTop; --i) {
        const PieceBlock& block = piece.blocks[i];
        board.cells[block.row][block.column] = block.kind;
    }
    if (bottom.row > spawnBottomRow) {
        cueSound(Sound::Land);
        spawnPiece();
    } else {
        cueSound(Sound::GameOver);
        endGame();
    }
}
