// The installed lists the host asks for: joined in the database's order and cut to what
// the host's buffers hold.
#include "installer/framework/installed_list.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/framework/database_files.hpp"
#include "installer/framework/db_connection.hpp"
#include "installer/framework/environment.hpp"
#include "installer/framework/tests/database_sandbox.hpp"

namespace quellbrook {
namespace {

using testing::DatabaseSandbox;

TEST(InstalledList, NamesJoinWithCommasAndCutInsideANameWhenTooLong) {
  EXPECT_EQ(JoinInstalledNames({}), "");
  EXPECT_EQ(JoinInstalledNames({"A"}), "A");
  EXPECT_EQ(JoinInstalledNames({"Chip B", "", "Chip A"}), "Chip B,,Chip A");

  // 20 000 names of 9 characters make 199 999 characters before the cut.
  std::vector<std::string> names;
  for (int i = 0; i < 20000; ++i) names.push_back("Chip" + std::to_string(10000 + i));
  const std::string joined = JoinInstalledNames(names);
  ASSERT_EQ(joined.size(), kInstalledListMaxLength);
  EXPECT_EQ(kInstalledListMaxLength, 65533u);
  EXPECT_EQ(joined.substr(0, 20), "Chip10000,Chip10001,");
  // 65533 = 6553 whole names with their commas, then three characters of the next.
  EXPECT_EQ(joined.substr(joined.size() - 13), "Chip16552,Chi");
}

TEST(InstalledList, ReadFromTheProcessDatabaseOrNothingWithoutConnection) {
  DatabaseSandbox sandbox;
  std::string types = "untouched", protocols = "untouched";
  EXPECT_EQ(ReadInstalledLists(types, protocols), 0);  // no login: no connection
  EXPECT_EQ(types, "untouched");
  EXPECT_EQ(protocols, "untouched");

  ASSERT_TRUE(AddLogin(sandbox.Folder(), "sa", ""));
  ASSERT_TRUE(CreateDatabase(sandbox.Folder(), kDefaultProcessDatabase));
  auto connection = DbConnection::Open(
      sandbox.Folder(),
      {kSqlServerProvider, "sa", "", GetLocalComputerName(), kDefaultProcessDatabase});
  ASSERT_TRUE(connection);
  std::string error;
  ASSERT_TRUE(connection->Execute(
      "CREATE TABLE korx_probe_array (probe_array_name TEXT, deleted_flag INTEGER);"
      "CREATE TABLE korx_parameter_set (param_set_name TEXT, param_type TEXT);"
      "INSERT INTO korx_probe_array VALUES ('ALL', 0), ('Chip_B', 0), ('Gone', 1), ('Chip_A', 0);"
      "INSERT INTO korx_parameter_set VALUES ('Wash', 'Fluidics');",
      nullptr, &error))
      << error;
  EXPECT_EQ(ReadInstalledLists(types, protocols), 1);
  EXPECT_EQ(types, "Chip_B,Chip_A");
  EXPECT_EQ(protocols, "");

  // A server whose DBMS kind is unknown has no process database name.
  sandbox.SetRegistryText(kRunAtServerFlagKey, "", "TRUE");
  types = protocols = "untouched";
  EXPECT_EQ(ReadInstalledLists(types, protocols), 0);
  EXPECT_EQ(types, "untouched");
}

}  // namespace
}  // namespace quellbrook
