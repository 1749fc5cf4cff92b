// How long the per-frame rules take: the match scan and gravity on boards
// from empty to full, and a piece's step. Run by hand: build/tests/rules_bench
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "test_support.h"

namespace {

// A board filled to `rows` rows from the floor with kinds that form no
// triple, so that every call scans the whole board and then runs gravity.
void fillWithoutTriples(int rows) {
    clearBoard();
    for (int r = boardRows - rows; r < boardRows; ++r) {
        for (int c = 0; c < boardColumns; ++c) board.cells[r][c] = 1 + (c + 2 * r) % 4 / 2 + 2 * (r % 2);
    }
}

void resolveWithoutTriples(benchmark::State& state) {
    resetWorld();
    fillWithoutTriples(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        resolveBoard();
        benchmark::DoNotOptimize(board);
    }
    state.counters["cleared"] = gameState.clearedCount;
}
BENCHMARK(resolveWithoutTriples)->Arg(0)->Arg(8)->Arg(boardRows);

void stepAndLand(benchmark::State& state) {
    resetWorld();
    std::srand(1);
    for (auto _ : state) {
        stepPiece();
        if (piece.blocks[pieceTop].row == 0) clearBoard();
    }
}
BENCHMARK(stepAndLand);

}  // namespace

BENCHMARK_MAIN();
