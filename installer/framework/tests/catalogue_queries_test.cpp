// The catalogue and scan-parameter queries against a small process database whose rows
// the test writes, so every expected answer is known.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/framework/database_files.hpp"
#include "installer/framework/db_connection.hpp"
#include "installer/framework/environment.hpp"
#include "installer/framework/lib_db_session.hpp"
#include "installer/framework/tests/database_sandbox.hpp"

namespace quellbrook {

bool operator==(const ScanParameterSet& a, const ScanParameterSet& b) {
  return a.probeArrayName == b.probeArrayName && a.assayName == b.assayName;
}
bool operator==(const ScanParameterValue& a, const ScanParameterValue& b) {
  return a.term == b.term && a.value == b.value && a.third == b.third;
}

namespace {

using testing::DatabaseSandbox;

constexpr const char* kProcessTables = R"(
CREATE TABLE korx_assay (assay_id INTEGER, assay_name TEXT);
CREATE TABLE korx_probe_array (probe_array_name TEXT, deleted_flag INTEGER, assay_id INTEGER);
CREATE TABLE korx_parameter_set (param_set_name TEXT, param_type TEXT, anno_id INTEGER,
                                 probe_array_name TEXT);
CREATE TABLE korx_annotation_attribute_def (anno_id INTEGER, anno_attr_item INTEGER, term TEXT,
                                            attr_data_type TEXT);
CREATE TABLE korx_parameter_values (anno_id INTEGER, anno_attr_item INTEGER, param_value TEXT);
INSERT INTO korx_assay VALUES (1, 'ALL'), (2, ' Expr1 '), (3, 'Geno'), (4, NULL);
INSERT INTO korx_probe_array VALUES ('ALL', 0, 1), ('Chip_A', 0, 2), ('Chip_B', 1, 2),
  ('Chip''Q', 0, 3), (NULL, 0, 3);
INSERT INTO korx_parameter_set VALUES
  ('Hyb_640', 'Hybridization', 9, 'Chip_A'), ('Wash_1', 'Fluidics', 9, 'Chip_A'),
  ('Hyb_45', 'Hybridization', 9, 'Chip_A'),
  ('Scan_HP_Chip_A', 'Scan', 10, 'Chip_A'), ('Scan_HP_Chip''Q', 'Scan', 11, 'Chip''Q'),
  ('Scan_XX_Chip_A', 'Scan', 12, 'Chip_A');
INSERT INTO korx_annotation_attribute_def VALUES
  (10, 1, 'Width', 'int'), (10, 2, 'Height', 'int'), (10, 3, 'FocusWidth', NULL),
  (10, 4, 'Pixel', 'float'), (11, 1, 'Width', 'int'), (12, 1, 'Width', 'int');
INSERT INTO korx_parameter_values VALUES
  (10, 1, ' 640 '), (10, 2, NULL), (10, 3, '12'), (10, 4, '3'), (11, 1, '800'), (12, 1, '1');
)";

class CatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(AddLogin(mSandbox.Folder(), "sa", ""));
    ASSERT_TRUE(CreateDatabase(mSandbox.Folder(), "TREL3"));
    auto connection = DbConnection::Open(
        mSandbox.Folder(), {kSqlServerProvider, "sa", "", GetLocalComputerName(), "TREL3"});
    ASSERT_TRUE(connection);
    std::string error;
    ASSERT_TRUE(connection->Execute(kProcessTables, nullptr, &error)) << error;
    mSession.InitSession(nullptr);
    ASSERT_EQ(mSession.connected, 1);
    mSession.processDatabase = "TREL3";
  }

  DatabaseSandbox mSandbox;
  LibDbSession mSession;
};

