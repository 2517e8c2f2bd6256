#include "platform/write_fault.hpp"

#include <atomic>

namespace platform {
namespace {

std::atomic<WriteFault> installedFault{nullptr};

}  // namespace

void SetWriteFault(WriteFault fault) {
  installedFault.store(fault, std::memory_order_release);
}

int InjectedWriteFault(WriteStep step, const std::string& path) {
  const WriteFault fault = installedFault.load(std::memory_order_acquire);
  return fault == nullptr ? 0 : fault(step, path);
}

}  // namespace platform
