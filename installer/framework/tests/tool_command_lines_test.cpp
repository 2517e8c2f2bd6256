// The tool command lines against texts typed from the command formats, the step name
// table's rows, and how a batch line is read back into the words a tool receives.
#include "installer/framework/tool_command_lines.hpp"

#include <gtest/gtest.h>

#include <string>

#include "installer/framework/batch_line.hpp"
#include "installer/framework/step_names.hpp"

namespace quellbrook {
namespace {

const ToolLogin kLogin{"LABPC", "sa", "secret"};
constexpr const char* kTools = "C:\\MSSQL\\binn";

TEST(ToolCommandLines, SqlServerFormatsMatchTheGoldenTexts) {
  EXPECT_EQ(
      *SqlServerScriptCommand(kTools, kLogin, "TEMPDB", "sql_load_alg.sql", "C:\\Lib\\sql.log"),
      "\"C:\\MSSQL\\binn\\osql.exe\" -SLABPC -Usa -Psecret -dTEMPDB "
      "-i\"sql_load_alg.sql\" -w1024 -n >> \"C:\\Lib\\sql.log\"");
  EXPECT_EQ(*SqlServerProcedureCommand(kTools, kLogin, "TEMPDB", "KORX_SP_LOAD_ALG",
                                       "C:\\Lib\\report.txt"),
            "\"C:\\MSSQL\\binn\\osql.exe\" -SLABPC -Usa -Psecret -dTEMPDB "
            "-Q\"EXEC KORX_SP_LOAD_ALG\" -w1024 -n >> \"C:\\Lib\\report.txt\"");
  EXPECT_EQ(*SqlServerBulkLoadCommand(kTools, kLogin, "TEMPDB", "LOAD_PROTOCOL_FILE",
                                      "C:\\Lib\\protocol.txt", "-c -t\";\"", "C:\\Lib\\sql.log"),
            "\"C:\\MSSQL\\binn\\bcp.exe\" TEMPDB..LOAD_PROTOCOL_FILE in "
            "\"C:\\Lib\\protocol.txt\" -c -t\";\" -SLABPC -Usa -Psecret >> "
            "\"C:\\Lib\\sql.log\"");
  EXPECT_EQ(*SqlServerBulkLoadCommand(kTools, kLogin, "TEMPDB", "LOAD_DEV", "dev.txt",
                                      "-f\"bcp_dev.fmt\"", "sql.log"),
            "\"C:\\MSSQL\\binn\\bcp.exe\" TEMPDB..LOAD_DEV in \"dev.txt\" -f\"bcp_dev.fmt\" "
            "-SLABPC -Usa -Psecret >> \"sql.log\"");
}

TEST(ToolCommandLines, OracleFormatsMatchTheGoldenTexts) {
  EXPECT_EQ(*OracleScriptCommand(kLogin, "ora_load_alg.sql", "C:\\Lib\\sql.log"),
            "sqlplus.exe -s sa/secret@LABPC @ora_load_alg.sql >> \"C:\\Lib\\sql.log\"");
  // The library folder loses trailing blanks, then trailing backslashes.
  EXPECT_EQ(*OracleBulkLoadCommand(kLogin, *OracleControlOption("ora_alg.ctl"), "C:\\Lib\\alg.txt",
                                   "C:\\Lib\\\\ \t", "C:\\Lib\\sql.log"),
            "sqlldr sa/secret@LABPC control='ora_alg.ctl' data='C:\\Lib\\alg.txt' "
            "log='C:\\Lib\\sqlldr.log' bad='C:\\Lib\\badrec.log' direct=true >> "
            "\"C:\\Lib\\sql.log\"");
}

TEST(ToolCommandLines, AnEmptyPasswordLeavesItsPlaceEmpty) {
  const ToolLogin login{"LABPC", "sa", ""};
  EXPECT_EQ(*SqlServerScriptCommand("T", login, "TEMPDB", "a.sql", "o.log"),
            "\"T\\osql.exe\" -SLABPC -Usa -P -dTEMPDB -i\"a.sql\" -w1024 -n >> \"o.log\"");
  EXPECT_EQ(*OracleScriptCommand(login, "a.sql", "o.log"),
            "sqlplus.exe -s sa/@LABPC @a.sql >> \"o.log\"");
}

TEST(ToolCommandLines, ValuesWithBlanksOrRedirectionsStayOneArgument) {
  const ToolLogin login{"LABPC", "lab user", "pa ss >> evil.txt & del x"};
  const CommandLine line = SqlServerScriptCommand("C:\\My Tools", login, "TEMPDB", "my script.sql",
                                                  "C:\\My Lib\\sql.log");
  ASSERT_TRUE(line);
  const std::optional<BatchCommand> command = ParseBatchLine(*line);
  ASSERT_TRUE(command);
  EXPECT_EQ(command->arguments,
            (std::vector<std::string>{"C:\\My Tools\\osql.exe", "-SLABPC", "-Ulab user",
                                      "-Ppa ss >> evil.txt & del x", "-dTEMPDB", "-imy script.sql",
                                      "-w1024", "-n"}));
  EXPECT_EQ(command->outputFile, "C:\\My Lib\\sql.log");
  EXPECT_TRUE(command->appendOutput);

  // Inside the loader's quotes and its user/password@server word as well.
  const ToolLogin oracle{"LABPC", "scott", "ti ger@x/y"};
  const CommandLine loader = OracleBulkLoadCommand(oracle, "control='a.ctl'", "/data/my load.txt",
                                                   "/my lib", "/my lib/sql.log");
  ASSERT_TRUE(loader);
  const std::optional<BatchCommand> loaded = ParseBatchLine(*loader);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->arguments,
            (std::vector<std::string>{"sqlldr", "scott/ti ger@x/y@LABPC", "control='a.ctl'",
                                      "data='/data/my load.txt'", "log='/my lib\\sqlldr.log'",
                                      "bad='/my lib\\badrec.log'", "direct=true"}));
  EXPECT_EQ(loaded->outputFile, "/my lib/sql.log");
}

TEST(ToolCommandLines, ValuesNoQuotesCanCarryAreRefused) {
  std::string refused;
  EXPECT_FALSE(
      SqlServerScriptCommand("T", {"LABPC", "sa", "a\"b"}, "TEMPDB", "a.sql", "o.log", &refused));
  EXPECT_EQ(refused, "password");
  EXPECT_FALSE(SqlServerProcedureCommand("T", kLogin, "TEMPDB", "P\" -o x", "o.log", &refused));
  EXPECT_EQ(refused, "procedure");
  EXPECT_FALSE(
      SqlServerBulkLoadCommand("T", kLogin, "TEMPDB", "T", "a\nb.txt", "-c", "o.log", &refused));
  EXPECT_EQ(refused, "load file");
  EXPECT_FALSE(OracleScriptCommand({"LABPC", "a/b", "p"}, "a.sql", "o.log", &refused));
  EXPECT_EQ(refused, "user");
  EXPECT_FALSE(OracleScriptCommand({"LAB@PC", "a", "p"}, "a.sql", "o.log", &refused));
  EXPECT_EQ(refused, "server");
  EXPECT_FALSE(OracleScriptCommand(kLogin, "a.sql", "o\x7f.log", &refused));
  EXPECT_EQ(refused, "output file");
}

TEST(BatchLine, ReadsWordsAndTheRedirectionLikeTheCommandInterpreter) {
  std::optional<BatchCommand> command = ParseBatchLine("prog \">>\" x > \"out file\"");
  ASSERT_TRUE(command);
  EXPECT_EQ(command->arguments, (std::vector<std::string>{"prog", ">>", "x"}));
  EXPECT_EQ(command->outputFile, "out file");
  EXPECT_FALSE(command->appendOutput);

  command = ParseBatchLine("prog a\"b c\"d");
  ASSERT_TRUE(command);
  EXPECT_EQ(command->arguments, (std::vector<std::string>{"prog", "ab cd"}));
  EXPECT_TRUE(command->outputFile.empty());

  EXPECT_FALSE(ParseBatchLine("   "));
  EXPECT_FALSE(ParseBatchLine("prog \"open"));
  EXPECT_FALSE(ParseBatchLine("prog >> a >> b"));
  EXPECT_FALSE(ParseBatchLine("prog >>"));
  EXPECT_FALSE(ParseBatchLine(">> out"));
}

TEST(StepNames, RowsFollowTheCodeAndTheDataObjectVersion) {
  EXPECT_EQ(FindStepNames(kStepNone, 3.1), nullptr);
  EXPECT_EQ(FindStepNames(-1, 3.1), nullptr);
  EXPECT_EQ(FindStepNames(kStepCodeCount, 3.1), nullptr);

  const StepNames* algorithm = FindStepNames(kStepAlgorithm, 3.1);
  ASSERT_NE(algorithm, nullptr);
  EXPECT_STREQ(algorithm->sqlLoadScript, "sql_load_alg.sql");
  EXPECT_STREQ(algorithm->controlFile, "ora_alg.ctl");
  EXPECT_EQ(BcpOptionText(*algorithm), "-c -t\";\"");

  // Before 3.1 the load script and control file change; dropping and the procedure don't.
  const StepNames* older = FindStepNames(kStepAlgorithm, 3.0);
  ASSERT_NE(older, nullptr);
  EXPECT_STREQ(older->sqlLoadScript, "sql_load_alg_30.sql");
  EXPECT_STREQ(older->oracleLoadScript, "ora_load_alg_30.sql");
  EXPECT_STREQ(older->controlFile, "ora_alg_30.ctl");
  EXPECT_STREQ(older->sqlDropScript, "sql_drop_alg.sql");
  EXPECT_STREQ(older->storedProcedure, "KORX_SP_LOAD_ALG");
  EXPECT_STREQ(older->oracleRunScript, "ora_run_alg.sql");

  const StepNames* cif = FindStepNames(kStepAnalysisParameters, 3.09);
  ASSERT_NE(cif, nullptr);
  EXPECT_EQ(BcpOptionText(*cif), "-f\"bcp_cif_30.fmt\"");
  EXPECT_STREQ(cif->sqlLoadScript, "sql_load_cif_30.sql");
  EXPECT_STREQ(FindStepNames(kStepAnalysisParameters, 3.1)->controlFile, "ora_cif.ctl");
  // Other codes have one row for every version.
  EXPECT_STREQ(FindStepNames(kStepDevice, 2.0)->sqlLoadScript, "sql_load_dev.sql");
  EXPECT_EQ(BcpOptionText(*FindStepNames(kStepGeneInfoUrl, 3.1)), "-f\"bcp_url.fmt\"");
  EXPECT_STREQ(FindStepNames(kStepGeneInfoDescription, 3.1)->temporaryTable, "LOAD_GIN_DES");
  EXPECT_STREQ(FindStepNames(kStepTemplate, 3.1)->oracleDropScript, "ora_drop_MIAME_sample.sql");

  const StepNames* update = FindStepNames(kStepMetadataUpdate, 3.1);
  ASSERT_NE(update, nullptr);
  EXPECT_EQ(update->sqlLoadScript, nullptr);
  EXPECT_EQ(update->storedProcedure, nullptr);
  EXPECT_EQ(update->controlFile, nullptr);
  EXPECT_STREQ(update->sqlDropScript, "sql_drop_lib_trel30_update.sql");
  EXPECT_STREQ(update->oracleDropScript, "ora_drop_lib_trel30_update.sql");

  const StepNames* scan = FindStepNames(kStepScanParameterUpdate, 3.1);
  ASSERT_NE(scan, nullptr);
  EXPECT_EQ(BcpOptionText(*scan), "");
  EXPECT_EQ(scan->temporaryTable, nullptr);
  EXPECT_STREQ(scan->storedProcedure, "KORX_SP_UPDATE_DP");
  EXPECT_STREQ(scan->oracleRunScript, "ora_run_dp.sql");
}

}  // namespace
}  // namespace quellbrook
