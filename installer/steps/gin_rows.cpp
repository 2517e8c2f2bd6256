#include "installer/steps/gin_rows.hpp"

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/parallel_tasks.hpp"

namespace quellbrook {

namespace {

// Records go to a load file in pieces of about this size: writing much less at a time
// costs the system far more per byte.
constexpr std::size_t kWriteBytes = 1 << 20;
// A stretch's first read goes this far past it, for the end of its last line.
constexpr std::size_t kStretchSlack = 16 << 10;
// Slots beyond one a thread, so that threads convert ahead while one writes.
constexpr std::size_t kSpareSlots = 4;
// Writing the records into the system's cache bounds the conversion: one thread converts
// rows faster than another writes their records, so two keep the writing busy, and more
// were measured slower, as they take memory bandwidth from the writing.
constexpr int kMostThreads = 2;
// A slot whose buffers grew past this is emptied when given back.
constexpr std::size_t kKeptSlotBytes = 16 << 20;

std::mutex gKeptMutex;
std::vector<std::unique_ptr<GinSlot>>& KeptSlots() {
  static auto& slots = *new std::vector<std::unique_ptr<GinSlot>>();
  return slots;
}

GinRowsOutcome OutcomeOf(platform::LineStatus status, const GinRecords& records, bool converted) {
  if (status == platform::LineStatus::kCut) return GinRowsOutcome::kLineTooLong;
  if (converted) return GinRowsOutcome::kWhole;
  return records.RefusedRow() ? GinRowsOutcome::kRefusedRow : GinRowsOutcome::kRefused;
}

// Adds a stretch's counts and headers to the result; false when it ended in a refusal.
bool TakeStretch(const GinRecords& records, GinRowsOutcome outcome, GinOutputs outputs,
                 GinRowsResult& result) {
  result.counts.Add(records.Counts());
  outputs.headers.Append(records.Headers().View());
  result.titles = records.EndTitles();
  result.outcome = outcome;
  if (outcome == GinRowsOutcome::kRefused) result.refusal = records.RefusalText();
  return outcome == GinRowsOutcome::kWhole;
}

// The side-by-side conversion of one file's rows.
class SideBySide {
 public:
  SideBySide(ByteSource& source, std::uint64_t begin, std::uint64_t end, const GinLayout& layout,
             std::shared_ptr<const GinTitles> titles, GinOutputs outputs, std::size_t stretchBytes,
             int threads)
      : mSource(source),
        mBegin(begin),
        mEnd(end),
        mLayout(layout),
        mOutputs(outputs),
        mPublished(std::move(titles)) {
    // Task numbers are ints.
    const std::uint64_t size = end - begin;
    mStretchBytes =
        std::max<std::uint64_t>({stretchBytes, 1, (size + INT_MAX / 2 - 1) / (INT_MAX / 2)});
    mCount = static_cast<int>((size + mStretchBytes - 1) / mStretchBytes);
    mThreads = std::clamp(std::min(threads, kMostThreads), 1, std::max(mCount, 1));
    mWindow = static_cast<std::size_t>(mThreads) + kSpareSlots;
    mResult.titles = mPublished;
  }

  // One thread converts stretches ahead while the other checks and writes them in file
  // order, converting a stretch itself when the converter has not taken it yet: the writing
  // bounds the run, so the writing thread does no more converting than it must. On one
  // thread the writer, run first, does everything and the converter finds nothing left.
  GinRowsResult Run() {
    if (mCount == 0) return mResult;
    GinSlotLease slots(mWindow);
    mSlots = &slots;
    platform::RunTasks(2, mThreads, [this](int role, bool) {
      StopOthersIfThrown([&] { role == 0 ? WriteInOrder() : ConvertAhead(); });
    });
    mSlots = nullptr;
    return std::move(mResult);
  }

