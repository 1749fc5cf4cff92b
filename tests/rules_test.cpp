// The rules of play: spawning, moving, landing, game over, matching, gravity.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "test_support.h"

namespace {

class Rules : public ::testing::Test {
protected:
    void SetUp() override { resetWorld(); }
};

void expectPieceAt(int column, int topRow) {
    for (int i = 0; i < pieceLength; ++i) {
        EXPECT_EQ(piece.blocks[i].column, column) << "block " << i;
        EXPECT_EQ(piece.blocks[i].row, topRow + i) << "block " << i;
    }
}

// The five remainders of a random number give the five kinds, each once, so
// that every kind is as likely as any other, whatever the number's size.
TEST_F(Rules, EachRemainderGivesAKindOfItsOwn) {
    std::set<BlockKind> kinds;
    for (int value = 0; value < blockKindCount; ++value) kinds.insert(kindFromRandom(value));
    EXPECT_EQ(kinds, (std::set<BlockKind>{1, 2, 3, 4, 5}));
    for (int value : {5, 17, RAND_MAX}) EXPECT_EQ(kindFromRandom(value), kindFromRandom(value % blockKindCount)) << value;
}

TEST_F(Rules, SpawnDrawsOneNumberPerBlockAndNeverThreeEqual) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        std::srand(seed);
        int draws[3];
        for (int& draw : draws) draw = std::rand();
        std::srand(seed);
        spawnPiece();
        const BlockKind top = piece.blocks[pieceTop].kind;
        const BlockKind middle = piece.blocks[pieceMiddle].kind;
        const BlockKind bottom = piece.blocks[pieceBottom].kind;
        ASSERT_FALSE(top == middle && middle == bottom) << "seed " << seed;
        const bool firstDrawKept = !(kindFromRandom(draws[0]) == kindFromRandom(draws[1]) &&
                                     kindFromRandom(draws[1]) == kindFromRandom(draws[2]));
        if (firstDrawKept) {
            EXPECT_EQ(top, kindFromRandom(draws[0]));
            EXPECT_EQ(middle, kindFromRandom(draws[1]));
            EXPECT_EQ(bottom, kindFromRandom(draws[2]));
        }
        expectPieceAt(spawnColumn, 0);
    }
}

TEST_F(Rules, MovesStopAtTheWalls) {
    resetWorld(0, 5);
    movePieceLeft();
    expectPieceAt(0, 5);
    movePieceRight();
    expectPieceAt(1, 5);
    resetWorld(boardColumns - 1, 5);
    movePieceRight();
    expectPieceAt(boardColumns - 1, 5);
    movePieceLeft();
    expectPieceAt(boardColumns - 2, 5);
}

TEST_F(Rules, MovesStopBesideABlockInAnyOfTheThreeRows) {
    for (int blockIndex = 0; blockIndex < pieceLength; ++blockIndex) {
        const int row = 5 + blockIndex;
        resetWorld(3, 5);
        fill({{2, row}, {4, row}}, 1);
        movePieceLeft();
        movePieceRight();
        expectPieceAt(3, 5);
    }
    // Cells diagonally next to the piece do not stop it.
    resetWorld(3, 5);
    fill({{2, 4}, {2, 8}}, 1);
    movePieceLeft();
    expectPieceAt(2, 5);
}

TEST_F(Rules, CyclesRotateTheKindsOnly) {
    resetWorld(3, 4, {1, 2, 3});
    cycleKindsUp();
    EXPECT_EQ(piece.blocks[pieceTop].kind, 2);
    EXPECT_EQ(piece.blocks[pieceMiddle].kind, 3);
    EXPECT_EQ(piece.blocks[pieceBottom].kind, 1);
    cycleKindsDown();
    cycleKindsDown();
    EXPECT_EQ(piece.blocks[pieceTop].kind, 3);
    EXPECT_EQ(piece.blocks[pieceMiddle].kind, 1);
    EXPECT_EQ(piece.blocks[pieceBottom].kind, 2);
    expectPieceAt(3, 4);
}

TEST_F(Rules, APieceOnTheFloorLandsAndANewOneSpawns) {
    resetWorld(5, floorRow - 2, {1, 2, 3});
    stepPiece();
    EXPECT_EQ(at(5, floorRow - 2), 1);
    EXPECT_EQ(at(5, floorRow - 1), 2);
    EXPECT_EQ(at(5, floorRow), 3);
    expectPieceAt(spawnColumn, 0);
    EXPECT_EQ(gameState.mode, ScreenMode::Menu);  // no game over
}

