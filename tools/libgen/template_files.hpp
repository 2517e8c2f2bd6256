// "Template.txt" of a library source folder: one sample template attribute a line,
// already in the load file's layout (template name; attribute name; attribute type;
// default value).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace libgen {

inline constexpr std::string_view kTemplateFileName = "Template.txt";

struct TemplateAttribute {
  std::string templateName;
  std::string attribute;
  std::string type;
  std::string defaultValue;
};

// Two templates of three and one attributes, two defaults left empty.
std::vector<TemplateAttribute> StandardTemplateAttributes();

// The file's text with CRLF lines, a blank line after every blankEvery records (0: none).
std::string TemplateText(const std::vector<TemplateAttribute>& attributes, int blankEvery = 0);

}  // namespace libgen
