// The R child and its request protocol. R finds requests on descriptor 3 and answers on
// descriptor 4. A request is one byte, then its fields: 'E' statements; 'S' name, rows,
// cols, doubles row by row; 'G' name, rows, cols; 'I' (image files); 'P' (pictures of the
// devices whose drawing changed); 'Q' (quit, no answer). An answer is an int32 status (0
// done, 1 failed with a counted text), then for 'G' the doubles row by row, for 'I' a
// count of counted texts and for 'P' a count of int32 window numbers each with its text. Counts and
// texts are int32 lengths and bytes, all little-endian. R flushes its printed output before every
// answer, so output read after an answer belongs to that request or an earlier one.
#include "platform/r_server.hpp"
#include "platform/system_error.hpp"

#include <poll.h>
#include <stdlib.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "platform/byte_reader.hpp"
#include "platform/byte_writer.hpp"
#include "platform/process.hpp"
#include "platform/r_text.hpp"

namespace platform {

namespace {

constexpr int kRequestFd = 3;
constexpr int kAnswerFd = 4;
constexpr int kScriptFd = 5;
constexpr std::size_t kRequestPipe = 0;
constexpr std::size_t kAnswerPipe = 1;
constexpr std::size_t kScriptPipe = 2;
// How often a wait for an answer looks whether R is still there.
constexpr int kAliveCheckMs = 1000;
// Bounds of what R's answers may claim, against a confused or foreign child.
constexpr std::int32_t kMaxAnswerText = 1 << 24;
constexpr std::int32_t kMaxAnswerFiles = 1 << 16;
constexpr const char* kImpossibleCount = "R gave an impossible count";
// The tail of R's output kept to explain an early end.
constexpr std::size_t kRecentOutputBytes = 2000;
constexpr std::size_t kOutputChunk = 8192;

constexpr const char* kBootstrap = R"R(
options(warn = 1)
local({
  stopped <- interrupted
  rm("interrupted", envir = globalenv())
  requests <- file("/dev/fd/3", open = "rb", raw = TRUE)
  answers <- file("/dev/fd/4", open = "wb", raw = TRUE)
  state <- new.env()
  state$count <- 0L
  state$files <- character(0)
  state$devices <- integer(0)
  state$windows <- integer(0)
  state$shown <- list()
  state$pictures <- 0L
  tools <- attach(NULL, name = "zelko")
  assign("windows", function(...) {
    state$count <- state$count + 1L
    path <- file.path(folder, sprintf("window%03d.png", state$count))
    grDevices::png(path, width = 640, height = 480, type = "cairo")
    # The drawing is kept, so that pictures of it can be made while it goes on.
    grDevices::dev.control("enable")
    state$files <- c(state$files, path)
    state$devices <- c(state$devices, grDevices::dev.cur())
    state$windows <- c(state$windows, state$count)
    invisible(NULL)
  }, envir = tools)
  # A plot without windows() first draws into an image too, not into Rplots.pdf.
  options(device = get("windows", envir = tools))

  readCount <- function() {
    n <- readBin(requests, "integer", 1L, size = 4L, endian = "little")
    if (length(n) != 1L || n < 0L) stop("request cut short")
    n
  }
  readText <- function() {
    n <- readCount()
    if (n == 0L) return("")
    bytes <- readBin(requests, "raw", n)
    if (length(bytes) != n) stop("request cut short")
    rawToChar(bytes)
  }
  readDoubles <- function(n) {
    values <- readBin(requests, "double", n, size = 8L, endian = "little")
    if (length(values) != n) stop("request cut short")
    values
  }
  writeCount <- function(n) writeBin(as.integer(n), answers, size = 4L, endian = "little")
  writeText <- function(text) {
    bytes <- charToRaw(enc2native(as.character(text)))
    writeCount(length(bytes))
    writeBin(bytes, answers)
  }
  readMatrix <- function(name, rows, cols) {
    value <- get(name, envir = globalenv())
    if (!is.numeric(value) && !is.logical(value))
      stop(sprintf("'%s' is not numeric", name))
    if (is.null(dim(value))) value <- matrix(value, ncol = 1L)
    if (length(dim(value)) != 2L) stop(sprintf("'%s' is not a matrix", name))
    if (rows > nrow(value) || cols > ncol(value)) stop("subscript out of bounds")
    as.double(t(value[seq_len(rows), seq_len(cols), drop = FALSE]))
  }
  takeImages <- function() {
    for (device in rev(state$devices))
      if (device %in% grDevices::dev.list()) grDevices::dev.off(device)
    files <- state$files[file.exists(state$files)]
    state$files <- character(0)
    state$devices <- integer(0)
    state$windows <- integer(0)
    state$shown <- list()
    files
  }
  # A picture of each open device whose drawing changed since its last picture.
  takePictures <- function() {
    windows <- integer(0)
    files <- character(0)
    current <- grDevices::dev.cur()
    for (i in seq_along(state$devices)) {
      device <- state$devices[i]
      if (!(device %in% grDevices::dev.list())) next
      grDevices::dev.set(device)
      drawn <- grDevices::recordPlot()
      if (length(drawn[[1]]) == 0L) next
      if (i <= length(state$shown) && identical(drawn, state$shown[[i]])) next
      state$shown[[i]] <- drawn
      state$pictures <- state$pictures + 1L
      path <- file.path(folder, sprintf("picture%05d.png", state$pictures))
      grDevices::png(path, width = 640, height = 480, type = "cairo")
      grDevices::replayPlot(drawn)
      grDevices::dev.off()
      windows <- c(windows, state$windows[i])
      files <- c(files, path)
    }
    if (current %in% grDevices::dev.list()) grDevices::dev.set(current)
    list(windows = windows, files = files)
  }

  writeCount(0L)
  flush(answers)
  # Interrupts are held everywhere but in a statement's evaluation, so that one never
  # cuts a request or an answer in half.
  suspendInterrupts(repeat {
    op <- readBin(requests, "raw", 1L)
    if (length(op) == 0L) break
    op <- rawToChar(op)
    if (op == "Q") break
    # Every field of a request is read before anything can fail, so that a failure
    # leaves the stream at the next request.
    fields <- switch(op,
      E = list(text = readText()),
      S = {
        name <- readText(); rows <- readCount(); cols <- readCount()
        list(name = name, rows = rows, cols = cols, values = readDoubles(rows * cols))
      },
      G = list(name = readText(), rows = readCount(), cols = readCount()),
      I = list(),
      P = list(),
      stop("unknown request"))
    result <- tryCatch(list(ok = TRUE, value = switch(op,
        E = {
          # An interrupt meant for the statement before, come after its end, is spent here.
          tryCatch(allowInterrupts(Sys.sleep(0)), interrupt = function(e) NULL)
          allowInterrupts(eval(parse(text = fields$text), envir = globalenv()))
          NULL
        },
        S = {
          assign(fields$name, matrix(fields$values, nrow = fields$rows, ncol = fields$cols,
                                     byrow = TRUE), envir = globalenv())
          NULL
        },
        G = readMatrix(fields$name, fields$rows, fields$cols),
        I = takeImages(),
        P = takePictures())),
      error = function(e) list(ok = FALSE, value = conditionMessage(e)),
      interrupt = function(e) list(ok = FALSE, value = stopped))
    flush(stdout())
    flush(stderr())
    if (!result$ok) {
      writeCount(1L)
      writeText(result$value)
    } else {
      writeCount(0L)
      if (op == "G") writeBin(result$value, answers, size = 8L, endian = "little")
      if (op == "I") {
        writeCount(length(result$value))
        for (file in result$value) writeText(file)
      }
      if (op == "P") {
        writeCount(length(result$value$files))
        for (i in seq_along(result$value$files)) {
          writeCount(result$value$windows[i])
          writeText(result$value$files[i])
        }
      }
    }
    flush(answers)
  })
  close(requests)
  close(answers)
})
quit(save = "no", status = 0)
)R";

std::vector<std::uint8_t> NamedRequest(char op, std::string_view name, int rows, int cols) {
  ByteWriter writer;
  writer.WriteUInt8(static_cast<std::uint8_t>(op));
  writer.WriteCountedString(name);
  writer.WriteInt32(rows);
  writer.WriteInt32(cols);
  return writer.Bytes();
}

}  // namespace

