// The program's one connection to the R statistics system, as the rest of the program
// calls it: start R once, hand it numeric vectors and matrices as named variables, run
// statements, read numeric matrices back. Every call reports success or R's error text.
// Numbers cross as doubles. The connection in use is the real R child process
// (engine/services/stat_connector.hpp) unless a test installs another; until R is started
// every call fails with kRNotConnectedError.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline constexpr const char* kCouldNotStartRMessage =
    "Couldn't start R. Please refer to Zelko website for installig the R software";
inline constexpr const char* kRNotConnectedError = "R is not connected";

// The outcome of one call: success, or the error text R (or the link) gave.
struct RReply {
  bool ok = true;
  std::string error;

  static RReply Success() { return {}; }
  static RReply Failure(std::string text) { return {false, std::move(text)}; }
  explicit operator bool() const { return ok; }
};

// A matrix of doubles, row by row, as it crosses to and from R.
struct RMatrix {
  int rows = 0;
  int cols = 0;
  std::vector<double> values;

  RMatrix() = default;
  RMatrix(int rowCount, int colCount)
      : rows(rowCount),
        cols(colCount),
        values(static_cast<std::size_t>(rowCount) * static_cast<std::size_t>(colCount)) {}
  double& At(int row, int col) { return values[Index(row, col)]; }
  double At(int row, int col) const { return values[Index(row, col)]; }

 private:
  std::size_t Index(int row, int col) const {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols) +
           static_cast<std::size_t>(col);
  }
};

class RLink {
 public:
  virtual ~RLink() = default;
  // Starts R unless it runs already; after a success, a second call starts and sends
  // nothing. A failure leaves it not started, so the next call tries again.
  virtual RReply Start() = 0;
  // Gives R the values as a one-column matrix (n x 1) named name.
  virtual RReply SetVector(std::string_view name, std::span<const double> values) = 0;
  // Gives R the matrix under name.
  virtual RReply SetMatrix(std::string_view name, const RMatrix& matrix) = 0;
  // Reads the leading matrix.rows x matrix.cols block of R's matrix name into matrix;
  // asking for more rows or columns than R's value has is a failure.
  virtual RReply GetMatrix(std::string_view name, RMatrix& matrix) = 0;
  // Evaluates one R statement for its effect; statements see the variables set before
  // them, and the workspace lasts for the whole run.
  virtual RReply ExecuteCommand(std::string_view command) = 0;

  // Start; when it fails and showMessage is set, the message box kCouldNotStartRMessage.
  // Every caller gives up its R work on false.
  bool StartR(bool showMessage);
};

// The one connection in use.
RLink& RConnection();
// nullptr restores the default, the real R child. Returns the previous link (nullptr when that
// was the default).
RLink* SetRLink(RLink* link);
