// Test support: an R connection that keeps its variables in a map, records the statements
// it is given without evaluating them, and fails where a test asks it to. Installed as
// the one connection while alive.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/services/r_link.hpp"

class RecordingRLink final : public RLink {
 public:
  RecordingRLink() : mPrevious(SetRLink(this)) {}
  ~RecordingRLink() override { SetRLink(mPrevious); }
  RecordingRLink(const RecordingRLink&) = delete;
  RecordingRLink& operator=(const RecordingRLink&) = delete;

  bool startFails = false;  // R cannot be started
  int startAttempts = 0;    // the times R was really started (or tried)
  bool started = false;
  std::map<std::string, RMatrix, std::less<>> variables;
  std::vector<std::string> commands;
  // Statements that fail, with R's error text.
  std::map<std::string, std::string, std::less<>> commandErrors;

  RReply Start() override {
    if (started) return RReply::Success();
    ++startAttempts;
    if (startFails) return RReply::Failure("R could not be started");
    started = true;
    return RReply::Success();
  }
  RReply SetVector(std::string_view name, std::span<const double> values) override {
    RMatrix column(static_cast<int>(values.size()), 1);
    column.values.assign(values.begin(), values.end());
    return SetMatrix(name, column);
  }
  RReply SetMatrix(std::string_view name, const RMatrix& matrix) override {
    if (!started) return RReply::Failure(kRNotConnectedError);
    variables.insert_or_assign(std::string(name), matrix);
    return RReply::Success();
  }
  RReply GetMatrix(std::string_view name, RMatrix& matrix) override {
    if (!started) return RReply::Failure(kRNotConnectedError);
    const auto found = variables.find(name);
    if (found == variables.end())
      return RReply::Failure("object '" + std::string(name) + "' not found");
    const RMatrix& value = found->second;
    if (matrix.rows > value.rows || matrix.cols > value.cols)
      return RReply::Failure("subscript out of bounds");
    for (int row = 0; row < matrix.rows; ++row)
      for (int col = 0; col < matrix.cols; ++col) matrix.At(row, col) = value.At(row, col);
    return RReply::Success();
  }
  RReply ExecuteCommand(std::string_view command) override {
    if (!started) return RReply::Failure(kRNotConnectedError);
    commands.emplace_back(command);
    const auto error = commandErrors.find(command);
    if (error != commandErrors.end()) return RReply::Failure(error->second);
    return RReply::Success();
  }

 private:
  RLink* mPrevious;
};
