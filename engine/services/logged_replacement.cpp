#include "engine/services/logged_replacement.hpp"

#include <cstdint>

#include "engine/services/log_channel.hpp"
#include "platform/system_error.hpp"
#include "platform/text_bytes.hpp"

bool ReplaceFileOrLog(const std::string& path, std::string_view failedMessage,
                      const std::function<bool(platform::FileReplacement&)>& write) {
  platform::FileReplacement file;
  if (file.Open(path) && write(file) && file.Commit()) return true;
  return LogWriteFailure(failedMessage, file.Error());
}

bool ReplaceFileTextOrLog(const std::string& path, std::string_view failedMessage,
                          std::string_view text) {
  return ReplaceFileOrLog(path, failedMessage, [text](platform::FileReplacement& file) {
    return WriteFileText(file, text);
  });
}

bool LogWriteFailure(std::string_view failedMessage, int error) {
  LogMessage(platform::WithSystemReason(failedMessage, error), 0, kLogRed);
  return false;
}

bool WriteFileText(platform::FileReplacement& file, std::string_view text) {
  return file.Write(platform::TextBytes(text));
}

bool GatheredText::WriteAll() {
  if (!mOk) return false;
  mOk = WriteFileText(mFile, mText);
  mText.clear();
  return mOk;
}
