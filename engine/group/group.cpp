// The group object, its per-array tables, and the start-up and exit of the one
// process-wide group.
#include "engine/group/group.hpp"

#include <cassert>
#include <cstdlib>
#include <memory>

#include "engine/base/value_triple.hpp"
#include "engine/services/log_channel.hpp"
#include "platform/path.hpp"

Group::Group(std::string homeFolder)
    : mHomeFolder(std::move(homeFolder)),
      mName(kDefaultGroupName),
      mArrays(static_cast<std::size_t>(MAX_ARRAY_NUM)) {
  mSettings.DATA_PATH = mHomeFolder;
}

ArraySlot& Group::Array(int index) {
  assert(index >= 0 && index < MAX_ARRAY_NUM && "array index outside the per-array tables");
  return mArrays[static_cast<std::size_t>(index)];
}

const ArraySlot& Group::Array(int index) const {
  assert(index >= 0 && index < MAX_ARRAY_NUM && "array index outside the per-array tables");
  return mArrays[static_cast<std::size_t>(index)];
}

int Group::FindArrayByName(std::string& text) const {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
  for (int i = 0; i < mNumArrays; ++i)
    if (platform::EqualsNoCase(mArrays[static_cast<std::size_t>(i)].name, text)) return i;
  return -1;
}

int Group::FindArrayByFile(std::string_view path) const {
  for (int i = 0; i < mNumArrays; ++i)
    if (SameFileName(mArrays[static_cast<std::size_t>(i)].dataFile, path)) return i;
  return -1;
}

double Group::PresentCallFraction(int unit, const int* arrays, int count) const {
  if (unit < 0) return 0.0;
  if (arrays == nullptr) count = mNumArrays;
  int present = 0;
  int counted = 0;
  for (int k = 0; k < count; ++k) {
    const int array = arrays != nullptr ? arrays[k] : k;
    if (array < 0 || array >= mNumArrays) continue;
    const auto& calls = mArrays[static_cast<std::size_t>(array)].calls;
    ++counted;
    if (static_cast<std::size_t>(unit) < calls.size() &&
        calls[static_cast<std::size_t>(unit)] == kCallPresent)
      ++present;
  }
  return counted > 0 ? static_cast<double>(present) / counted : 0.0;
}

bool SameFileName(std::string_view first, std::string_view second) {
  const auto firstCut = first.find_last_of("/\\");
  const auto secondCut = second.find_last_of("/\\");
  if (firstCut == std::string_view::npos || secondCut == std::string_view::npos) return false;
  return platform::EqualsNoCase(first.substr(firstCut + 1), second.substr(secondCut + 1));
}

bool Group::CountArray() {
  if (mNumArrays + 1 >= MAX_ARRAY_NUM) {
    LogMessage(kMaxArrayNumMessage, 0, kLogRed);
    return false;
  }
  ++mNumArrays;
  return true;
}

void Group::ClearGroup() {
  HasProbeData = false;
  Normalized = false;
  Modelled = false;
  Logged = false;
  HasStdErrors = false;
  HasCalls = false;
  mNumArrays = 0;
}

namespace {

std::unique_ptr<Group> gGroup;

void ExitGroupAtProcessEnd() {
  ExitGroup();
}

}  // namespace

void StartGroup(std::string homeFolder) {
  static const bool exitRegistered = std::atexit(ExitGroupAtProcessEnd) == 0;
  (void)exitRegistered;
  gGroup = std::make_unique<Group>(std::move(homeFolder));
  gGroup->ReadGroupSettings(kDefaultGroupName);
}

void ExitGroup() {
  if (!gGroup) return;
  Group& group = *gGroup;
  // A settings file that cannot be written is already in the log; exit goes on.
  group.WriteGroupSettings();
  if (!group.Name().empty() && !platform::EqualsNoCase(group.Name(), kDefaultGroupName)) {
    std::string lastGroup = group.Name();
    group.ReadGroupSettings(kDefaultGroupName);
    group.Settings().LAST_GROUP_NAME = std::move(lastGroup);
    group.SetName(kDefaultGroupName);
    group.WriteGroupSettings();
  }
  gGroup.reset();
}

void DiscardGroup() {
  gGroup.reset();
}

bool GroupStarted() {
  return gGroup != nullptr;
}

Group& TheGroup() {
  assert(gGroup && "the group is used before StartGroup or after ExitGroup");
  return *gGroup;
}