TEST_F(Rules, APieceFallsUntilItStandsOnABlock) {
    fill({{3, 10}}, 5);
    int steps = 0;
    while (steps < 100) {
        const int bottomBefore = piece.blocks[pieceBottom].row;
        stepPiece();
        ++steps;
        if (piece.blocks[pieceBottom].row < bottomBefore) break;  // landed and respawned
    }
    EXPECT_EQ(steps, 8);  // 7 rows down, then the landing
    EXPECT_EQ(at(3, 7), 1);
    EXPECT_EQ(at(3, 8), 2);
    EXPECT_EQ(at(3, 9), 3);
}

TEST_F(Rules, LandingAfterOneRowGoesOn) {
    fill({{3, 4}}, 5);
    stepPiece();
    stepPiece();
    EXPECT_EQ(at(3, 3), 3);
    EXPECT_EQ(gameState.mode, ScreenMode::Menu);
    expectPieceAt(spawnColumn, 0);
}

TEST_F(Rules, LandingWithoutFallingEndsTheGameInTheCurrentColumn) {
    resetWorld(spawnColumn, 0, {4, 4, 2});
    gameState.mode = ScreenMode::Play;
    gameState.score = 42;
    fill({{5, 3}}, 1);
    fill({{0, 16}}, 2);
    movePieceRight();
    movePieceRight();
    ::testing::internal::CaptureStdout();
    stepPiece();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "game over\nyour score: 42\n");
    EXPECT_EQ(gameState.mode, ScreenMode::Highscores);
    for (int r = 0; r < boardRows; ++r) {
        for (int c = 0; c < boardColumns; ++c) ASSERT_EQ(at(c, r), emptyCell);
    }
    // The piece stays as it was, to fall again in the next game.
    expectPieceAt(5, 0);
    EXPECT_EQ(piece.blocks[pieceTop].kind, 4);
    EXPECT_EQ(piece.blocks[pieceBottom].kind, 2);
}

TEST_F(Rules, ABlockBelowTheSpawnColumnDoesNotStopAPieceMovedAway) {
    fill({{3, 3}}, 1);
    movePieceRight();
    stepPiece();
    expectPieceAt(4, 1);
}

TEST_F(Rules, APieceSpawnedOverTheStackMayMoveThenOverwritesWhenItLands) {
    resetWorld(3, 0, {1, 2, 1});
    for (int r = 0; r < boardRows; ++r) fill({{3, r}}, 5);
    fill({{2, 1}}, 4);
    movePieceLeft();  // blocked in row 1
    expectPieceAt(3, 0);
    ::testing::internal::CaptureStdout();
    stepPiece();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "game over\nyour score: 0\n");
    EXPECT_EQ(gameState.mode, ScreenMode::Highscores);
}

// ---- matching --------------------------------------------------------------

TEST_F(Rules, AnEmptyBoardStaysEmpty) {
    resolveBoard();
    EXPECT_EQ(gameState.score, 0);
    EXPECT_EQ(gameState.clearedCount, 0);
}

struct TripleCase {
    const char* name;
    Cell cells[3];
    std::int32_t points;
};

TEST_F(Rules, EachDirectionScoresItsPoints) {
    const TripleCase cases[] = {
        {"across", {{5, 16}, {6, 16}, {7, 16}}, 5},
        {"down", {{0, 14}, {0, 15}, {0, 16}}, 5},
        {"falling diagonal", {{0, 14}, {1, 15}, {2, 16}}, 10},
        {"rising diagonal", {{5, 16}, {6, 15}, {7, 14}}, 7},
    };
    for (const TripleCase& triple : cases) {
        resetWorld();
        fill({triple.cells[0], triple.cells[1], triple.cells[2]}, 3);
        resolveBoard();
        EXPECT_EQ(gameState.score, triple.points) << triple.name;
        EXPECT_EQ(gameState.clearedCount, 1) << triple.name;
        for (Cell cell : triple.cells) EXPECT_EQ(at(cell.column, cell.row), emptyCell) << triple.name;
    }
}

TEST_F(Rules, LinesNeverWrapAcrossTheEdges) {
    // Each of these would be three in a row if the cells were read as one
    // long row-by-row list or if rows wrapped between the top and the floor.
    const TripleCase cases[] = {
        {"across the side", {{6, 15}, {7, 15}, {0, 16}}, 0},
        {"rising from column 6", {{6, 16}, {7, 15}, {0, 15}}, 0},
        {"falling from column 6", {{6, 12}, {7, 13}, {0, 15}}, 0},
        {"down across the floor", {{1, 15}, {1, 16}, {1, 0}}, 0},
        {"rising across the top", {{2, 1}, {3, 0}, {4, 16}}, 0},
        {"falling across the floor", {{2, 15}, {3, 16}, {4, 0}}, 0},
    };
    for (const TripleCase& line : cases) {
        resetWorld();
        fill({line.cells[0], line.cells[1], line.cells[2]}, 2);
        resolveBoard();
        EXPECT_EQ(gameState.clearedCount, 0) << line.name;
    }
}

