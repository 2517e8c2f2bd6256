#include "installer/framework/lib_db_session.hpp"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "installer/framework/coledb_exception.hpp"
#include "installer/framework/database_files.hpp"
#include "installer/framework/environment.hpp"
#include "installer/framework/registry_values.hpp"
#include "installer/framework/text_functions.hpp"
#include "scramble/tamsk.h"

namespace quellbrook {

namespace {

constexpr const char* kCommandInterface = "IID_ICommand";

SessionMessageHandler& MessageHandler() {
  static SessionMessageHandler handler;
  return handler;
}

void ShowStopMessage(const std::string& text) {
  if (MessageHandler()) {
    MessageHandler()(text);
    return;
  }
  std::fprintf(stderr, "%s\n", text.c_str());
}

std::string ReadDefaultValue(std::string_view key) {
  std::string value;
  if (ReadRegistryText(kLocalMachine, key, nullptr, value) != RegistryRead::kRead) return "";
  return value;
}

bool ReadsAs(std::string_view text, std::string_view word) {
  return UpperText(TrimText(text)) == word;
}

}  // namespace

void SetSessionMessageHandler(SessionMessageHandler handler) {
  MessageHandler() = std::move(handler);
}

std::string SqlTextLiteral(std::string_view text) {
  return DoubledQuotes(text, '\'');
}

LibDbSession::LibDbSession() = default;

LibDbSession::~LibDbSession() {
  // A plain client that never ran InitSession takes back what an administrator granted.
  if (role == kRolePlainClient && dbmsType == kDbmsSqlServer && initialised == 0)
    RevokeCreatePermissions(workDatabase, user);
}

void LibDbSession::InitSession(const char* givenUser) {
  dataSourceName = GetLocalComputerName();
  std::string roleText;
  role = GetSystemRole(roleText);
  if (givenUser != nullptr && *givenUser != '\0') user = givenUser;
  if (user.empty()) user = ReadDefaultUser();
  password = ReadStoredPassword();
  provider = kSqlServerProvider;
  if (workDatabase.empty()) workDatabase = kDefaultWorkDatabase;
  dbmsType = ReadDbmsTypeSetting();
  if (IsLocalDatabaseClient() == 1) {
    dbmsType = kDbmsSqlServer;
    localDatabase = 1;
  }
  if (dbmsType == kDbmsOracle) provider = kOracleProvider;
  if (role == kRoleServer || role == kRoleLocalDatabaseClient) {
    // Unscrambled in place over its own length; a NUL it makes ends the text.
    std::string buffer = password;
    DecryptText(buffer.data());
    password = buffer.c_str();
  } else {
    user = kPlainClientLogin;
    password.clear();
  }
  connected =
      ConnectProvider(dataSourceName, provider, user, password, workDatabase, dataSource) ? 1 : 0;
  initialised = 1;
  std::string versionText;
  GetDataObjectVersion(versionText);
  version = std::strtod(versionText.c_str(), nullptr);
}

int LibDbSession::ReadDbmsTypeSetting() {
  if (IsServerMachine() == 0) return kDbmsSqlServer;
  std::string value;
  if (ReadRegistryText(kLocalMachine, kDbPublishTypeKey, nullptr, value) != RegistryRead::kRead)
    return kDbmsNone;
  return ReadsAs(value, "ORACLE") ? kDbmsOracle : kDbmsSqlServer;
}

std::string LibDbSession::ReadDefaultUser() {
  return ReadDefaultValue(kDbDefaultUserKey);
}

std::string LibDbSession::ReadStoredPassword() {
  return ReadDefaultValue(kDbPasswordKey);
}

bool LibDbSession::ConnectProvider(const std::string& sourceName, const std::string& providerName,
                                   const std::string& login, const std::string& loginPassword,
                                   const std::string& database,
                                   std::unique_ptr<DataSourceObject>& out) {
  out.reset();
  auto source = std::make_unique<DataSourceObject>();
  source->folder = DatabaseFolder();
  if (dbmsType == kDbmsSqlServer) {
    mLastConnectionText =
        BuildConnectionText({providerName, login, loginPassword, sourceName, database});
    std::optional<ConnectionProperties> parsed = ParseConnectionText(mLastConnectionText);
    if (!parsed) return false;
    source->properties = std::move(*parsed);
  } else if (dbmsType == kDbmsOracle) {
    source->properties = {providerName, login, loginPassword, sourceName, ""};
  } else {
    return false;
  }
  source->connection = DbConnection::Open(source->folder, source->properties);
  if (!source->connection) return false;
  out = std::move(source);
  return true;
}

int LibDbSession::OpenSession() {
  if (!dataSource) {
    ShowStopMessage("Local data source not initialized");
    return 0;
  }
  rowsetSession.reset();
  std::string error;
  rowsetSession = DbConnection::Open(dataSource->folder, dataSource->properties, &error);
  if (!rowsetSession) {
    ShowStopMessage(FormatText("Failed to open local session for data source '%s'",
                               dataSource->properties.dataSource.c_str()));
    return 0;
  }
  return 1;
}

bool LibDbSession::UseDatabase(const std::string& name) {
  if (dbmsType == kDbmsOracle) return true;
  if (!IsPlainIdentifier(name)) return false;
  try {
    RunCommand("USE " + name);
  } catch (const COLEDBException&) {
    return false;
  }
  return true;
}

void LibDbSession::RunCommand(const std::string& sql) {
  if (!rowsetSession) throw COLEDBException(sql, kCommandInterface, "no session is open");
  std::string error;
  if (!rowsetSession->Execute(sql, nullptr, &error))
    throw COLEDBException(sql, kCommandInterface, error);
}

int LibDbSession::RunQuery(const std::string& database, const std::string& sql, int columns,
                           const RowHandler& onRow) {
  OpenSession();
  UseDatabase(database);
  mLastQueryText = sql;
  std::vector<DbRow> rows;
  try {
    if (!rowsetSession) throw COLEDBException(sql, kCommandInterface, "no session is open");
    std::string error;
    const bool ran = rowsetSession->Execute(
        sql, [&](const DbRow& row) { rows.push_back(row); }, &error);
    if (!ran) throw COLEDBException(sql, kCommandInterface, error);
    for (const DbRow& row : rows)
      if (row.size() < static_cast<std::size_t>(columns))
        throw COLEDBException(sql, "IID_IAccessor", "the result has fewer columns than bound");
  } catch (const COLEDBException&) {
    rowsetSession.reset();
    return 0;
  }
  for (const DbRow& row : rows) {
    std::vector<std::string> cells(static_cast<std::size_t>(columns));
    unsigned nullMask = 0;
    for (int c = 0; c < columns; ++c) {
      const DbCell& cell = row[static_cast<std::size_t>(c)];
      if (!cell) {
        nullMask |= 1u << c;
        continue;
      }
      cells[static_cast<std::size_t>(c)] = TrimText(TrimRight(*cell));
    }
    onRow(cells, nullMask);
  }
  rowsetSession.reset();
  return 1;
}

int LibDbSession::ReadLastLogStep(LibLogStep* record) {
  LibLogStep last;
  const int ok =
      RunQuery(workDatabase,
               "SELECT step, status, message FROM KORX_LIB_LOG WHERE step = (SELECT MAX(step) FROM "
               "KORX_LIB_LOG)",
               3, [&](const std::vector<std::string>& cells, unsigned) {
                 last = {cells[0], cells[1], cells[2]};
               });
  if (ok == 0) return 0;
  if (record != nullptr) *record = last;
  return 1;
}

int LibDbSession::CountTableRows(const std::string& table) {
  if (!IsPlainIdentifier(table)) return 0;
  int count = 0;
  bool first = true;
  RunQuery(workDatabase, FormatText("SELECT count(*) FROM %s", table.c_str()), 1,
           [&](const std::vector<std::string>& cells, unsigned nullMask) {
             if (first && nullMask == 0) count = std::atoi(cells[0].c_str());
             first = false;
           });
  return count;
}

int LibDbSession::ClearTable(const std::string& table) {
  if (!IsPlainIdentifier(table)) return 1;
  RunQuery(workDatabase, FormatText("DELETE FROM %s", table.c_str()), 0,
           [](const std::vector<std::string>&, unsigned) {});
  return 1;
}

int LibDbSession::RevokeCreatePermissions(const std::string& database, const std::string& login) {
  // An empty login would revoke from nobody the server knows; never send one.
  if (TrimText(login).empty() || !IsPlainIdentifier(login)) return 0;
  std::unique_ptr<DataSourceObject> administrator;
  if (!ConnectProvider(dataSourceName, provider, kPlainClientLogin, "", workDatabase,
                       administrator) &&
      !ConnectProvider(dataSourceName, provider, kPlainClientLogin, password, workDatabase,
                       administrator))
    return 0;
  std::unique_ptr<DbConnection> session =
      DbConnection::Open(administrator->folder, administrator->properties);
  if (!session) return 0;
  std::string error;
  if (dbmsType == kDbmsSqlServer && IsPlainIdentifier(database))
    (void)session->Execute("USE " + database, nullptr, &error);
  return session->Execute(
             FormatText("REVOKE CREATE TABLE, CREATE PROCEDURE FROM %s", login.c_str()), nullptr,
             &error)
             ? 1
             : 0;
}

}  // namespace quellbrook
