// Installing the show: the installed tree's layout, its desktop entry, the
// installed program choosing its data folder, and the Debian package.
#include "shell/data_folder.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const ShowFolders[] = {"textures", "skybox", "objects", "bsp", "music"};

void MakeFolders(const std::string& dir, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        fs::create_directories(dir + "/" + name);
    }
}

// Runs program headless in dir, asking it to close after seconds as a window
// manager would (SDL turns SIGTERM into a close).
CommandResult RunProgramFor(const std::string& program, const std::string& dir, int seconds) {
    return RunCommand("(cd '" + dir +
                      "' && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy "
                      "timeout -s KILL 60 '" +
                      program + "' & pid=$!; sleep " + std::to_string(seconds) +
                      "; kill -TERM $pid 2>/dev/null; wait $pid)");
}

TEST(DataFolder, TheWorkingFolderWinsWhenItHoldsAnyOfTheFiveFolders) {
    std::string root = MakeScratchDir("data-folder");
    std::string program = root + "/prefix/bin/tessaline";
    std::string installed = root + "/prefix/share/tessaline";
    fs::create_directories(root + "/prefix/bin");
    MakeFolders(installed, {std::begin(ShowFolders), std::end(ShowFolders)});
    std::string own = root + "/own";
    MakeFolders(own, {std::begin(ShowFolders), std::end(ShowFolders)});
    std::string empty = root + "/empty";
    fs::create_directories(empty);

    EXPECT_EQ(ChooseDataFolder(own, program), own);
    EXPECT_EQ(ChooseDataFolder(empty, program), installed);
    // A set put together by hand with folders missing is still played, so
    // that the file it lacks is reported by name; any one folder is enough.
    for (const char* only : ShowFolders) {
        std::string partial = root + "/only-" + only;
        MakeFolders(partial, {only});
        EXPECT_EQ(ChooseDataFolder(partial, program), partial) << only;
    }
    // Without installed data (a program run from its build tree) nothing moves.
    EXPECT_EQ(ChooseDataFolder(empty, root + "/elsewhere/tessaline"), empty);
    EXPECT_EQ(ChooseDataFolder(empty, ""), empty);
    // A file where a folder should be does not count.
    std::string fileOnly = root + "/file-only";
    fs::create_directories(fileOnly);
    WriteFileBytes(fileOnly + "/music", {1});
    EXPECT_EQ(ChooseDataFolder(fileOnly, program), installed);
    fs::remove_all(root);
}

// The built tree installed once into a prefix whose name needs quoting.
class Installed : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        root = new std::string(MakeScratchDir("install"));
        prefix = new std::string(*root + "/pre fix$");
        installResult =
            new CommandResult(RunCommand("cmake --install '" + std::string(TESSALINE_BINARY_DIR) +
                                         "' --prefix '" + *prefix + "'"));
    }
    static void TearDownTestSuite() {
        fs::remove_all(*root);
        delete root;
        delete prefix;
        delete installResult;
    }
    void SetUp() override { ASSERT_EQ(installResult->status, 0) << installResult->output; }

    // Runs the installed program headless in dir for seconds.
    static CommandResult RunInstalled(const std::string& dir, int seconds) {
        return RunProgramFor(*prefix + "/bin/tessaline", dir, seconds);
    }

    static std::string* root;
    static std::string* prefix;
    static CommandResult* installResult;
};

std::string* Installed::root;
std::string* Installed::prefix;
CommandResult* Installed::installResult;

