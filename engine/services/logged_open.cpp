#include "engine/services/logged_open.hpp"

#include "engine/services/log_channel.hpp"
#include "platform/readable_file.hpp"

bool OpenLinesOrLog(platform::LineReader& reader, const std::string& path, std::size_t maxLength,
                    std::string_view failedMessage) {
  if (reader.Open(path, maxLength)) return true;
  LogMessage(platform::WithReadFailure(failedMessage, reader.OpenFailure()), 0, kLogRed);
  return false;
}
