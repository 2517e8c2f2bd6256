// qbhost: loads libQuellbrook as an installer host does and calls its exports in the order
// given on the command line, printing each result.
//
//   qbhost [--library PATH] [--window NAME]... CALL ARGS... [CALL ARGS...]...
//
// Calls and their argument counts: SetParentWindowName 1, GetInstalledList 0,
// CreateAuditReport 4, CreateUpdateReport 5, InstallLib 7, UpdateLib 8. Each call prints
// "<call> <result>"; GetInstalledList also prints "arrayTypes=..." and "protocols=...".
// Exit status: 0 when every call was made, 2 for a bad command line, 3 when the library or
// one of its exports can't be loaded.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "installer/quellbrook/quellbrook.h"

namespace {

// The host's buffers for the installed lists, as large as the library expects.
constexpr std::size_t kInstalledListBufferSize = 65534;
constexpr const char* kLibraryVariable = "QUELLBROOK_LIBRARY";
constexpr const char* kHostWindowsVariable = "QUELLBROOK_HOST_WINDOWS";

struct Call {
  const char* name;
  int argumentCount;
};

constexpr Call kCalls[] = {{"SetParentWindowName", 1}, {"GetInstalledList", 0},
                           {"CreateAuditReport", 4},   {"CreateUpdateReport", 5},
                           {"InstallLib", 7},          {"UpdateLib", 8}};

const Call* FindCall(const char* name) {
  for (const Call& call : kCalls)
    if (std::strcmp(call.name, name) == 0) return &call;
  return nullptr;
}

int Usage(const char* message) {
  std::fprintf(stderr, "qbhost: %s\n", message);
  std::fprintf(
      stderr, "usage: qbhost [--library PATH] [--window NAME]... CALL ARGS... [CALL ARGS...]...\n");
  return 2;
}

// libQuellbrook.so in the lib folder beside the program's bin folder.
std::string DefaultLibraryPath() {
  if (const char* path = std::getenv(kLibraryVariable); path != nullptr && *path != '\0')
    return path;
  std::vector<char> self(4096);
  const ssize_t length = readlink("/proc/self/exe", self.data(), self.size() - 1);
  if (length <= 0) return "libQuellbrook.so";
  std::string folder(self.data(), static_cast<std::size_t>(length));
  folder.erase(folder.find_last_of('/') == std::string::npos ? 0 : folder.find_last_of('/'));
  return folder + "/../lib/libQuellbrook.so";
}

template <typename Function>
Function* Bind(void* library, const char* name) {
  return reinterpret_cast<Function*>(dlsym(library, name));
}

}  // namespace

int main(int argc, char** argv) {
  std::string libraryPath;
  std::string windows;
  int next = 1;
  while (next < argc && std::strncmp(argv[next], "--", 2) == 0) {
    if (next + 1 >= argc) return Usage("an option needs its value");
    if (std::strcmp(argv[next], "--library") == 0) {
      libraryPath = argv[next + 1];
    } else if (std::strcmp(argv[next], "--window") == 0) {
      if (!windows.empty()) windows += '\n';
      windows += argv[next + 1];
    } else {
      return Usage("unknown option");
    }
    next += 2;
  }
  // Every call is checked before the library is touched, so a bad line changes nothing.
  for (int at = next; at < argc;) {
    const Call* call = FindCall(argv[at]);
    if (call == nullptr) return Usage("unknown call");
    if (call->argumentCount > argc - at - 1) return Usage("too few arguments");
    at += 1 + call->argumentCount;
  }
  if (next >= argc) return Usage("no call given");
  if (libraryPath.empty()) libraryPath = DefaultLibraryPath();
  // The host's own window, for the library's progress windows to find by name.
  if (!windows.empty()) setenv(kHostWindowsVariable, windows.c_str(), 1);

  void* library = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    std::fprintf(stderr, "qbhost: cannot load %s: %s\n", libraryPath.c_str(), dlerror());
    return 3;
  }
  auto* setParent = Bind<decltype(SetParentWindowName)>(library, "SetParentWindowName");
  auto* getInstalled = Bind<decltype(GetInstalledList)>(library, "GetInstalledList");
  auto* audit = Bind<decltype(CreateAuditReport)>(library, "CreateAuditReport");
  auto* update = Bind<decltype(CreateUpdateReport)>(library, "CreateUpdateReport");
  auto* install = Bind<decltype(InstallLib)>(library, "InstallLib");
  auto* updateLib = Bind<decltype(UpdateLib)>(library, "UpdateLib");
  if (!setParent || !getInstalled || !audit || !update || !install || !updateLib) {
    std::fprintf(stderr, "qbhost: %s lacks an export\n", libraryPath.c_str());
    dlclose(library);
    return 3;
  }

  std::vector<char> arrayTypes(kInstalledListBufferSize, '\0');
  std::vector<char> protocols(kInstalledListBufferSize, '\0');
  while (next < argc) {
    const std::string name = argv[next];
    char** a = argv + next + 1;
    int result = 0;
    if (name == "SetParentWindowName") {
      result = setParent(a[0]);
    } else if (name == "GetInstalledList") {
      result = getInstalled(arrayTypes.data(), protocols.data());
    } else if (name == "CreateAuditReport") {
      result = audit(a[0], a[1], a[2], a[3]);
    } else if (name == "CreateUpdateReport") {
      result = update(a[0], a[1], a[2], a[3], a[4]);
    } else if (name == "InstallLib") {
      result = install(a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
    } else {
      result = updateLib(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
    }
    std::printf("%s %d\n", name.c_str(), result);
    if (name == "GetInstalledList" && result == 1)
      std::printf("arrayTypes=%s\nprotocols=%s\n", arrayTypes.data(), protocols.data());
    std::fflush(stdout);
    next += 1 + FindCall(name.c_str())->argumentCount;
  }
  dlclose(library);
  return 0;
}
