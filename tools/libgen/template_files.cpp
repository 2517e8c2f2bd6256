#include "tools/libgen/template_files.hpp"

#include "tools/libgen/record_lines.hpp"

namespace libgen {

std::vector<TemplateAttribute> StandardTemplateAttributes() {
  return {{"Sample", "Organism", "text", "Homo sapiens"},
          {"Sample", "Age", "number", ""},
          {"Sample", "Treatment", "text", "none"},
          {"Extract", "Protocol", "text", ""}};
}

std::string TemplateText(const std::vector<TemplateAttribute>& attributes, int blankEvery) {
  std::vector<std::vector<std::string>> records;
  for (const TemplateAttribute& attribute : attributes)
    records.push_back(
        {attribute.templateName, attribute.attribute, attribute.type, attribute.defaultValue});
  return RecordLinesText(records, blankEvery);
}

}  // namespace libgen