TEST_F(Rules, PassOneGoesRowByRowAndTriesAcrossBeforeDown) {
    // A cell that starts both lines: across wins.
    fill({{2, 10}, {3, 10}, {4, 10}, {2, 11}, {2, 12}}, 1);
    resolveBoard();
    EXPECT_EQ(at(3, 10), emptyCell);
    EXPECT_EQ(at(2, 11), 1);
    EXPECT_EQ(gameState.score, 5);

    // A vertical triple that starts in an earlier row beats a horizontal
    // one further left in a later row.
    resetWorld();
    fill({{6, 8}, {6, 9}, {6, 10}}, 2);
    fill({{0, 9}, {1, 9}, {2, 9}}, 3);
    resolveBoard();
    EXPECT_EQ(at(6, 8), emptyCell);
    EXPECT_EQ(at(0, 9), 3);
    resolveBoard();
    EXPECT_EQ(at(0, 9), emptyCell);
    EXPECT_EQ(gameState.clearedCount, 2);
}

TEST_F(Rules, PassTwoGoesColumnByColumnAndOnlyWhenPassOneFoundNothing) {
    // A rising diagonal in column 0 is found before a falling one in column 1,
    // though the falling one starts in an earlier row.
    fill({{0, 12}, {1, 11}, {2, 10}}, 4);
    fill({{1, 2}, {2, 3}, {3, 4}}, 5);
    fill({{4, 16}, {5, 16}, {6, 16}}, 1);
    resolveBoard();
    EXPECT_EQ(gameState.score, 5) << "the straight line first";
    resolveBoard();
    EXPECT_EQ(gameState.score, 12) << "then the rising diagonal of column 0";
    EXPECT_EQ(at(1, 2), 5);
    resolveBoard();
    EXPECT_EQ(gameState.score, 22);

    // In one cell the falling diagonal is tried before the rising one.
    resetWorld();
    fill({{2, 8}, {3, 9}, {4, 10}, {3, 7}, {4, 6}}, 1);
    resolveBoard();
    EXPECT_EQ(gameState.score, 10);
    EXPECT_EQ(at(3, 7), 1);
}

TEST_F(Rules, ARunOfFourLosesItsFirstThree) {
    fill({{0, 16}, {1, 16}, {2, 16}, {3, 16}}, 2);
    resolveBoard();
    EXPECT_EQ(gameState.score, 5);
    EXPECT_EQ(at(2, 16), emptyCell);
    EXPECT_EQ(at(3, 16), 2);
}

TEST_F(Rules, TheDropIntervalShortensAt11_21And31Triples) {
    struct Step {
        std::int32_t clearedBefore;
        std::int32_t intervalAfter;
    };
    const Step steps[] = {{0, 15}, {9, 15}, {10, 10}, {19, 10}, {20, 7}, {29, 7}, {30, 5}, {60, 5}};
    for (Step step : steps) {
        resetWorld();
        gameState.dropInterval = startDropInterval;
        gameState.clearedCount = step.clearedBefore;
        fill({{0, 16}, {1, 16}, {2, 16}}, 1);
        resolveBoard();
        EXPECT_EQ(gameState.dropInterval, step.intervalAfter) << "after triple " << step.clearedBefore + 1;
    }
}

TEST_F(Rules, GravityDropsALoneBlockToRestInOnePass) {
    fill({{2, 3}}, 4);
    fill({{5, 0}}, 1);
    fill({{5, 9}}, 2);
    resolveBoard();
    EXPECT_EQ(at(2, 3), emptyCell);
    EXPECT_EQ(at(2, floorRow), 4);
    EXPECT_EQ(at(5, 8), 1);
    EXPECT_EQ(at(5, floorRow), 2);
}

TEST_F(Rules, GravityClosesAGapUnderAStackOneBlockPerPass) {
    fill({{4, 10}}, 1);
    fill({{4, 11}}, 2);
    fill({{4, 12}}, 3);
    fill({{4, 16}}, 4);
    resolveBoard();
    EXPECT_EQ(at(4, 15), 3);
    EXPECT_EQ(at(4, 11), 2);
    EXPECT_EQ(at(4, 10), 1);
    resolveBoard();
    EXPECT_EQ(at(4, 14), 2);
    EXPECT_EQ(at(4, 10), 1);
    resolveBoard();
    EXPECT_EQ(at(4, 13), 1);
    EXPECT_EQ(gameState.score, 0);
}

TEST_F(Rules, GravityIgnoresThePiece) {
    resetWorld(2, 14);
    fill({{2, 5}}, 1);
    resolveBoard();
    EXPECT_EQ(at(2, floorRow), 1);
    expectPieceAt(2, 14);
}

}  // namespace