TEST_F(CatalogueTest, InstalledListsLeaveOutAllDeletedAndNullNamesAndAppend) {
  std::vector<std::string> arrays{"earlier"};
  EXPECT_EQ(mSession.QueryInstalledProbeArrays(arrays, "TREL3"), 1);
  EXPECT_EQ(arrays, (std::vector<std::string>{"earlier", "Chip_A", "Chip'Q"}));
  EXPECT_EQ(mSession.LastQueryText(),
            "SELECT probe_array_name FROM korx_probe_array WHERE probe_array_name <> 'ALL' AND "
            "deleted_flag = 0");

  std::vector<std::string> protocols;
  EXPECT_EQ(mSession.QueryHybridizationProtocols(protocols, "TREL3"), 1);
  EXPECT_EQ(protocols, (std::vector<std::string>{"Hyb_640", "Hyb_45"}));
  EXPECT_EQ(mSession.LastQueryText(),
            "SELECT param_set_name FROM korx_parameter_set WHERE param_type = 'Hybridization'");

  std::vector<std::string> assays;
  EXPECT_EQ(mSession.QueryAssayNames(assays, "TREL3"), 1);
  EXPECT_EQ(assays, (std::vector<std::string>{"Expr1", "Geno"}));
  EXPECT_EQ(mSession.LastQueryText(),
            "SELECT assay_name FROM korx_assay WHERE assay_name <> 'ALL'");

  // The work database has none of these tables.
  std::vector<std::string> none{"kept"};
  EXPECT_EQ(mSession.QueryAssayNames(none, "TEMPDB"), 0);
  EXPECT_EQ(none, (std::vector<std::string>{"kept"}));
  EXPECT_EQ(mSession.QueryAssayNames(none, "NOWHERE"), 0);
}

TEST_F(CatalogueTest, TablesExistComparesUpperCaseNamesInOrder) {
  EXPECT_EQ(mSession.TablesExist({}, "TREL3"), 1);
  EXPECT_EQ(mSession.LastQueryText(), "EXEC sp_tables");
  EXPECT_EQ(mSession.TablesExist({"KORX_ASSAY", "KORX_PROBE_ARRAY"}, "TREL3"), 1);
  EXPECT_EQ(mSession.TablesExist({"korx_assay"}, "TREL3"), 0);
  EXPECT_EQ(mSession.TablesExist({"KORX_ASSAY", "KORX_DEVICE"}, "TREL3"), 0);
  EXPECT_EQ(mSession.TablesExist({"KORX_ASSAY"}, "TEMPDB"), 0);
  // The server's own tables never show.
  EXPECT_EQ(mSession.TablesExist({"ZELKO_PROCEDURES"}, "TREL3"), 0);
}

TEST_F(CatalogueTest, ScanParameterSetsAreThoseNamedScanHp) {
  std::vector<ScanParameterSet> sets{{"earlier", ""}};
  EXPECT_EQ(mSession.QueryScanParameterSets(sets), 1);
  EXPECT_EQ(sets, (std::vector<ScanParameterSet>{
                      {"earlier", ""}, {"Chip_A", "Expr1"}, {"Chip'Q", "Geno"}}));
  EXPECT_EQ(mSession.LastQueryText(),
            "SELECT a.probe_array_name, b.assay_name FROM korx_parameter_set a, korx_assay b, "
            "korx_probe_array c WHERE param_set_name LIKE 'Scan_HP_%' and b.assay_id = "
            "c.assay_id and a.probe_array_name = c.probe_array_name");
}

TEST_F(CatalogueTest, ScanParameterValuesOfTheFourTermsKeepThePreviousTextForNull) {
  std::vector<ScanParameterValue> values{{"stale", "stale", ""}};
  EXPECT_EQ(mSession.QueryScanParameterValues(values, "HP", "Chip_A"), 1);
  EXPECT_EQ(values, (std::vector<ScanParameterValue>{
                        {"Width", "640", ""}, {"Height", "640", ""}, {"FocusWidth", "12", ""}}));
  EXPECT_EQ(mSession.LastQueryText(),
            "SELECT term, param_value FROM korx_annotation_attribute_def a, "
            "korx_parameter_values b, korx_parameter_set c WHERE a.anno_id = b.anno_id AND "
            "a.anno_id = c.anno_id AND a.anno_attr_item = b.anno_attr_item AND c.param_set_name "
            "= 'Scan_HP_Chip_A' AND term IN ('Width','Height','FocusWidth','FocusHeight')");

  // A name holding a quote, as the database may give it, is a literal, not SQL.
  EXPECT_EQ(mSession.QueryScanParameterValues(values, "HP", "Chip'Q"), 1);
  EXPECT_EQ(values, (std::vector<ScanParameterValue>{{"Width", "800", ""}}));
  EXPECT_EQ(mSession.QueryScanParameterValues(values, "HP", "x' OR '1'='1"), 1);
  EXPECT_TRUE(values.empty());
}

