// The installed output-file registry and its standard-error default.
#include "engine/services/output_file_registry.hpp"

#include <cstdio>

namespace {

class StandardErrorRegistry final : public OutputFileRegistry {
 public:
  void Register(std::string_view path, bool) override {
    std::fprintf(stderr, "Output file: %.*s\n", static_cast<int>(path.size()), path.data());
  }
};

StandardErrorRegistry gStandardErrorRegistry;
OutputFileRegistry* gRegistry = &gStandardErrorRegistry;

}  // namespace

OutputFileRegistry* SetOutputFileRegistry(OutputFileRegistry* registry) {
  OutputFileRegistry* previous = gRegistry == &gStandardErrorRegistry ? nullptr : gRegistry;
  gRegistry = registry != nullptr ? registry : &gStandardErrorRegistry;
  return previous;
}

void RegisterOutputFile(std::string_view path, bool insertIntoLog) {
  gRegistry->Register(path, insertIntoLog);
}
