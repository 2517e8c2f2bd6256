// Test support: an output-file registry and view requests that record what jobs asked
// for. Each installs itself while alive.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/services/output_file_registry.hpp"
#include "engine/services/view_requests.hpp"

struct RecordedOutputFile {
  std::string path;
  bool insertIntoLog;
};

class RecordedOutputFiles final : public OutputFileRegistry {
 public:
  RecordedOutputFiles() : mPrevious(SetOutputFileRegistry(this)) {}
  ~RecordedOutputFiles() override { SetOutputFileRegistry(mPrevious); }
  RecordedOutputFiles(const RecordedOutputFiles&) = delete;
  RecordedOutputFiles& operator=(const RecordedOutputFiles&) = delete;

  void Register(std::string_view path, bool insertIntoLog) override {
    files.push_back({std::string(path), insertIntoLog});
  }
  std::vector<RecordedOutputFile> files;

 private:
  OutputFileRegistry* mPrevious;
};

class RecordedViewRequests final : public ViewRequests {
 public:
  RecordedViewRequests() : mPrevious(SetViewRequests(this)) {}
  ~RecordedViewRequests() override { SetViewRequests(mPrevious); }
  RecordedViewRequests(const RecordedViewRequests&) = delete;
  RecordedViewRequests& operator=(const RecordedViewRequests&) = delete;

  void ShowView(RightPaneView view) override { shown.push_back(view); }
  bool ShowNormalizationReview() override {
    ++reviews;
    return reviewPrepared;
  }

  std::vector<RightPaneView> shown;
  int reviews = 0;
  bool reviewPrepared = true;  // the answer of every review

 private:
  ViewRequests* mPrevious;
};
