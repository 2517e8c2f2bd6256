// Opens a file or a web address with the program the desktop associates with it. Tests
// install a recorder instead, so no outside program starts.
#pragma once

#include <string_view>

class OpenService {
 public:
  virtual ~OpenService() = default;
  // Starts the associated program and does not wait; failures are silent.
  virtual void Open(std::string_view target) = 0;
};

// The service in use: xdg-open unless a test installed another.
OpenService& Opener();
// nullptr restores xdg-open. Returns the previous service (nullptr for the default).
OpenService* SetOpenService(OpenService* service);
