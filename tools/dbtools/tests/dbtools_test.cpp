// How the stand-in database tools read their inputs: scripts cut into batches and
// statements, the Oracle runner's script units, bcp format files and the records they
// describe, sqlldr control files and their records, and the login word.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/dbtools/bulk_records.hpp"
#include "tools/dbtools/loader_control.hpp"
#include "tools/dbtools/sql_text.hpp"
#include "tools/dbtools/sqlplus_script.hpp"
#include "tools/dbtools/tool_arguments.hpp"

namespace dbtools {
namespace {

using Strings = std::vector<std::string>;

TEST(SqlText, BatchesEndAtGoLinesAndStatementsAtSemicolonsOutsideQuotes) {
  EXPECT_EQ(SplitBatches("CREATE TABLE a (x int)\n  go \nGOOD\r\nGO\n\nGO\nSELECT 1"),
            (Strings{"CREATE TABLE a (x int)\n", "GOOD\r\n", "SELECT 1\n"}));
  EXPECT_EQ(
      SplitStatements("INSERT INTO t VALUES ('a;b', \"c;\", [d;]); -- e;f\n"
                      "/* g; */ SELECT 'it''s;';;"),
      (Strings{"INSERT INTO t VALUES ('a;b', \"c;\", [d;])", "-- e;f\n/* g; */ SELECT 'it''s;'"}));
  EXPECT_EQ(LeadingWords("-- note\n create  or replace procedure dbo.P_1 as", 5),
            (Strings{"CREATE", "OR", "REPLACE", "PROCEDURE", "DBO.P_1"}));
  EXPECT_EQ(FindWord("CREATE PROC p AS SELECT 'AS'", "as"), 16U);
  EXPECT_EQ(FindWord("SELECT 'AS' FROM t", "AS"), std::string::npos);
  // Names in brackets or double quotes are words to the leading words, not to a search.
  EXPECT_EQ(LeadingWords("[Go] \"on\" 'no' x", 3), (Strings{"GO", "ON", "X"}));
  EXPECT_EQ(FindWord("[Go] \"on\" go", "go"), 12U);
  EXPECT_EQ(FindWord("[Go] \"on\"", "on"), std::string::npos);
}

TEST(SqlPlusScript, BlocksEndOnlyAtSlashLinesAndCommandsStandAlone) {
  const std::vector<ScriptUnit> units = SplitPlusScript(
      "SET ECHO OFF\r\n"
      "PROMPT Loading\n"
      "CREATE TABLE t (a NUMBER,\n  b VARCHAR2(9));\n"
      "-- a comment\n"
      "CREATE OR REPLACE PROCEDURE p AS\nBEGIN\n  DELETE FROM t;\nEND p;\n/\n"
      "SELECT a FROM t\n/\n"
      "EXIT\n"
      "DROP TABLE t;\n");
  ASSERT_EQ(units.size(), 5U);
  EXPECT_EQ(units[0].kind, ScriptUnit::Kind::kPrompt);
  EXPECT_EQ(units[0].text, "Loading");
  EXPECT_EQ(units[1].text, "CREATE TABLE t (a NUMBER,\n  b VARCHAR2(9))");
  EXPECT_EQ(units[2].text, "CREATE OR REPLACE PROCEDURE p AS\nBEGIN\n  DELETE FROM t;\nEND p;");
  EXPECT_EQ(units[3].text, "SELECT a FROM t");
  EXPECT_EQ(units[4].kind, ScriptUnit::Kind::kExit);
}

TEST(BulkRecords, FormatFileFieldsEndAtTheirOwnTerminators) {
  std::string error;
  const auto fields = ParseFormatFile(
      "8.0\n3\n"
      "1 SQLCHAR 0 5   \"\\t\"   1 a \"\"\n"
      "2 SQLCHAR 0 0   \";\"    0 b \"\"\n"
      "3 SQLCHAR 0 255 \"\\r\\n\" 2 c SOME_COLLATION\n",
      error);
  ASSERT_TRUE(fields) << error;
  ASSERT_EQ(fields->size(), 3U);
  EXPECT_EQ((*fields)[0].terminator, "\t");
  EXPECT_EQ((*fields)[1].serverColumn, 0);
  EXPECT_EQ((*fields)[2].terminator, "\r\n");

  // Either line ending ends a record; a field may hold the other fields' terminators.
  BulkRecordReader reader("ab\tx;y;z\r\ncd\t;last\nlong!!\t;w\n\tcut", *fields);
  std::vector<std::string> values;
  ASSERT_EQ(reader.Next(values, error), BulkRecordReader::Result::kRecord);
  EXPECT_EQ(values, (Strings{"ab", "x", "y;z"}));
  ASSERT_EQ(reader.Next(values, error), BulkRecordReader::Result::kRecord);
  EXPECT_EQ(values, (Strings{"cd", "", "last"}));
  EXPECT_EQ(reader.Next(values, error), BulkRecordReader::Result::kBad);
  EXPECT_NE(error.find("longer than 5"), std::string::npos);
  EXPECT_EQ(reader.Next(values, error), BulkRecordReader::Result::kBad);
  EXPECT_NE(error.find("record 4 ends before all its fields"), std::string::npos);
  EXPECT_EQ(reader.Next(values, error), BulkRecordReader::Result::kEnd);
}

TEST(BulkRecords, FormatFilesOutsideTheSubsetAreRefusedWithTheReason) {
  std::string error;
  EXPECT_FALSE(ParseFormatFile("8.0\n2\n1 SQLCHAR 0 5 \";\" 1 a \"\"\n", error));
  EXPECT_EQ(error, "format file names 2 fields and describes 1");
  EXPECT_FALSE(ParseFormatFile("8.0\n1\n1 SQLINT 0 4 \"\" 1 a \"\"\n", error));
  EXPECT_NE(error.find("only SQLCHAR"), std::string::npos);
  EXPECT_FALSE(ParseFormatFile("8.0\n1\n2 SQLCHAR 0 5 \";\" 1 a \"\"\n", error));
  EXPECT_NE(error.find("out of sequence"), std::string::npos);
  EXPECT_FALSE(ParseFormatFile("8.0\n1\n1 SQLCHAR 0 5 \"\\q\" 1 a \"\"\n", error));
  EXPECT_NE(error.find("can't be read"), std::string::npos);
}

TEST(LoaderControl, ReadsTheClausesTheStepsUse) {
  std::string error;
  const auto control = ParseLoaderControl(
      "OPTIONS (DIRECT=TRUE, ERRORS=(50))\n"
      "load data infile 'x.txt' replace into table Load_Gin\n"
      "fields terminated by X'09' optionally enclosed by '\"' trailing nullcols\n"
      "(id, skip FILLER CHAR(10), descr CHAR(2000) \"TRIM(:descr)\")\n",
      error);
  ASSERT_TRUE(control) << error;
  EXPECT_EQ(control->dataFile, "x.txt");
  EXPECT_EQ(control->method, LoaderControl::Method::kReplace);
  EXPECT_EQ(control->table, "Load_Gin");
  EXPECT_EQ(control->terminator, "\t");
  EXPECT_EQ(control->enclosure, "\"");
  EXPECT_TRUE(control->trailingNullColumns);
  ASSERT_EQ(control->columns.size(), 3U);
  EXPECT_TRUE(control->columns[1].filler);
  EXPECT_EQ(control->columns[2].name, "descr");
  // A field without a length of its own holds what the real loader's CHAR(255) holds.
  EXPECT_EQ(control->columns[0].maxLength, kDefaultLoaderFieldLength);
  EXPECT_EQ(control->columns[1].maxLength, 10U);
  EXPECT_EQ(control->columns[2].maxLength, 2000U);

  EXPECT_EQ(SplitLoaderRecord("1\t\"a\tb\"\t\tlast", *control), (Strings{"1", "a\tb", "", "last"}));

  EXPECT_FALSE(ParseLoaderControl("LOAD DATA INTO TABLE t FIELDS TERMINATED BY ';'", error));
  EXPECT_EQ(error, "column list expected");
  EXPECT_FALSE(ParseLoaderControl("LOAD DATA SOMETIMES INTO TABLE t", error));
  EXPECT_EQ(error, "unknown word SOMETIMES before INTO TABLE");
  EXPECT_FALSE(ParseLoaderControl("LOAD DATA INTO TABLE t FIELDS TERMINATED BY ';' (a, b", error));
  EXPECT_EQ(error, "column list is not closed");
  EXPECT_FALSE(
      ParseLoaderControl("LOAD DATA INTO TABLE t FIELDS TERMINATED BY ';' (a CHAR(0))", error));
  EXPECT_EQ(error, "CHAR length of column a can't be read");
}

TEST(ToolArguments, LoginWordsOptionsAndTerminators) {
  const auto login = ParseOracleLogin("scott/p@ss/w@LABPC");
  ASSERT_TRUE(login);
  EXPECT_EQ(login->user, "scott");
  EXPECT_EQ(login->password, "p@ss/w");
  EXPECT_EQ(login->server, "LABPC");
  EXPECT_FALSE(ParseOracleLogin("scott@LABPC"));
  EXPECT_FALSE(ParseOracleLogin("/pw@LABPC"));

  const GluedOptions options = ParseGluedOptions({"TEMPDB..T", "in", "-P", "-Usa", "-t;"});
  EXPECT_EQ(options.positional, (Strings{"TEMPDB..T", "in"}));
  EXPECT_EQ(options.values.at('P'), "");
  EXPECT_EQ(options.values.at('U'), "sa");
  // A bare option is given with an empty value, which an absent one is not.
  EXPECT_TRUE(options.Has('P'));
  EXPECT_FALSE(options.Has('S'));
  EXPECT_EQ(options.Value('P'), "");
  EXPECT_EQ(options.Value('S'), "");
  EXPECT_EQ(options.Value('t'), ";");
  EXPECT_EQ(KeywordValue({"a", "CONTROL='x y.ctl'"}, "control"), "x y.ctl");
  EXPECT_FALSE(KeywordValue({"data=z"}, "control"));
  EXPECT_EQ(DecodeTerminator("\\r\\n"), "\r\n");
  EXPECT_FALSE(DecodeTerminator(""));
}

// Every cut and every flipped byte of the inputs either reads or is refused with a reason.
TEST(ToolInputs, CutAndFlippedInputsAreReadOrRefusedWithAReason) {
  const std::string format =
      "8.0\n2\n1 SQLCHAR 0 9 \";\" 1 a \"\"\n2 SQLCHAR 0 9 \"\\r\\n\" 2 b \"\"\n";
  const std::string control =
      "LOAD DATA INFILE 'x' APPEND INTO TABLE t FIELDS TERMINATED BY X'3B' "
      "OPTIONALLY ENCLOSED BY '\"' TRAILING NULLCOLS (a CHAR(9), b FILLER)\n";
  const std::string records = "ab;\"c\r\nd;e\nf";
  std::vector<std::string> inputs;
  for (const std::string* text : {&format, &control}) {
    for (std::size_t cut = 0; cut < text->size(); ++cut) inputs.push_back(text->substr(0, cut));
    for (std::size_t at = 0; at < text->size(); ++at)
      for (const char byte : {'\0', '"', '\'', '(', ';', '\\', '\n'}) {
        std::string flipped = *text;
        flipped[at] = byte;
        inputs.push_back(flipped);
      }
  }
  for (const std::string& input : inputs) {
    std::string error;
    const auto fields = ParseFormatFile(input, error);
    EXPECT_TRUE(fields || !error.empty()) << input;
    if (fields) {
      BulkRecordReader reader(records, *fields);
      std::vector<std::string> values;
      int recordsRead = 0;
      while (reader.Next(values, error) != BulkRecordReader::Result::kEnd) ++recordsRead;
      EXPECT_LE(recordsRead, 6);
    }
    error.clear();
    const auto parsed = ParseLoaderControl(input, error);
    EXPECT_TRUE(parsed || !error.empty()) << input;
    if (parsed) {
      EXPECT_FALSE(parsed->columns.empty());
      EXPECT_FALSE(parsed->terminator.empty());
      (void)SplitLoaderRecord(records, *parsed);
    }
  }
}

}  // namespace
}  // namespace dbtools
