#include "setup/file_prompts.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "control/halt.hpp"
#include "control/run_settings.hpp"
#include "setup/console.hpp"
#include "../control/scratch_path.hpp"

namespace kestrel {
namespace {

TEST(NumberChecks, WholeAndDecimalNumbers) {
    EXPECT_TRUE(isWholeNumber("0"));
    EXPECT_TRUE(isWholeNumber("0012"));
    EXPECT_FALSE(isWholeNumber(""));
    EXPECT_FALSE(isWholeNumber("-1"));
    EXPECT_FALSE(isWholeNumber("+1"));
    EXPECT_FALSE(isWholeNumber("1.0"));
    EXPECT_FALSE(isWholeNumber("1a"));
    EXPECT_TRUE(isDecimalNumber(".5"));
    EXPECT_TRUE(isDecimalNumber("5."));
    EXPECT_TRUE(isDecimalNumber("."));
    EXPECT_TRUE(isDecimalNumber("0.01"));
    EXPECT_FALSE(isDecimalNumber("0.5.1"));
    EXPECT_FALSE(isDecimalNumber("-0.1"));
    EXPECT_FALSE(isDecimalNumber("1e-2"));
    EXPECT_FALSE(isDecimalNumber(""));
}

class FilePrompts : public InScratchFolder {
protected:
    FilePrompts() : InScratchFolder("kestrel_prompts") {}
    void SetUp() override {
        InScratchFolder::SetUp();
    }

    // Runs a prompt on the given answers; returns the transcript and whether it halted.
    template <typename Prompt>
    std::pair<std::string, bool> run(const std::string& answers, Prompt prompt) {
        std::istringstream in(answers);
        std::ostringstream out;
        Console console(in, out);
        bool halted = false;
        try {
            prompt(console, settings_);
        } catch (const RunHalted&) {
            halted = true;
        }
        return {out.str(), halted};
    }

    RunSettings settings_;
};

TEST_F(FilePrompts, MissingLookupTableThenContinueWithAGoodName) {
    std::ofstream("genes.lookup") << "#CDS 1..9\n";
    auto [text, halted] = run("missing.lookup yes c genes.lookup", promptLookupFile);
    EXPECT_FALSE(halted);
    EXPECT_EQ(settings_.lookupFileName, "genes.lookup");
    EXPECT_EQ(text,
              "Name of input file (lookup table): "
              "\aPROBLEM OPENING THE FILE missing.lookup.\nTHE FILE MAY NOT EXIST.\n"
              "TYPE Q <enter> TO QUIT\nOR TYPE C <enter> TO CONTINUE.> \n\n"
              "Name of input file (lookup table): ");
}

TEST_F(FilePrompts, QuitAfterALookupProblemAndAFolderIsNotALookupTable) {
    std::filesystem::create_directory("folder");
    auto [text, halted] = run("folder quit", promptLookupFile);
    EXPECT_TRUE(halted);
    EXPECT_NE(text.find("\aPROBLEM OPENING THE FILE folder."), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 17), "KESTREL halted.\n\n");
}

TEST_F(FilePrompts, ExistingOutputIsRefusedAndKeptUntouched) {
    std::ofstream("old.kstl") << "precious";
    auto [text, halted] = run("old x n new", promptOutputFile);
    EXPECT_FALSE(halted);
    EXPECT_EQ(settings_.outputFileName, "new.kstl");
    EXPECT_EQ(text,
              "\nName of output file (.kstl suffix added): "
              "\aTHE FILE old.kstl MAY ALREADY EXIST.\nTYPE Q <enter> TO QUIT \n"
              "OR N <enter> FOR NEW FILENAME.> "
              "\nName of output file (.kstl suffix added): ");
    std::ifstream old("old.kstl");
    std::string kept;
    old >> kept;
    EXPECT_EQ(kept, "precious");
    EXPECT_TRUE(std::filesystem::exists("new.kstl"));
    EXPECT_EQ(std::filesystem::file_size("new.kstl"), 0u);
}

TEST_F(FilePrompts, SuffixIsAlwaysAddedAndQIsAName) {
    run("Q", promptOutputFile);
    EXPECT_EQ(settings_.outputFileName, "Q.kstl");
    run("run.kstl", promptOutputFile);
    EXPECT_EQ(settings_.outputFileName, "run.kstl.kstl");
    // The same name a second time is refused: the first success created the file.
    auto [text, halted] = run("Q q", promptOutputFile);
    EXPECT_TRUE(halted);
    EXPECT_NE(text.find("\aTHE FILE Q.kstl MAY ALREADY EXIST."), std::string::npos);
}

TEST_F(FilePrompts, EndOfInputHaltsInsteadOfLooping) {
    auto [text, halted] = run("missing.lookup", promptLookupFile);
    EXPECT_TRUE(halted);
    EXPECT_NE(text.find("\a\nEND OF INPUT.\nKESTREL halted.\n\n"), std::string::npos);
    auto [text2, halted2] = run("", promptOutputFile);
    EXPECT_TRUE(halted2);
}

}  // namespace
}  // namespace kestrel
