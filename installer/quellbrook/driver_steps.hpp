// What the install and update drivers do alike before their content steps: folder texts
// trimmed, the database session pointed at the run's files and checked, the devices file
// read and its devices sorted by type. Each routine reports its own failure the way every
// driver does; the caller only writes its finish banner.
#pragma once

#include <string>
#include <vector>

#include "installer/framework/install_parameters.hpp"
#include "installer/framework/lib_db_session.hpp"
#include "installer/steps/device_record.hpp"
#include "installer/steps/install_step.hpp"
#include "platform/profile.hpp"

namespace quellbrook {

inline constexpr const char* kToolLogFileName = "sql.log";
inline constexpr const char* kDevicesFailurePrefix = "Failed to install devices. ";
inline constexpr const char* kDeviceTable = "KORX_DEVICE";
// A DeviceN value is read into a buffer of this size.
inline constexpr std::size_t kDeviceValueSize = 260;

// What the steps of a run left for its result.
struct RunFlags {
  int running = 0;  // the last step's result that did not end the run
  bool warnings = false;
  bool errors = false;
  bool allValid = true;
};

// The device types a driver sorts the devices file's devices into (any case).
inline constexpr const char* kScannerDeviceType = "Scanner";
inline constexpr const char* kFluidicsDeviceType = "Fluidics";

// The folder text without its trailing blanks, then without its trailing separators.
std::string TrimFolderText(const std::string& folder);

// True when the array type's name is one file name, so its files stay in their folder;
// otherwise the name is logged in red.
bool IsSafeTypeName(const std::string& type, const std::string& log);

// The session writes its tools' output into "sql.log" of libraryFolder and logs and reports
// into the run's files; its scripts come from beside the library the driver runs in.
void PrepareSession(LibDbSession& session, const InstallParameters& parameters,
                    const std::string& libraryFolder);

// The message is added to the call's error text and logged in red; answers its number.
int ReportDriverError(InstallParameters& parameters, int number);
// The same for a refusal before the run starts: the message becomes the error text.
int RefuseRun(InstallParameters& parameters, int number);

// The process database of the session's DBMS becomes its own: 0, or 2007 reported.
int SetProcessDatabase(LibDbSession& session, InstallParameters& parameters);
// The SQL Server tools' folder becomes the session's: 0, or 3017 with the finder's text
// logged plainly.
int SetSqlToolsFolder(LibDbSession& session, const std::string& log);
// 0, or 3004 reported when the session did not connect.
int CheckConnected(const LibDbSession& session, InstallParameters& parameters);

// A copy's result becomes the running result; a failed copy (3027) also stays an error of
// the run, so no later step's success can hide it.
void NoteCopyResult(RunFlags& flags, int result);
// A content step's result: warnings are noted in flags and the run goes on, as on success;
// true for any other result, which ends the run.
bool EndsRun(RunFlags& flags, int result);

// The devices of the file's [Devices] list, Device1 on until the first missing one: 0, or
// 3014 / 3015 (logged) for a blank type or an empty annotation id.
int ReadDeviceRecords(const std::string& devicesFile, const std::string& log,
                      std::vector<DeviceRecord>& out);
// The same over the file's text already read; devicesFile names it in the messages.
int ReadDeviceRecords(const platform::ProfileText& devices, const std::string& devicesFile,
                      const std::string& log, std::vector<DeviceRecord>& out);

// The texts and session every step of a run gets; the output folder differs by road.
struct StepSetup {
  std::string outputFolder;
  const InstallParameters& parameters;
  LibDbSession& session;

  void operator()(InstallStep& step) const;
};

// The assays and algorithms, then with templatesAndControls the templates and the
// controls: the first three end the run on failure (their result is answered), the
// controls only mark it in flags.
int RunCatalogueSteps(const StepSetup& configure, RunFlags& flags, bool templatesAndControls);

// The devices file of the run's source folder and the devices it lists.
struct SourceDevices {
  std::string file;
  std::vector<DeviceRecord> records;
};

// The device step, when the file listed devices and the process database has their table.
int RunDeviceStep(const StepSetup& configure, const SourceDevices& devices);

// The devices of the source folder's devices file: 0; 1001 logged when the file is missing;
// or the 3014 / 3015 of ReadDeviceRecords.
int ReadSourceDevices(const InstallParameters& parameters, SourceDevices& devices);
bool IsDeviceType(const DeviceRecord& device, const char* type);
// The names of the scanners and fluidics stations, in file order: 0, or 3014 logged for the
// first device of any other type.
int SortDevicesByType(const SourceDevices& devices, const std::string& log,
                      std::vector<std::string>& scanners, std::vector<std::string>& fluidics);

}  // namespace quellbrook
