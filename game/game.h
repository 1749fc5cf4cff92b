// game/: the rules of play -- the board, the falling piece, the match scan and
// gravity. Owns the globals `board` and `piece`; of the game state it writes
// the score, the cleared count and the drop interval (when triples clear) and
// the screen mode (at game over). No OpenGL here.
//
// The board is 8 columns by 17 rows. Column 0 is at the left, row 0 at the
// top; row 16 is the floor row. Cells are kept as cells[row][column], so in
// memory they run row by row (index = row * 8 + column). A cell holds a
// BlockKind: 0 is empty, 1 to 5 are the five kinds (1 light blue, 2 red,
// 3 green, 4 dark blue, 5 grey), which pick the block's texture.
//
// The piece is a vertical column of three blocks: blocks[0] on top, blocks[1]
// in the middle, blocks[2] at the bottom, always in one column and in three
// consecutive rows. It is not part of the board: its kinds are written into
// the board only when it lands.
#pragma once

#include <cstdint>

using BlockKind = std::int32_t;

constexpr int boardColumns = 8;
constexpr int boardRows = 17;
constexpr int floorRow = boardRows - 1;
constexpr BlockKind emptyCell = 0;
constexpr int blockKindCount = 5;  // kinds 1 to 5; 0 is the empty cell

constexpr int pieceLength = 3;
constexpr int pieceTop = 0;
constexpr int pieceMiddle = 1;
constexpr int pieceBottom = 2;
constexpr int spawnColumn = 3;
constexpr int spawnTopRow = 0;
// A piece that lands with its bottom block still in this row has not fallen
// a single row since it appeared: the game is over.
constexpr int spawnBottomRow = spawnTopRow + pieceBottom;

// Points of a triple, by its direction.
constexpr std::int32_t pointsStraight = 5;          // across or down
constexpr std::int32_t pointsRisingDiagonal = 7;    // up to the right
constexpr std::int32_t pointsFallingDiagonal = 10;  // down to the right

// The drop interval of a game: it starts slow and shortens as triples clear.
constexpr std::int32_t startDropInterval = 15;
constexpr std::int32_t firstSpeedUpCount = 11;  // from this many triples: 10
constexpr std::int32_t firstSpeedUpInterval = 10;
constexpr std::int32_t secondSpeedUpCount = 21;  // from this many: 7
constexpr std::int32_t secondSpeedUpInterval = 7;
constexpr std::int32_t thirdSpeedUpCount = 31;  // from this many: 5
constexpr std::int32_t thirdSpeedUpInterval = 5;

struct Board {
    BlockKind cells[boardRows][boardColumns];  // [row][column], 0 = empty
};

struct PieceBlock {
    BlockKind kind;      // 1 to 5
    std::int32_t column; // 0 to 7, the same for all three blocks
    std::int32_t row;    // top block's row + its index in the piece
};

struct Piece {
    PieceBlock blocks[pieceLength];  // top, middle, bottom
};

extern Board board;  // the well; empty at start-up
extern Piece piece;  // the falling piece

// Maps one value of rand() to a kind: remainder 0..4 gives 2, 3, 4, 1, 5.
BlockKind kindFromRandom(int randomValue);

// Empties every cell of `board`.
void clearBoard();
// Gives `piece` three new kinds (never all three equal) at column 3, rows 0-2.
void spawnPiece();
// Shifts `piece` one column left unless the wall or a board block is in the way.
void movePieceLeft();
// Shifts `piece` one column right unless the wall or a board block is in the way.
void movePieceRight();
// Rotates the kinds of `piece` upwards: top takes middle's, middle bottom's, bottom top's.
void cycleKindsUp();
// Rotates the kinds of `piece` downwards: top takes bottom's, middle top's, bottom middle's.
void cycleKindsDown();
// Moves `piece` down a row, or lands it in `board` (cueing its sound); a
// landing without a fallen row ends the game (clears `board`, prints the
// score, mode Highscores, and opens the name prompt for a high score).
void stepPiece();
// One frame of settling `board`: clears and scores the first triple found, or
// else lets every block fall one gravity pass. Writes score, clearedCount, dropInterval.
void resolveBoard();