class RServer::RequestSpan {
 public:
  explicit RequestSpan(RServer& server) : mServer(server), mRefused(server.mBusy) {
    if (mRefused) return;
    mServer.mBusy = true;
  }
  ~RequestSpan() {
    if (!mRefused) mServer.mBusy = false;
  }
  RequestSpan(const RequestSpan&) = delete;
  RequestSpan& operator=(const RequestSpan&) = delete;

  // False (with the busy text) for a request inside another.
  bool Allowed(std::string& error) const {
    if (mRefused) error = kRBusyError;
    return !mRefused;
  }

 private:
  RServer& mServer;
  bool mRefused;
};

RServer::RServer() = default;

RServer::~RServer() {
  Stop();
}

bool RServer::Start(std::string& error) {
  if (Running()) return true;
  std::error_code fileError;
  std::string pattern =
      (std::filesystem::temp_directory_path(fileError) / "zelko-r-XXXXXX").string();
  if (fileError || ::mkdtemp(pattern.data()) == nullptr) {
    error = "no scratch folder for R: " + SystemErrorText(errno);
    return false;
  }
  mScratch = pattern;
  // The start-up script comes through a pipe of its own, so that no path (which R's
  // launcher script would split at blanks) appears on R's command line.
  SpawnRequest request;
  request.arguments = {kRProgram, "--vanilla", "--quiet", "--no-echo",
                       "--file=/dev/fd/" + std::to_string(kScriptFd)};
  request.extraPipes = {{kRequestFd, true}, {kAnswerFd, false}, {kScriptFd, true}};
  auto child = std::make_unique<ChildProcess>();
  SpawnFailure failure;
  if (!child->Start(request, failure)) {
    error = std::string(kRProgram) + " could not be started: " + SystemErrorText(failure.error);
    RemoveScratch();
    return false;
  }
  const std::string script = "folder <- " + RStringLiteral(mScratch) + "\ninterrupted <- " +
                             RStringLiteral(kRInterruptedError) + "\n" + kBootstrap;
  const bool scriptSent = child->WriteAll(kScriptPipe, script.data(), script.size());
  child->ClosePipe(kScriptPipe);
  if (!scriptSent) {
    error = std::string(kRProgram) + " ended before it read its start-up script";
    RemoveScratch();
    return false;
  }
  mChild = std::move(child);
  mRecentOutput.clear();
  std::int32_t ready = -1;
  if (!Receive(&ready, sizeof ready, error)) return false;
  if (ready != 0) {
    Stop();
    error = "R answered its start with an unknown status";
    return false;
  }
  return true;
}