 private:
  // Converts stretch `number` under `titles` into its slot.
  void Convert(std::size_t number, std::shared_ptr<const GinTitles> titles, GinSlot& slot) {
    const std::uint64_t start = mBegin + number * mStretchBytes;
    const std::uint64_t stop = std::min(start + mStretchBytes, mEnd);
    // The byte before the stretch tells whether a line starts at its first byte.
    const std::uint64_t from = number == 0 ? start : start - 1;
    GinRecords& records = slot.records;
    records.Start(mLayout, std::move(titles));
    slot.outcome = GinRowsOutcome::kWhole;
    SourceLines lines(mSource, from, slot.input,
                      static_cast<std::size_t>(stop - from) + kStretchSlack, kGinLineLimit);
    if (number > 0 && !lines.SkipPastLineEnd(stop - 1)) return;
    std::string_view line;
    while (lines.Offset() < stop) {
      const platform::LineStatus status = lines.Next(line);
      if (status == platform::LineStatus::kEnd) break;
      const bool converted = status == platform::LineStatus::kWhole && records.Line(line);
      if (!converted) {
        slot.outcome = OutcomeOf(status, records, converted);
        break;
      }
    }
  }

  // A role that throws (out of memory) stops the other, which would otherwise wait for it;
  // the exception ends the whole run.
  template <typename Role>
  void StopOthersIfThrown(const Role& role) {
    try {
      role();
    } catch (...) {
      {
        const std::lock_guard<std::mutex> lock(mMutex);
        mStopped = true;
      }
      mSlotFree.notify_all();
      mConverted.notify_all();
      throw;
    }
  }

  // Takes the next stretch while one of the window's slots is free for it.
  void ConvertAhead() {
    for (;;) {
      std::size_t number = 0;
      std::shared_ptr<const GinTitles> titles;
      {
        // A stretch starts under the titles in force where the stretches checked so far
        // end, which holds unless an "Index" line comes in between.
        std::unique_lock<std::mutex> lock(mMutex);
        mSlotFree.wait(lock, [&] {
          return mStopped || mClaimed >= static_cast<std::size_t>(mCount) ||
                 mClaimed < mWritten + mWindow;
        });
        if (mStopped || mClaimed >= static_cast<std::size_t>(mCount)) return;
        number = mClaimed++;
        titles = mPublished;
      }
      GinSlot& slot = (*mSlots)[number % mWindow];
      Convert(number, std::move(titles), slot);
      {
        const std::lock_guard<std::mutex> lock(mMutex);
        slot.block = number;
      }
      mConverted.notify_all();
    }
  }

  // Checks the converted stretches in order and writes them about a megabyte at a time.
  void WriteInOrder() {
    for (;;) {
      GinSlot* slot = nullptr;
      std::shared_ptr<const GinTitles> ownTitles;
      {
        std::unique_lock<std::mutex> lock(mMutex);
        GinSlot& next = (*mSlots)[mChecked % mWindow];
        if (next.block != mChecked && mClaimed == mChecked) {
          ++mClaimed;
          ownTitles = mResult.titles;
        } else {
          mConverted.wait(lock, [&] { return mStopped || next.block == mChecked; });
          if (mStopped) return;
        }
        slot = &next;
      }
      GinRecords& records = slot->records;
      if (ownTitles) {
        Convert(mChecked, std::move(ownTitles), *slot);
      } else if (records.StartTitles() != mResult.titles &&
                 *records.StartTitles() != *mResult.titles) {
        Convert(mChecked, mResult.titles, *slot);
      }
      slot->block = mChecked;
      bool ended = !TakeStretch(records, slot->outcome, mOutputs, mResult);
      mPending.push_back(records.Descriptions().View());
      mPendingBytes += mPending.back().size();
      {
        const std::lock_guard<std::mutex> lock(mMutex);
        ++mChecked;
        mPublished = mResult.titles;
      }
      ended = ended || mChecked == static_cast<std::size_t>(mCount);
      // Pending stretches hold their slots, so fewer than the window stay pending: the
      // stretch checked next always has one.
      if (ended || mPendingBytes >= kWriteBytes || mPending.size() + 1 >= mWindow) {
        mOutputs.descriptions.AppendAll(mPending.data(), mPending.size());
        mPending.clear();
        mPendingBytes = 0;
        {
          const std::lock_guard<std::mutex> lock(mMutex);
          mWritten = mChecked;
          mStopped = mStopped || ended;
        }
        mSlotFree.notify_all();
      }
      if (ended) return;
    }
  }

