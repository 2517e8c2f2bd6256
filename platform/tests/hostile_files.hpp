// Test support: what a user's machine may put where a reader expects its file (a named
// pipe, a socket, a link to a device, a folder), and a watchdog that opens the pipes for
// writing after a while, so that a reader that waits on one makes its test fail instead
// of hanging it.
#pragma once

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace platform::testing {

enum class Hostile { kPipe, kSocket, kDevice, kFolder };

inline constexpr std::array<Hostile, 4> kHostileKinds = {Hostile::kPipe, Hostile::kSocket,
                                                         Hostile::kDevice, Hostile::kFolder};

inline const char* HostileName(Hostile kind) {
  switch (kind) {
    case Hostile::kPipe:
      return "named pipe";
    case Hostile::kSocket:
      return "socket";
    case Hostile::kDevice:
      return "link to /dev/zero";
    case Hostile::kFolder:
      return "folder";
  }
  return "";
}

// The reason the opener gives for it.
inline const char* HostileReason(Hostile kind) {
  switch (kind) {
    case Hostile::kPipe:
      return "a named pipe, not a regular file";
    case Hostile::kSocket:
      return "a socket, not a regular file";
    case Hostile::kDevice:
      return "a device, not a regular file";
    case Hostile::kFolder:
      return "a folder, not a regular file";
  }
  return "";
}

// A socket's path must fit its address, which a test's folder may not: it is bound in a
// short folder of its own and moved into place. False when that cannot be done.
inline bool MakeSocketAt(const std::string& path) {
  char folder[] = "/tmp/zs-XXXXXX";
  if (mkdtemp(folder) == nullptr) return false;
  const std::string bound = std::string(folder) + "/s";
  const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, bound.c_str(), sizeof(address.sun_path) - 1);
  bool made = socket >= 0 &&
              ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
  if (socket >= 0) ::close(socket);  // the socket's file stays behind it
  std::error_code error;
  if (made) {
    std::filesystem::rename(bound, path, error);
    // Another file system: a link to it names a socket all the same.
    if (error) made = ::symlink(bound.c_str(), path.c_str()) == 0;
  }
  if (!made || !error) std::filesystem::remove_all(folder, error);
  return made;
}

// Puts the kind at path in place of whatever was there. False when it cannot be made.
inline bool MakeHostile(Hostile kind, const std::string& path) {
  std::error_code error;
  std::filesystem::remove_all(path, error);
  switch (kind) {
    case Hostile::kPipe:
      return ::mkfifo(path.c_str(), 0600) == 0;
    case Hostile::kSocket:
      return MakeSocketAt(path);
    case Hostile::kDevice:
      return ::symlink("/dev/zero", path.c_str()) == 0;
    case Hostile::kFolder:
      return std::filesystem::create_directory(path, error);
  }
  return false;
}

// Opens every named pipe it watches for writing, again and again, once `after` has passed,
// and writes a line into each: a reader blocked on one then reads it and goes on. Fired()
// tells that it had to.
class PipeWatchdog {
 public:
  explicit PipeWatchdog(std::chrono::seconds after = std::chrono::seconds(30))
      : mThread([this, after] { Run(after); }) {}
  ~PipeWatchdog() {
    {
      const std::lock_guard<std::mutex> lock(mMutex);
      mStop = true;
    }
    mWake.notify_all();
    mThread.join();
  }
  PipeWatchdog(const PipeWatchdog&) = delete;
  PipeWatchdog& operator=(const PipeWatchdog&) = delete;

  void Watch(const std::string& pipe) {
    const std::lock_guard<std::mutex> lock(mMutex);
    mPipes.push_back(pipe);
  }
  bool Fired() const {
    const std::lock_guard<std::mutex> lock(mMutex);
    return mFired;
  }

 private:
  void Run(std::chrono::seconds after) {
    // A reader that opens the pipe and then refuses it closes its end before the line is
    // written; the write then fails instead of ending the process.
    sigset_t broken;
    sigemptyset(&broken);
    sigaddset(&broken, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &broken, nullptr);
    std::unique_lock<std::mutex> lock(mMutex);
    if (mWake.wait_for(lock, after, [this] { return mStop; })) return;
    while (!mStop) {
      for (const std::string& pipe : mPipes) {
        // Without blocking: this succeeds only while a reader waits at the other end.
        const int end = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (end < 0) continue;
        mFired = true;
        std::fprintf(stderr, "watchdog: a reader was waiting on %s\n", pipe.c_str());
        static constexpr char kLine[] = "written by the watchdog\n";
        (void)!::write(end, kLine, sizeof kLine - 1);
        ::close(end);
      }
      mWake.wait_for(lock, std::chrono::milliseconds(200), [this] { return mStop; });
    }
  }

  mutable std::mutex mMutex;
  std::condition_variable mWake;
  std::vector<std::string> mPipes;
  bool mStop = false;
  bool mFired = false;
  std::thread mThread;
};

}  // namespace platform::testing
