// Where a service the engine calls through is held: a default that serves a run without
// a window, until the shell (or a test) installs its own over it.
#pragma once

template <typename Service>
class InstalledService {
 public:
  explicit constexpr InstalledService(Service& fallback)
      : mFallback(&fallback), mCurrent(&fallback) {}
  InstalledService(const InstalledService&) = delete;
  InstalledService& operator=(const InstalledService&) = delete;

  Service& Get() const { return *mCurrent; }

  // Installs service, or the default again for nullptr; returns the one installed before,
  // nullptr when that was the default.
  Service* Install(Service* service) {
    Service* previous = mCurrent == mFallback ? nullptr : mCurrent;
    mCurrent = service != nullptr ? service : mFallback;
    return previous;
  }

 private:
  Service* mFallback;
  Service* mCurrent;
};
