// What each drawing step of a frame costs the processor, every thread of the
// process counted (Mesa's software renderer draws on several), in a real
// 640 x 480 window. Each step runs once as drawn and once with a scissor box
// of one pixel: that second run pays everything but the pixels, so the gap
// between the two is what the step's pixels cost. Run by hand under Xvfb:
//   cd build-test && ../scripts/with-xvfb.sh tests/screens_bench
// (scripts/bench-screens.sh runs it after its table of whole screens).
#include <GL/glut.h>
#include <benchmark/benchmark.h>


#include "app/app.h"
#include "render/render.h"
#include "scores/scores.h"

namespace {

// One frame of `draw` as the game draws it, from a cleared buffer until the
// renderer is done, every pixel written (range 0) or only one (range 1).
template <void (*draw)()>
void drawingStep(benchmark::State& state) {
    const bool scissored = state.range(0) == 1;
    if (scissored) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, 1, 1);
    }
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw();
        glFinish();
    }
    glDisable(GL_SCISSOR_TEST);
    state.SetLabel(scissored ? "one pixel" : "every pixel");
}

void clearOnly() {}

// Eleven texts in the table's places, of one glyph and of 21: the gap is
// what 220 glyphs cost, each text one draw.
template <int glyphs>
void elevenTexts() {
    static const char line[] = "(0) Ordinary Name : 5";
    static_assert(sizeof line - 1 == 21);
    glLoadIdentity();
    glTranslatef(fieldOriginX, fieldOriginY, -55.0f);
    for (int i = 0; i < highScoreCount; ++i) drawText(1.0f, -3.0f * i, "%.*s", glyphs, line);
}

#define STEP(name, ...)                                                                   \
    BENCHMARK(drawingStep<__VA_ARGS__>)->Name(name)->Arg(0)->Arg(1)->MeasureProcessCPUTime() \
        ->UseRealTime()->Unit(benchmark::kMillisecond)
STEP("clear", clearOnly);
STEP("menu", drawMenuScreen);
STEP("high score table", drawHighscoreScreen);
STEP("play field (empty)", drawPlayField);
STEP("11 texts of 1 glyph", elevenTexts<1>);
STEP("11 texts of 21 glyphs", elevenTexts<21>);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    // As the game does: without it, Mesa's heap goes back to the system and
    // is taken again text after text, and the table costs ten times more.
    prepareProcess();
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA | GLUT_ALPHA | GLUT_DEPTH);
    glutInitWindowSize(windowWidth, windowHeight);
    gameState.window = glutCreateWindow(windowTitle);
    glutDisplayFunc([] {});
    initGraphics(windowWidth, windowHeight);
    onReshape(windowWidth, windowHeight);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