void RServer::Stop() {
  if (mChild != nullptr && !mChild->OwnedByThisProcess()) {
    // A forked copy of the program lets go of its pipes and leaves R and its scratch
    // folder to the process that started them.
    mChild.reset();
    mScratch.clear();
    return;
  }
  if (mChild != nullptr) {
    const std::uint8_t quit = 'Q';
    if (mChild->WriteAll(kRequestPipe, &quit, 1)) mChild->ClosePipe(kRequestPipe);
    const auto deadline = kRQuitTimeoutMs;
    for (int waited = 0; waited < deadline && !mChild->HasEnded(); waited += 50) {
      mChild->WaitForOutput(50);
      DrainOutput();
    }
    DrainOutput();
    mChild.reset();
  }
  RemoveScratch();
}

bool RServer::Execute(std::string_view statements, std::string& error) {
  const RequestSpan span(*this);
  if (!span.Allowed(error)) return false;
  ByteWriter writer;
  writer.WriteUInt8('E');
  writer.WriteCountedString(statements);
  return Send(writer.Bytes(), error) && ReceiveStatus(error);
}

bool RServer::Assign(std::string_view name, int rows, int cols, std::span<const double> rowMajor,
                     std::string& error) {
  const RequestSpan span(*this);
  if (!span.Allowed(error)) return false;
  if (rows < 0 || cols < 0 ||
      rowMajor.size() != static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols)) {
    error = "the values do not fill the matrix";
    return false;
  }
  std::vector<std::uint8_t> request = NamedRequest('S', name, rows, cols);
  ByteWriter values;
  values.Reserve(rowMajor.size() * sizeof(double));
  for (const double value : rowMajor) values.WriteDouble(value);
  request.insert(request.end(), values.Bytes().begin(), values.Bytes().end());
  return Send(request, error) && ReceiveStatus(error);
}

