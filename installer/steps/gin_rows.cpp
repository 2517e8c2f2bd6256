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

  GinRowsResult Run() {
    if (mCount == 0) return mResult;
    GinSlotLease slots(mWindow);
    mSlots = &slots;
    platform::RunTasks(mCount, mThreads, [this](int task, bool) { Stretch(task); });
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

  // A stretch that throws (out of memory) stops the others, which would otherwise wait for
  // its slot to be written; the exception ends the whole run.
  void Stretch(int task) {
    try {
      ConvertAndWrite(task);
    } catch (...) {
      {
        const std::lock_guard<std::mutex> lock(mMutex);
        mStopped = true;
      }
      mSlotFree.notify_all();
      throw;
    }
  }

  void ConvertAndWrite(int task) {
    const auto number = static_cast<std::size_t>(task);
    std::shared_ptr<const GinTitles> titles;
    {
      // A stretch waits for its slot to be written; it starts under the titles in force
      // where the stretches checked so far end, which holds unless an "Index" line comes
      // in between.
      std::unique_lock<std::mutex> lock(mMutex);
      mSlotFree.wait(lock, [&] { return mStopped || number < mWritten + mWindow; });
      if (mStopped) return;
      titles = mPublished;
    }
    GinSlot& slot = (*mSlots)[number % mWindow];
    Convert(number, std::move(titles), slot);
    {
      const std::lock_guard<std::mutex> lock(mMutex);
      slot.block = number;
      if (mWriting || mStopped || number != mChecked) return;
      mWriting = true;
    }
    Write();
  }

  // Holding the writer's turn: checks the converted stretches in order and writes them,
  // until the next one is not converted yet.
  void Write() {
    for (;;) {
      GinSlot* slot = nullptr;
      {
        const std::lock_guard<std::mutex> lock(mMutex);
        GinSlot& next = (*mSlots)[mChecked % mWindow];
        if (mChecked < static_cast<std::size_t>(mCount) && next.block == mChecked) slot = &next;
      }
      bool ended = false;
      if (slot != nullptr) {
        GinRecords& records = slot->records;
        if (records.StartTitles() != mResult.titles && *records.StartTitles() != *mResult.titles)
          Convert(mChecked, mResult.titles, *slot);
        ended = !TakeStretch(records, slot->outcome, mOutputs, mResult);
        mPending.push_back(records.Descriptions().View());
        mPendingBytes += mPending.back().size();
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
      if (slot == nullptr) {
        const std::lock_guard<std::mutex> lock(mMutex);
        // A stretch that came in since is written by this turn; otherwise its thread
        // takes the turn when it is done.
        if ((*mSlots)[mChecked % mWindow].block != mChecked) {
          mWriting = false;
          return;
        }
      }
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
  std::size_t mWritten = 0;  // stretches before this one are written
  std::size_t mChecked = 0;  // and before this one checked
  bool mWriting = false;     // a thread holds the writer's turn
  bool mStopped = false;     // the last stretch was written, or one was refused
  std::shared_ptr<const GinTitles> mPublished;

  // The writer's turn's own.
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
