// The page's files: the player's in the working directory, the site's beside
// it, and a save that has the page store the directory once it is whole.
#include <emscripten.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "test_support.h"

namespace {

std::string contents(std::FILE* file) {
    char text[16] = {};
    std::fgets(text, sizeof text, file);
    std::fclose(file);
    return text;
}

int storedSaves() { return EM_ASM_INT({ return Module.storedSaves; }); }

// A name the working directory lacks comes from the site; one it has comes
// from there; a name in neither, or an absolute one, is missing.
TEST_F(ScoresTest, ANameIsLookedUpInTheWorkingDirectoryThenAmongTheSitesFiles) {
    std::filesystem::create_directory(siteDirectory);
    writeFile(std::string(siteDirectory) + "/probe.bmp", Bytes{'s', 'i', 't', 'e'});
    std::FILE* file = openRegularFile("probe.bmp");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(contents(file), "site");
    writeFile("probe.bmp", Bytes{'o', 'w', 'n'});
    file = openRegularFile("probe.bmp");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(contents(file), "own");
    EXPECT_EQ(openRegularFile("absent.bmp"), nullptr);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(openRegularFile("/probe.bmp"), nullptr);
    std::filesystem::remove_all(siteDirectory);
}

// The page stores the directory after the file is in place, once a save.
TEST_F(SaveFailureTest, ASaveHasThePageStoreTheWholeFile) {
    const int before = storedSaves();
    saveHighScores();
    EXPECT_EQ(storedSaves(), before + 1);
    EXPECT_EQ(readFile(scoreFileName), fileBytes(tableEntries()));
    EXPECT_EQ(strayFiles(), std::vector<std::string>{});
}

}  // namespace