  ByteSource& mSource;
  std::uint64_t mBegin;
  std::uint64_t mEnd;
  GinLayout mLayout;
  GinOutputs mOutputs;
  std::uint64_t mStretchBytes = 1;
  int mCount = 0;
  int mThreads = 1;
  std::size_t mWindow = 1;
  GinSlotLease* mSlots = nullptr;

  std::mutex mMutex;
  std::condition_variable mSlotFree;
  std::condition_variable mConverted;
  std::size_t mWritten = 0;  // stretches before this one are written
  std::size_t mChecked = 0;  // and before this one checked
  std::size_t mClaimed = 0;  // and before this one taken for converting
  bool mStopped = false;     // the last stretch was written, or one was refused
  std::shared_ptr<const GinTitles> mPublished;

  // The writer's own.
  GinRowsResult mResult;
  std::vector<std::string_view> mPending;
  std::size_t mPendingBytes = 0;
};

}  // namespace

GinSlotLease::GinSlotLease(std::size_t count) {
  {
    const std::lock_guard<std::mutex> lock(gKeptMutex);
    auto& kept = KeptSlots();
    while (mSlots.size() < count && !kept.empty()) {
      mSlots.push_back(std::move(kept.back()));
      kept.pop_back();
    }
  }
  while (mSlots.size() < count) mSlots.push_back(std::make_unique<GinSlot>());
  for (auto& slot : mSlots) slot->block = SIZE_MAX;
}

GinSlotLease::~GinSlotLease() {
  for (auto& slot : mSlots) {
    slot->records.Trim(kKeptSlotBytes);
    if (slot->input.capacity > kKeptSlotBytes) slot->input = {};
  }
  const std::lock_guard<std::mutex> lock(gKeptMutex);
  auto& kept = KeptSlots();
  for (auto& slot : mSlots) kept.push_back(std::move(slot));
}

GinRowsResult ConvertGinLinesInTurn(SourceLines& lines, const GinLayout& layout,
                                    std::shared_ptr<const GinTitles> titles, GinOutputs outputs,
                                    bool stopAtRow, GinSlot& slot) {
  GinRowsResult result;
  GinRecords& records = slot.records;
  records.Start(layout, std::move(titles));
  GinRowsOutcome outcome = GinRowsOutcome::kWhole;
  std::string_view line;
  for (;;) {
    const platform::LineStatus status = lines.Next(line);
    if (status == platform::LineStatus::kEnd) break;
    if (stopAtRow && status == platform::LineStatus::kWhole && !line.empty() &&
        !IsGinIndexLine(line)) {
      result.stoppedAtRow = true;
      result.rowOffset = lines.OffsetOf(line);
      break;
    }
    const bool converted = status == platform::LineStatus::kWhole && records.Line(line);
    if (!converted) {
      outcome = OutcomeOf(status, records, converted);
      break;
    }
    if (records.Descriptions().View().size() >= kWriteBytes) {
      outputs.descriptions.Append(records.Descriptions().View());
      TakeStretch(records, outcome, outputs, result);
      records.Start(layout, result.titles);
    }
  }
  outputs.descriptions.Append(records.Descriptions().View());
  TakeStretch(records, outcome, outputs, result);
  return result;
}

GinRowsResult ConvertGinRowsSideBySide(ByteSource& source, std::uint64_t begin, std::uint64_t end,
                                       const GinLayout& layout,
                                       std::shared_ptr<const GinTitles> titles, GinOutputs outputs,
                                       std::size_t stretchBytes, int threads) {
  SideBySide run(source, begin, end, layout, std::move(titles), outputs, stretchBytes, threads);
  return run.Run();
}

}  // namespace quellbrook