TEST_F(CatalogueTest, AssayScanParametersEchoTheScannerKindInOrderOfItems) {
  std::vector<AssayScanParameter> rows(1);
  EXPECT_EQ(mSession.QueryAssayScanParameters(rows, "HP", "Chip_A"), 1);
  ASSERT_EQ(rows.size(), 4u);
  const std::vector<std::string> first{
      rows[0].assayName,      rows[0].probeArrayName, rows[0].scannerKind, rows[0].term,
      rows[0].parameterValue, rows[0].dataType,       rows[0].scanWord,    rows[0].parameterType};
  EXPECT_EQ(first, (std::vector<std::string>{"Expr1", "Chip_A", "HP", "Width", "640", "int", "Scan",
                                             "Scan"}));
  EXPECT_EQ(rows[1].term, "Height");
  EXPECT_EQ(rows[1].parameterValue, "640");  // NULL keeps the row before
  EXPECT_EQ(rows[2].dataType, "int");        // likewise
  EXPECT_EQ(rows[3].term, "Pixel");
  EXPECT_EQ(rows[3].dataType, "float");
  EXPECT_EQ(mSession.LastQueryText(),
            "SELECT a.assay_name, b.probe_array_name, 'HP', d.term, e.param_value, "
            "d.attr_data_type, 'Scan', c.param_type FROM korx_assay a, korx_probe_array b, "
            "korx_parameter_set c, korx_annotation_attribute_def d, korx_parameter_values e "
            "WHERE a.assay_id = b.assay_id AND c.anno_id = d.anno_id AND d.anno_id = e.anno_id "
            "AND d.anno_attr_item = e.anno_attr_item AND c.probe_array_name = b.probe_array_name "
            "AND c.param_set_name = 'Scan_HP_Chip_A' ORDER BY d.anno_attr_item");

  EXPECT_EQ(mSession.QueryAssayScanParameters(rows, "X'X", "Chip_A"), 1);
  EXPECT_TRUE(rows.empty());
}

TEST_F(CatalogueTest, OracleCatalogueComesFromUserObjects) {
  ASSERT_TRUE(AddLogin(mSandbox.Folder(), "labuser", "pw"));
  auto schema = DbConnection::Open(mSandbox.Folder(),
                                   {kOracleProvider, "labuser", "pw", GetLocalComputerName(), ""});
  ASSERT_TRUE(schema);
  ASSERT_TRUE(schema->Execute("CREATE TABLE korx_device (x TEXT)", nullptr));
  LibDbSession oracle;
  oracle.dbmsType = kDbmsOracle;
  ASSERT_TRUE(oracle.ConnectProvider(GetLocalComputerName(), kOracleProvider, "labuser", "pw", "",
                                     oracle.dataSource));
  EXPECT_EQ(oracle.TablesExist({"KORX_DEVICE"}, "ignored"), 1);
  EXPECT_EQ(oracle.LastQueryText(),
            "SELECT object_id, object_type, object_name, '', '' FROM user_objects WHERE "
            "object_type = 'TABLE'");
  // The schema is the login's own, whatever database is named.
  EXPECT_EQ(oracle.TablesExist({"KORX_ASSAY"}, "TREL3"), 0);
}

}  // namespace
}  // namespace quellbrook
