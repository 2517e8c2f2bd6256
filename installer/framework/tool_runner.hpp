// The half of the database session that moves library content in bulk: the step's load
// and drop scripts, its bulk load into the temporary table, its stored procedure (SQL
// Server) or run script (Oracle), and the data-object update script, each run as one tool
// command line in the batch file. The session's file fields, login and names say where
// and as whom. What a tool did is not looked at here: the step learns it from the
// temporary table's row count and the library log's newest row.
#pragma once

#include <string>

#include "installer/framework/lib_db_session.hpp"

namespace quellbrook {

// Each script, control file and format file is ours, beside the library (the session's
// script folder); the current folder's is taken only where that folder has none, and never
// one that an install of this process copied out of a library (IsCopiedFile; logged).

// The step's load script run into the script output file in the work database. 0 when the
// step has no such script, the file is missing (logged) or its command can't be written.
int RunLoadScript(const LibDbSession& session, int code);
int RunDropScript(const LibDbSession& session, int code);

// Loads the file into the step's temporary table (SQL Server) or through its control file
// (Oracle); false for an empty path, a step without a bulk load, a missing control or
// format file or a value that can't be written into the command line (both logged).
bool BulkLoadStep(const LibDbSession& session, const std::string& loadFile, int code);

// The step's stored procedure (SQL Server) or run script (Oracle), output into the
// report file; 0 when the step has none.
int RunStepProcedure(const LibDbSession& session, int code);

// The data-object update script, output into the report file; 0 for an unknown DBMS.
int RunMetadataUpdateScript(const LibDbSession& session);

// One tool command each; 0 for an unknown DBMS (procedures: for any but SQL Server) or a
// value that can't be written into a command line (logged), else RunCommandBatch's result.
int RunSqlScript(const LibDbSession& session, const std::string& script,
                 const std::string& outputFile, const std::string& login,
                 const std::string& loginPassword, const std::string& database);
int RunProcedure(const LibDbSession& session, const std::string& procedure,
                 const std::string& database, const std::string& outputFile,
                 const std::string& login, const std::string& loginPassword);
int RunBulkLoad(const LibDbSession& session, const std::string& loadFile, const std::string& option,
                const std::string& outputFile, const std::string& database,
                const std::string& table, const std::string& login,
                const std::string& loginPassword);

}  // namespace quellbrook