TEST_F(Installed, ProgramsDataIconAndEntryLieInTheUsualFolders) {
    for (const char* program : {"tessaline", "tessaline-capture", "tessaline-bench",
                                "tessaline-inspect", "tessaline-data"}) {
        EXPECT_TRUE(fs::is_regular_file(*prefix + "/bin/" + program)) << program;
    }
    for (const char* name : {"textures/zembrit.tga", "skybox/space1ft.tga", "objects/cat.3dg",
                             "bsp/qorldm1.bsp", "bsp/palette.lmp", "music/velt2002.mp3"}) {
        std::string installed = *prefix + "/share/tessaline/" + name;
        EXPECT_TRUE(ReadFileBytes(installed) ==
                    ReadFileBytes(std::string(TESSALINE_BINARY_DIR) + "/data/" + name))
            << name;
    }
    // A 256 x 256 PNG: the signature, then IHDR's width and height.
    std::vector<uint8_t> icon =
        ReadFileBytes(*prefix + "/share/icons/hicolor/256x256/apps/tessaline.png");
    ASSERT_GE(icon.size(), 24u);
    EXPECT_EQ(std::vector<uint8_t>(icon.begin(), icon.begin() + 8),
              (std::vector<uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'}));
    EXPECT_EQ(std::vector<uint8_t>(icon.begin() + 16, icon.begin() + 24),
              (std::vector<uint8_t>{0, 0, 1, 0, 0, 0, 1, 0}));

    std::string entry = *prefix + "/share/applications/tessaline.desktop";
    std::vector<uint8_t> bytes = ReadFileBytes(entry);
    std::string text(bytes.begin(), bytes.end());
    // The full path, quoted, its dollar escaped for the quoted argument and
    // that backslash doubled by the file's own string escaping.
    EXPECT_NE(text.find("\nExec=\"" + *root + "/pre fix\\\\$/bin/tessaline\"\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\nIcon=tessaline\n"), std::string::npos) << text;
    // The high-definition action runs the same program with --hd.
    EXPECT_NE(text.find("\nActions=high-definition;\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nName=Play in high definition\nExec=\"" + *root +
                        "/pre fix\\\\$/bin/tessaline\" --hd\n"),
              std::string::npos)
        << text;
    ASSERT_EQ(RunCommand("command -v desktop-file-validate").status, 0)
        << "desktop-file-validate is missing: run scripts/setup.sh";
    CommandResult validation = RunCommand("desktop-file-validate '" + entry + "'");
    EXPECT_EQ(validation.status, 0) << validation.output;
    EXPECT_EQ(validation.output, "");
}

TEST_F(Installed, StartsFromItsDataAnywhereAndFromAFolderHoldingTheShowsFiles) {
    // A folder holding none of the show's folders: the installed data plays
    // (loading it all, then closing).
    std::string elsewhere = *root + "/elsewhere";
    MakeFolders(elsewhere, {"pictures", "sounds"});
    CommandResult anywhere = RunInstalled(elsewhere, 4);
    EXPECT_EQ(anywhere.status, 0) << anywhere.output;
    EXPECT_EQ(anywhere.output.find("Error"), std::string::npos) << anywhere.output;

    // A folder with some of the show's folders is played instead: these are
    // empty, so the first picture is reported missing by name.
    std::string own = *root + "/own";
    MakeFolders(own, {"textures", "music"});
    CommandResult owned = RunInstalled(own, 4);
    EXPECT_EQ(owned.status, 1) << owned.output;
    EXPECT_NE(owned.output.find("Error opening textures/001H.tga"), std::string::npos)
        << owned.output;
}

TEST(Package, BuildsPassesLintianAndPlaysFromItsUnpackedTree) {
    const std::string build = TESSALINE_BINARY_DIR;
    CommandResult made = RunCommand("cmake --build '" + build + "' --target package");
    ASSERT_EQ(made.status, 0) << made.output;
    CommandResult arch = RunCommand("dpkg --print-architecture");
    ASSERT_EQ(arch.status, 0) << arch.output;
    const std::string deb = build + "/tessaline_" + TESSALINE_VERSION + "_" +
                            arch.output.substr(0, arch.output.find('\n')) + ".deb";
    ASSERT_TRUE(fs::is_regular_file(deb)) << made.output;

    auto field = [&](const std::string& name) {
        CommandResult result = RunCommand("dpkg-deb -f '" + deb + "' " + name);
        EXPECT_EQ(result.status, 0) << result.output;
        return result.output;
    };
    EXPECT_EQ(field("Package"), "tessaline\n");
    EXPECT_EQ(field("Section"), "games\n");
    EXPECT_EQ(field("Recommends"), "ffmpeg\n");
    EXPECT_NE(field("Maintainer").find('@'), std::string::npos);
    // Worked out from the programs' libraries, not written by hand.
    const std::string depends = field("Depends");
    for (const char* library :
         {"libc6", "libsdl2-2.0-0", "libsdl2-mixer-2.0-0", "libjpeg62-turbo"}) {
        EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;
    }
    const std::string description = field("Description");
    EXPECT_GT(std::count(description.begin(), description.end(), '\n'), 3) << description;

    ASSERT_EQ(RunCommand("command -v lintian").status, 0)
        << "lintian is missing: run scripts/setup.sh";
    CommandResult lint = RunCommand("lintian '" + deb + "'");
    EXPECT_EQ(lint.output.find("\nE: "), std::string::npos) << lint.output;
    EXPECT_NE(lint.output.rfind("E: ", 0), 0u) << lint.output;

    // Unpacked into a scratch root, never installed on the machine.
    std::string root = MakeScratchDir("package");
    CommandResult unpacked = RunCommand("dpkg -x '" + deb + "' '" + root + "'");
    ASSERT_EQ(unpacked.status, 0) << unpacked.output;
    for (const char* path :
         {"usr/bin/tessaline", "usr/bin/tessaline-capture", "usr/bin/tessaline-bench",
          "usr/bin/tessaline-inspect", "usr/bin/tessaline-data",
          "usr/share/tessaline/bsp/qorldm1.bsp", "usr/share/tessaline/music/velt2002.mp3",
          "usr/share/applications/tessaline.desktop",
          "usr/share/icons/hicolor/256x256/apps/tessaline.png", "usr/share/doc/tessaline/copyright",
          "usr/share/doc/tessaline/changelog.gz"}) {
        EXPECT_TRUE(fs::is_regular_file(root + "/" + path)) << path;
    }
    std::vector<uint8_t> bytes = ReadFileBytes(root + "/usr/share/applications/tessaline.desktop");
    EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("\nExec=\"/usr/bin/tessaline\"\n"),
              std::string::npos);

    // The unpacked program finds the unpacked data from another folder.
    std::string elsewhere = root + "/elsewhere";
    fs::create_directories(elsewhere);
    CommandResult played = RunProgramFor(root + "/usr/bin/tessaline", elsewhere, 4);
    EXPECT_EQ(played.status, 0) << played.output;
    EXPECT_EQ(played.output.find("Error"), std::string::npos) << played.output;
    fs::remove_all(root);
}

} // namespace
