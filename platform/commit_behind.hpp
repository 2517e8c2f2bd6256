// Commits that finish behind their writer: on a thread that holds a CommitBehind, a durable
// replacement's Commit hands the new file to one flusher thread, which flushes it to the
// disk, closes it and renames it over its target exactly as Commit would, while the
// committing thread goes on with its next piece of work. The flusher mostly waits on the
// disk, so a job that computes on one thread keeps computing on one thread. Every file is
// still on the disk before its rename; the job waits for them all (Wait) before it flushes
// their folders and reports success, so a power cut leaves each file old or new.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace platform {

class FolderSyncBatch;

// A new file written in full and left open, with what is needed to put it in place.
struct HandedCommit {
  int descriptor = -1;
  std::string temporary;
  std::string path;
  bool durable = true;
  // The folder batch of the thread that committed it (nullptr: the folder is flushed now).
  FolderSyncBatch* folderSyncs = nullptr;
};

// Flushes and closes the new file and renames it over its target, then flushes the folder
// or leaves it to the batch; the system's error number, or 0. On failure the new file is
// removed and the target left as it was.
int CompleteCommit(HandedCommit& commit);

class CommitBehind {
 public:
  // Installs itself as the calling thread's until it ends. A FolderSyncBatch that the
  // thread commits under must outlive it, as pending commits note their folders there.
  CommitBehind();
  // Waits for what is still pending (a failure here has no one left to tell).
  ~CommitBehind();
  CommitBehind(const CommitBehind&) = delete;
  CommitBehind& operator=(const CommitBehind&) = delete;

  // Takes over a commit; waits while kMaxPending are pending already, so that the disk is
  // never more than a few files behind.
  void Hand(HandedCommit commit);
  // Waits until every commit handed over is in place or has failed; the system's error
  // number of the first failure since the last Wait, with its file in path, or 0.
  [[nodiscard]] int Wait(std::string* path = nullptr);

  static constexpr std::size_t kMaxPending = 4;

 private:
  void Run();
  void Note(int error, const std::string& path);

  CommitBehind* mPrevious;
  std::mutex mMutex;
  std::condition_variable mChanged;
  std::deque<HandedCommit> mQueue;
  std::size_t mRunning = 0;
  bool mStopping = false;
  int mError = 0;
  std::string mFailedPath;
  std::thread mFlusher;
};

// The calling thread's CommitBehind, or nullptr.
CommitBehind* ThreadCommitBehind();

// Returns once no commit of path is pending behind its writer, so that a reader or a new
// writer of the file sees it in place.
void WaitForPendingCommit(const std::string& path);

}  // namespace platform
