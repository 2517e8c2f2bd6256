// The installed output-file registry and its standard-error default.
#include "engine/services/output_file_registry.hpp"

#include <cstdio>

#include "engine/services/installed_service.hpp"

namespace {

class StandardErrorRegistry final : public OutputFileRegistry {
 public:
  void Register(std::string_view path, bool) override {
    std::fprintf(stderr, "Output file: %.*s\n", static_cast<int>(path.size()), path.data());
  }
};

StandardErrorRegistry gStandardErrorRegistry;
constinit InstalledService<OutputFileRegistry> gRegistry{gStandardErrorRegistry};

}  // namespace

OutputFileRegistry* SetOutputFileRegistry(OutputFileRegistry* registry) {
  return gRegistry.Install(registry);
}

void RegisterOutputFile(std::string_view path, bool insertIntoLog) {
  gRegistry.Get().Register(path, insertIntoLog);
}
