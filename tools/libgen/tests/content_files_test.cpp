// The assay protocol and template files as a maker ships them: records joined by ';',
// CRLF lines, and blank lines where asked.
#include <gtest/gtest.h>

#include "tools/libgen/assay_files.hpp"
#include "tools/libgen/template_files.hpp"

namespace libgen {
namespace {

TEST(ContentFiles, RecordsAreJoinedLineByLineWithBlankLinesWhereAsked) {
  const std::vector<AssayProtocolStep> steps{
      {"E", "H", "1", "Wash"}, {"E", "H", "2", ""}, {"G", "K", "1", "Stain"}};
  EXPECT_EQ(AssayProtocolText(steps), "E;H;1;Wash\r\nE;H;2;\r\nG;K;1;Stain\r\n");
  EXPECT_EQ(AssayProtocolText(steps, 2), "E;H;1;Wash\r\nE;H;2;\r\n\r\nG;K;1;Stain\r\n");
  EXPECT_EQ(TemplateText({{"S", "Age", "number", ""}, {"S", "Sex", "text", "F"}}, 1),
            "S;Age;number;\r\n\r\nS;Sex;text;F\r\n\r\n");
}

TEST(ContentFiles, StandardContentsHoldNoSeparatorInAValue) {
  for (const AssayProtocolStep& step : StandardAssaySteps())
    for (const std::string* value : {&step.assay, &step.protocol, &step.stepNumber, &step.text})
      EXPECT_EQ(value->find_first_of(";\r\n"), std::string::npos) << *value;
  for (const TemplateAttribute& attribute : StandardTemplateAttributes())
    for (const std::string* value :
         {&attribute.templateName, &attribute.attribute, &attribute.type, &attribute.defaultValue})
      EXPECT_EQ(value->find_first_of(";\r\n"), std::string::npos) << *value;
  EXPECT_EQ(StandardAssaySteps().size(), 5u);
  EXPECT_EQ(StandardTemplateAttributes().size(), 4u);
}

}  // namespace
}  // namespace libgen