bool RServer::Fetch(std::string_view name, int rows, int cols, std::vector<double>& rowMajor,
                    std::string& error) {
  const RequestSpan span(*this);
  if (!span.Allowed(error)) return false;
  if (rows < 0 || cols < 0) {
    error = "subscript out of bounds";
    return false;
  }
  if (!Send(NamedRequest('G', name, rows, cols), error) || !ReceiveStatus(error)) return false;
  const std::size_t count = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
  std::vector<std::uint8_t> bytes(count * sizeof(double));
  if (!Receive(bytes.data(), bytes.size(), error)) return false;
  rowMajor.resize(count);
  for (std::size_t i = 0; i < count; ++i) rowMajor[i] = LoadF64(bytes.data() + i * sizeof(double));
  return true;
}

bool RServer::TakeImages(std::vector<std::string>& files, std::string& error) {
  const RequestSpan span(*this);
  if (!span.Allowed(error)) return false;
  files.clear();
  const std::vector<std::uint8_t> request{static_cast<std::uint8_t>('I')};
  if (!Send(request, error) || !ReceiveStatus(error)) return false;
  std::int32_t count = 0;
  if (!ReceiveCount(count, kMaxAnswerFiles, "R gave an impossible count of image files", error))
    return false;
  for (std::int32_t i = 0; i < count; ++i) {
    std::string file;
    if (!ReceiveText(file, error)) return false;
    files.push_back(std::move(file));
  }
  return true;
}

bool RServer::TakePictures(std::vector<RPicture>& pictures, std::string& error) {
  const RequestSpan span(*this);
  if (!span.Allowed(error)) return false;
  pictures.clear();
  const std::vector<std::uint8_t> request{static_cast<std::uint8_t>('P')};
  if (!Send(request, error) || !ReceiveStatus(error)) return false;
  std::int32_t count = 0;
  if (!ReceiveCount(count, kMaxAnswerFiles, kImpossibleCount, error)) return false;
  for (std::int32_t i = 0; i < count; ++i) {
    RPicture picture;
    if (!ReceiveCount(picture.window, kMaxAnswerFiles, kImpossibleCount, error) ||
        !ReceiveText(picture.file, error))
      return false;
    pictures.push_back(std::move(picture));
  }
  return true;
}

void RServer::Interrupt() {
  if (Running() && mBusy) (void)mChild->Interrupt();
}

bool RServer::ReceiveCount(std::int32_t& count, std::int32_t most, const char* impossible,
                           std::string& error) {
  std::uint8_t countBytes[4];
  if (!Receive(countBytes, sizeof countBytes, error)) return false;
  count = static_cast<std::int32_t>(LoadU32(countBytes));
  if (count >= 0 && count <= most) return true;
  Stop();
  error = impossible;
  return false;
}

