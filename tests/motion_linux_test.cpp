// The desktop's request for less animation, set through GSettings' keyfile
// backend as GNOME's "Reduce animation" sets it: the menu's wall holds its
// angle while its images go on changing, and turns again once the request
// is taken back while the game runs.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;

// Runs the menu for `seconds` from `start`, woken when it asks, taking the
// desktop's news at each wake-up as the game does: the cubes' image changes.
int runMenuFor(std::chrono::steady_clock::time_point& now, int seconds) {
    const auto end = now + std::chrono::seconds(seconds);
    int changes = 0;
    while (now < end) {
        const MenuWall before = gameState.wall;
        followMotionPreference();
        now = *advanceGame(now);
        changes += std::memcmp(before.images, gameState.wall.images, sizeof before.images) != 0;
    }
    return changes;
}

TEST(LessMotion, TheWallHoldsItsAngleWhileItsImagesChangeUntilTheDesktopAllowsMotion) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source == nullptr ? nullptr : g_settings_schema_source_lookup(source, "org.gnome.desktop.interface", TRUE);
    if (schema == nullptr) GTEST_SKIP() << "GNOME's interface schema is not installed";
    g_settings_schema_unref(schema);
    const fs::path config = makeTempDirectory("motion_test");
    fs::create_directories(config / "glib-2.0" / "settings");
    std::ofstream(config / "glib-2.0" / "settings" / "keyfile")
        << "[org/gnome/desktop/interface]\nenable-animations=false\n";
    setenv("GSETTINGS_BACKEND", "keyfile", 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);

    resetWorld();
    readyMenuWall();
    watchMotionPreference();
    ASSERT_TRUE(gameState.lessMotion);
    std::chrono::steady_clock::time_point now{std::chrono::hours(1)};
    EXPECT_GT(runMenuFor(now, 5), 50) << "the images change";
    EXPECT_EQ(gameState.menuSpin, 0.0f) << "the wall stands at the angle it starts at";

    GSettings* desktop = g_settings_new("org.gnome.desktop.interface");
    g_settings_set_boolean(desktop, "enable-animations", TRUE);
    g_settings_sync();
    runMenuFor(now, 1);
    EXPECT_FALSE(gameState.lessMotion);
    EXPECT_LT(gameState.menuSpin, -30.0f) << "the wall turns again";
    g_object_unref(desktop);
    fs::remove_all(config);
}

}  // namespace
