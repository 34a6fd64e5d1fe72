#include <gtest/gtest.h>

#include <filesystem>

#include "app/data_check.h"
#include "tests/test_production.h"

namespace {

// The problems of the production in `data`, by file.
std::map<std::string, app::DataProblem> problemsIn(const std::string& data, int& checked) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(data);
    std::map<std::string, app::DataProblem> byFile;
    for (const app::DataProblem& p : app::checkProductionData(checked))
        byFile[p.file] = p;
    std::filesystem::current_path(previous);
    return byFile;
}

void cutToHalf(const std::filesystem::path& file) {
    std::filesystem::resize_file(file, std::filesystem::file_size(file) / 2);
}

} // namespace

TEST(DataCheck, ASoundProductionHasNoProblemAndEveryDamageIsListedAtOnce) {
    testing_files::TestProduction production("data_check");
    int checked = 0;
    EXPECT_TRUE(problemsIn(production.data(), checked).empty());
    EXPECT_GE(checked, 30);

    const std::filesystem::path data = production.data();
    std::filesystem::remove(data / "palette/blue.pal");
    cutToHalf(data / "dlg/bck.jpg");
    cutToHalf(data / "texture/chrome.jpg");
    cutToHalf(data / "other/s4");
    cutToHalf(data / "dlg/dlg.3ds");
    writers::writeBytes((data / "3D/extra.3ds").string(), {1, 2, 3, 4, 5, 6, 7});
    const auto problems = problemsIn(production.data(), checked);
    ASSERT_EQ(problems.count("palette/blue.pal"), 1u);
    EXPECT_EQ(problems.at("palette/blue.pal").problem, "the file cannot be opened");
    EXPECT_TRUE(problems.at("palette/blue.pal").fatal);
    ASSERT_EQ(problems.count("dlg/bck.jpg"), 1u);
    EXPECT_FALSE(problems.at("dlg/bck.jpg").fatal); // the launcher plays on without it
    EXPECT_NE(problems.at("dlg/bck.jpg").problem.find("Premature end of JPEG file"),
              std::string::npos);
    ASSERT_EQ(problems.count("texture/chrome.jpg"), 1u); // named by the launcher's description
    ASSERT_EQ(problems.count("other/s4"), 1u);
    EXPECT_EQ(problems.at("other/s4").problem, "the file is shorter than its counts say");
    ASSERT_EQ(problems.count("dlg/dlg.3ds"), 1u);
    ASSERT_EQ(problems.count("dlg/dlg"), 1u); // its scene cannot be read
    ASSERT_EQ(problems.count("3D/extra.3ds"),
              1u); // a file no built part names, checked by its kind
    EXPECT_EQ(problems.at("3D/extra.3ds").problem,
              "not a 3DS file: it does not begin with the main chunk");
    EXPECT_EQ(problems.size(), 7u);
}
