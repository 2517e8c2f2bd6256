// The template step on both roads: the install of "Template.txt", and the row check and
// library log deciding its outcome.
#include "installer/steps/template_step.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installer/steps/tests/step_road.hpp"
#include "tools/libgen/template_files.hpp"

namespace quellbrook {
namespace {

using testing::LogMessages;
using testing::ReadWholeFile;
using testing::Road;
using testing::WriteWholeFile;

class TemplateStepTest : public testing::StepRoadTest {
 protected:
  void SetUp() override {
    StepRoadTest::SetUp();
    Configure(mStep);
    mStep.sourceFileName = kTemplateSourceFile;
  }
  std::string SourceFile() const { return Source(kTemplateSourceFile); }
  std::vector<std::string> Attributes() {
    return Rows(
        "SELECT template_name || '|' || attribute_name || '|' || coalesce(default_value, '') "
        "FROM KORX_MIAME_TEMPLATE ORDER BY 1");
  }
  // A load script whose table refuses an empty first field and whose procedure logs the
  // status given.
  void ReplaceLoadScript(const std::string& status) {
    const std::string table =
        "CREATE TABLE LOAD_MIAME_FILE (template_name varchar(9) NOT NULL, attribute_name "
        "varchar(9), attribute_type varchar(9), default_value varchar(9))";
    const std::string logRow = "INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (10, '" +
                               status + "', 'no room');\n";
    if (Oracle())
      WriteWholeFile(Work("ora_load_MIAME_sample.sql"),
                     table + ";\nCREATE OR REPLACE PROCEDURE KORX_SP_LOAD_MIAME AS\nBEGIN\n" +
                         logRow + "END KORX_SP_LOAD_MIAME;\n/\nEXIT\n");
    else
      WriteWholeFile(Work("sql_load_MIAME_sample.sql"),
                     table + "\nGO\nCREATE PROCEDURE KORX_SP_LOAD_MIAME AS\n" + logRow + "GO\n");
  }

  TemplateStep mStep;
};

TEST_P(TemplateStepTest, InstallsTheTemplatesOverAReadOnlyLeftover) {
  WriteWholeFile(Work(kTemplateLoadFile), "left;over;by;crash\n");
  std::filesystem::permissions(Work(kTemplateLoadFile), std::filesystem::perms::owner_read);
  const std::vector<libgen::TemplateAttribute> attributes = libgen::StandardTemplateAttributes();
  WriteWholeFile(SourceFile(), libgen::TemplateText(attributes, 1));
  ASSERT_EQ(mStep.RunTemplateStep(), 0) << ReadWholeFile(mSession.installLog);
  EXPECT_EQ(Attributes(),
            (std::vector<std::string>{"Extract|Protocol|", "Sample|Age|",
                                      "Sample|Organism|Homo sapiens", "Sample|Treatment|none"}));
  EXPECT_EQ(LogMessages(mStep.logPath),
            (std::vector<std::string>{"Start Installing Templates...",
                                      "Install Templates Successfully."}));
  EXPECT_NE(
      ReadWholeFile(mStep.reportPath)
          .find("\nInstall Templates:\n------------------\nSource Template File:\t" + SourceFile() +
                "\nNumber of Template Attributes in the source file:\t4\n"
                "Number of Template Attributes uploaded to temporary tables:\t4\n"),
      std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Work(kTemplateLoadFile)));

  // Only blank lines: nothing to load, and an empty table agrees.
  WriteWholeFile(SourceFile(), "\r\n\n\r\n");
  EXPECT_EQ(mStep.RunTemplateStep(), 0);
  EXPECT_EQ(Attributes().size(), 4u);
}

TEST_P(TemplateStepTest, RowCountAndLibraryLogDecideTheOutcome) {
  EXPECT_EQ(mStep.RunTemplateStep(), 1001);
  EXPECT_EQ(LogMessages(mStep.logPath).back(),
            "ERROR: Install Templates failed. " + SourceFile() + " file not found.");

  ReplaceLoadScript("Failed");
  WriteWholeFile(SourceFile(), "T;a;text;1\n");
  EXPECT_EQ(mStep.RunTemplateStep(), 3023);
  EXPECT_EQ(LoggedErrors().back(), "ERROR: Failed to install tempates  no room.");

  // An empty template name the table refuses: fewer rows than lines, the file stays.
  WriteWholeFile(SourceFile(), "T;a;text;1\n;b;text;2\n");
  EXPECT_EQ(mStep.RunTemplateStep(), Oracle() ? 3020 : 3003);
  EXPECT_EQ(ReadWholeFile(Work(kTemplateLoadFile)), "T;a;text;1\n;b;text;2\n");
  EXPECT_EQ(LoggedErrors().back(), "ERROR: Failed to populate temporary tables.");
  EXPECT_EQ(LogMessages(mStep.logPath).back(), "Install Templates Failed.");
  EXPECT_EQ(mSession.TablesExist({"LOAD_MIAME_FILE"}, mSession.workDatabase), 0);
}

INSTANTIATE_TEST_SUITE_P(Roads, TemplateStepTest,
                         ::testing::Values(Road::kSqlServer, Road::kOracle), testing::RoadName);

}  // namespace
}  // namespace quellbrook