bool RServer::Send(const std::vector<std::uint8_t>& request, std::string& error) {
  if (!Running()) {
    error = kRHasEndedError;
    return false;
  }
  mRecentOutput.clear();
  if (mChild->WriteAll(kRequestPipe, request.data(), request.size())) return true;
  return Ended(error);
}

bool RServer::Receive(void* data, std::size_t size, std::string& error) {
  if (!Running()) {
    error = kRHasEndedError;
    return false;
  }
  auto* bytes = static_cast<char*>(data);
  bool outputOpen = true;
  using Clock = std::chrono::steady_clock;
  const auto hookPeriod = std::chrono::milliseconds(kRWaitHookMs);
  auto nextHook = Clock::now() + hookPeriod;
  auto nextInterrupt = Clock::now();
  while (size > 0) {
    // R's output is passed on while R works, so that a full output pipe never stalls it.
    pollfd fds[2] = {{mChild->PipeFd(kAnswerPipe), POLLIN, 0},
                     {outputOpen ? mChild->OutputFd() : -1, POLLIN, 0}};
    const int ready = ::poll(fds, 2, mWaitHook ? kRWaitHookMs : kAliveCheckMs);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return Ended(error);
    }
    if (mWaitHook && Clock::now() >= nextHook) {
      nextHook = Clock::now() + hookPeriod;
      const bool interrupt = mWaitHook();
      // What the hook handled may have stopped R.
      if (!Running()) {
        error = kRHasEndedError;
        return false;
      }
      // Asked again now and then, in case R took the first one for the statement before.
      if (interrupt && Clock::now() >= nextInterrupt) {
        nextInterrupt = Clock::now() + std::chrono::milliseconds(kRInterruptRepeatMs);
        Interrupt();
      }
    }
    if (ready == 0) {
      if (mChild->HasEnded()) return Ended(error);
      continue;
    }
    if ((fds[1].revents & POLLIN) != 0)
      DrainOutput();
    else if (fds[1].revents != 0)
      outputOpen = false;
    if (fds[0].revents == 0) continue;
    const ssize_t count = ::read(fds[0].fd, bytes, size);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return Ended(error);
    bytes += count;
    size -= static_cast<std::size_t>(count);
  }
  return true;
}

bool RServer::ReceiveStatus(std::string& error) {
  std::uint8_t statusBytes[4];
  if (!Receive(statusBytes, sizeof statusBytes, error)) return false;
  const auto status = static_cast<std::int32_t>(LoadU32(statusBytes));
  DrainOutput();
  if (status == 0) return true;
  std::string text;
  if (!ReceiveText(text, error)) return false;
  DrainOutput();
  error = std::move(text);
  return false;
}

bool RServer::ReceiveText(std::string& text, std::string& error) {
  std::int32_t length = 0;
  if (!ReceiveCount(length, kMaxAnswerText, "R gave an impossible text length", error))
    return false;
  text.resize(static_cast<std::size_t>(length));
  return Receive(text.data(), text.size(), error);
}

void RServer::DrainOutput() {
  if (mChild == nullptr) return;
  char buffer[kOutputChunk];
  for (;;) {
    const long count = mChild->ReadOutput(buffer, sizeof buffer);
    if (count <= 0) return;
    const std::string_view text(buffer, static_cast<std::size_t>(count));
    mRecentOutput.append(text);
    if (mRecentOutput.size() > kRecentOutputBytes)
      mRecentOutput.erase(0, mRecentOutput.size() - kRecentOutputBytes);
    if (mSink) mSink(text);
  }
}

bool RServer::Ended(std::string& error) {
  DrainOutput();
  error = kRHasEndedError;
  if (!mRecentOutput.empty()) error += ": " + mRecentOutput;
  mChild.reset();
  RemoveScratch();
  return false;
}

void RServer::RemoveScratch() {
  if (mScratch.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(mScratch, ignored);
  mScratch.clear();
}

}  // namespace platform
