// Opens a file or a web address with the program the desktop associates with it. Tests
// install a recorder instead, so no outside program starts.
#pragma once

#include <string_view>

// Shown once per opener when xdg-open cannot be started; printf form with the target.
inline constexpr const char* kNoDesktopOpenerMessage =
    "Cannot open %s: the desktop's xdg-open program could not be started (%s). Install "
    "xdg-utils to open help pages and files from the program.";

class OpenService {
 public:
  virtual ~OpenService() = default;
  // Starts the associated program and does not wait.
  virtual void Open(std::string_view target) = 0;
};

// The desktop's xdg-open, started detached. When it cannot be started the user is told
// once; later failures stay silent, so a missing xdg-open does not nag at every link.
class XdgOpenService final : public OpenService {
 public:
  void Open(std::string_view target) override;

 private:
  bool mToldMissing = false;
};

// The service in use: xdg-open unless a test installed another.
OpenService& Opener();
// nullptr restores xdg-open. Returns the previous service (nullptr for the default).
OpenService* SetOpenService(OpenService* service);
