// The installer's one door to the laboratory database: the connection settings read from
// the registry, a connection to the server of this computer, and the short statements and
// queries the install steps need (the newest library log row, row counts, clearing a
// table, revoking create permissions, the catalogue and scan-parameter queries). Each
// statement or query runs in a session of its own on the one connection, in the database
// it names, with its columns as texts of at most 255 bytes.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "installer/framework/connection_text.hpp"
#include "installer/framework/db_connection.hpp"

namespace quellbrook {

inline constexpr const char* kDefaultWorkDatabase = "TEMPDB";
inline constexpr const char* kLibraryLogTable = "KORX_LIB_LOG";
inline constexpr const char* kPlainClientLogin = "sa";
// Status of the library log row that a successful procedure or script leaves.
inline constexpr const char* kLogStatusSuccess = "SUCCESS";

// The newest row of the library log table.
struct LibLogStep {
  std::string step;
  std::string status;
  std::string message;
};

// One scan-parameter set the server holds: the probe array type and its assay.
struct ScanParameterSet {
  std::string probeArrayName;
  std::string assayName;
};

// A term and its value; the third text stays empty.
struct ScanParameterValue {
  std::string term;
  std::string value;
  std::string third;
};

// One row of an assay's scan parameters, in the order the query gives them.
struct AssayScanParameter {
  std::string assayName;
  std::string probeArrayName;
  std::string scannerKind;
  std::string term;
  std::string parameterValue;
  std::string dataType;
  std::string scanWord;
  std::string parameterType;
};

// Messages the session shows in a stop box (only OpenSession shows any). The default
// writes them to standard error; tests install their own.
using SessionMessageHandler = std::function<void(const std::string& text)>;
void SetSessionMessageHandler(SessionMessageHandler handler);

// Where a connection's login was made: the settings it was made with and the connection.
struct DataSourceObject {
  std::string folder;
  ConnectionProperties properties;
  std::unique_ptr<DbConnection> connection;
};

class LibDbSession {
 public:
  LibDbSession();
  virtual ~LibDbSession();
  LibDbSession(const LibDbSession&) = delete;
  LibDbSession& operator=(const LibDbSession&) = delete;

  // Reads the machine's settings, unscrambles the stored password (servers and local
  // database clients), connects and reads the data-object version. user may be null.
  void InitSession(const char* user);

  // 1 SQL Server (also on any machine that is not a server), 2 Oracle, 0 when the
  // setting can't be read.
  int ReadDbmsTypeSetting();
  // The default values of DBDefaultUser and DBPassword; "" when they can't be read.
  std::string ReadDefaultUser();
  std::string ReadStoredPassword();

  // Opens a data source on this computer's server into out; false (out empty) when the
  // provider, server, login or database refuses. The DBMS kind chooses the form: SQL
  // Server through the connection text, Oracle through the properties (no database).
  bool ConnectProvider(const std::string& dataSourceName, const std::string& providerName,
                       const std::string& login, const std::string& loginPassword,
                       const std::string& database, std::unique_ptr<DataSourceObject>& out);
  // Opens rowsetSession on dataSource: 1, or 0 after a stop message.
  int OpenSession();
  // "USE name" on SQL Server (a name that is not a plain identifier is refused); true on
  // Oracle.
  bool UseDatabase(const std::string& name);

  // The newest rows of the library log table in workDatabase; the last one fetched is
  // stored (trimmed) into record when given. 1, or 0 with record untouched.
  int ReadLastLogStep(LibLogStep* record);
  // The table's row count in workDatabase; 0 on any failure.
  int CountTableRows(const std::string& table);
  // Deletes every row of the table in workDatabase; always 1.
  int ClearTable(const std::string& table);
  // Revokes CREATE TABLE and CREATE PROCEDURE in the database from the login, connected as
  // "sa" (an empty password first, then the session's). 0 without a login, without a
  // connection or when the server refuses; else 1.
  int RevokeCreatePermissions(const std::string& database, const std::string& login);

  // Catalogue and report queries: 1, or 0 when the query can't run (out keeps what was
  // added before). Names are upper case as the catalogue gives them.
  int TablesExist(const std::vector<std::string>& tables, const std::string& database);
  int QueryInstalledProbeArrays(std::vector<std::string>& out, const std::string& database);
  int QueryHybridizationProtocols(std::vector<std::string>& out, const std::string& database);
  int QueryAssayNames(std::vector<std::string>& out, const std::string& database);
  int QueryScanParameterSets(std::vector<ScanParameterSet>& out);
  // These two empty out first.
  int QueryScanParameterValues(std::vector<ScanParameterValue>& out, const std::string& scanner,
                               const std::string& arrayType);
  int QueryAssayScanParameters(std::vector<AssayScanParameter>& out, const std::string& scanner,
                               const std::string& arrayType);

  std::string user;
  std::string password;
  std::string workDatabase;
  std::string provider;
  std::string scriptOutputFile;
  std::string installLog;
  std::string reportFile;
  std::string libraryFolder;
  int role = -1;  // unknown until InitSession
  std::string sqlToolsFolder;
  int dbmsType = 1;
  int localDatabase = 0;
  std::string processDatabase;
  std::unique_ptr<DbConnection> rowsetSession;
  std::unique_ptr<DataSourceObject> dataSource;
  std::string dataSourceName;
  int connected = 0;
  int initialised = 0;
  double version = 3.0;
  // Where the step scripts and loader files are looked for first (the folder of the library
  // that runs the session); empty: only in the current folder.
  std::string scriptFolder;

  // The text of the last SQL Server connection made (password included), for tests.
  const std::string& LastConnectionText() const { return mLastConnectionText; }
  // The last statement or query text sent through the query pattern, for tests.
  const std::string& LastQueryText() const { return mLastQueryText; }

 private:
  using CellRows = std::vector<std::vector<std::string>>;
  // The query pattern: a session of its own, USE of the database, the text run, each row's
  // first `columns` cells trimmed (NULL as empty, with nullMask bit c set for a NULL in
  // column c). Gives 1, or 0 when the command fails; the session is released either way.
  using RowHandler = std::function<void(const std::vector<std::string>& cells, unsigned nullMask)>;
  int RunQuery(const std::string& database, const std::string& sql, int columns,
               const RowHandler& onRow);
  // Runs a command without result in the open session; throws COLEDBException.
  void RunCommand(const std::string& sql);

  std::string mLastConnectionText;
  std::string mLastQueryText;
};

// A text as it stands between single quotes in an SQL text: quotes doubled.
std::string SqlTextLiteral(std::string_view text);

}  // namespace quellbrook
