// Commits that finish behind their writer: on a thread that holds a CommitBehind (or shares
// another thread's), a durable replacement's Commit starts the new file's writeback and
// hands it to a flusher thread, which flushes it to the disk, closes it and renames it over
// its target exactly as Commit would, while the committing thread goes on with its next
// piece of work. The flushers mostly wait on the disk, so a job keeps computing on the
// threads it has while the disk catches up. Every file is still on the disk before its
// rename; the job waits for them all (Wait) before it flushes their folders and reports
// success, so a power cut leaves each file old or new. The flusher threads are kept for the
// whole process and lent to one CommitBehind after another (see commit_behind.cpp).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>

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
  // Installs itself as the calling thread's until it ends, with up to flushers flusher
  // threads (lent to it with its first commit). A FolderSyncBatch that a thread commits under
  // must outlive it, as pending commits note their folders there.
  explicit CommitBehind(int flushers = 1);
  // Waits for what is still pending (a failure here has no one left to tell).
  ~CommitBehind();
  CommitBehind(const CommitBehind&) = delete;
  CommitBehind& operator=(const CommitBehind&) = delete;

  // Takes over a commit from any thread; waits while kMaxPending per flusher are pending
  // already, so that the disk is never more than a few files behind.
  void Hand(HandedCommit commit);
  // Waits until every commit handed over is in place or has failed; the system's error
  // number of the first failure since the last Wait, with its file in path, or 0.
  [[nodiscard]] int Wait(std::string* path = nullptr);

  static constexpr std::size_t kMaxPending = 4;

 private:
  // A lent flusher's work: the commits handed over, until the CommitBehind ends.
  void Run();
  void Note(int error, const std::string& path);

  CommitBehind* mPrevious;
  const int mFlusherCount;
  std::mutex mMutex;
  std::condition_variable mChanged;
  std::deque<HandedCommit> mQueue;
  std::size_t mRunning = 0;
  bool mStarted = false;
  int mFlushers = 0;  // lent to it, from its first commit
  int mReturned = 0;  // of them, done with it
  bool mStopping = false;
  int mError = 0;
  std::string mFailedPath;
};

// While it lives, the calling thread's commits go to behind, which another thread holds
// (nullptr: they commit at once); a job's helper threads share the job's this way.
class ShareCommitBehind {
 public:
  explicit ShareCommitBehind(CommitBehind* behind);
  ~ShareCommitBehind();
  ShareCommitBehind(const ShareCommitBehind&) = delete;
  ShareCommitBehind& operator=(const ShareCommitBehind&) = delete;

 private:
  CommitBehind* mPrevious;
};

// The calling thread's CommitBehind, or nullptr.
CommitBehind* ThreadCommitBehind();

// Returns once no commit of path is pending behind its writer, so that a reader or a new
// writer of the file sees it in place.
void WaitForPendingCommit(const std::string& path);

}  // namespace platform
