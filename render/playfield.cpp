// The play field: the board and the falling piece as a grid of cubes.
#include "app/app.h"
#include "render/render.h"

void drawCellGrid(void (*drawCell)(int column, int row)) {
    glPushMatrix();
    for (int row = 0; row < boardRows; ++row) {
        for (int column = 0; column < boardColumns; ++column) {
            drawCell(column, row);
            glTranslatef(columnSpacing, 0.0f, 0.0f);
        }
        glTranslatef(-columnSpacing * boardColumns, -rowSpacing, 0.0f);
    }
    glPopMatrix();
}

void drawPlayField() {
    glLoadIdentity();
    glTranslatef(fieldOriginX, fieldOriginY, fieldOriginZ);
    // Before the rotations, so the score stays put when the view turns.
    drawScoreLine();
    if (gameState.paused) drawPausedLine();
    if (gameState.hintShown) drawHintLine();
    // The rotations come after the origin, so the field turns about the cube
    // of column 0, row 0 rather than the middle of the well.
    glRotatef(gameState.pitch, 1.0f, 0.0f, 0.0f);
    glRotatef(gameState.yaw, 0.0f, 1.0f, 0.0f);
    drawCellGrid([](int column, int row) {
        // A piece block and a board block may share a cell (a piece spawned
        // over the stack, a block fallen into the piece): both are drawn.
        for (const PieceBlock& block : piece.blocks) {
            if (block.column == column && block.row == row) drawBlockCube(blockTextures[block.kind]);
        }
        const BlockKind kind = board.cells[row][column];
        if (kind != emptyCell) drawBlockCube(blockTextures[kind]);
    });
}
