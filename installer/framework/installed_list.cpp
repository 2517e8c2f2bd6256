#include "installer/framework/installed_list.hpp"

#include "installer/framework/environment.hpp"
#include "installer/framework/lib_db_session.hpp"

namespace quellbrook {

std::string JoinInstalledNames(const std::vector<std::string>& names) {
  std::string joined;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) joined += ',';
    joined += names[i];
    if (joined.size() > kInstalledListMaxLength) break;
  }
  if (joined.size() > kInstalledListMaxLength) joined.resize(kInstalledListMaxLength);
  return joined;
}

int ReadInstalledLists(std::string& arrayTypes, std::string& protocols) {
  LibDbSession session;
  session.InitSession(nullptr);
  if (session.connected == 0) return 0;
  std::string database;
  if (GetDatabaseName(session.dbmsType, database) == 0 || database.empty()) return 0;
  session.processDatabase = database;

  // A failing query leaves whatever it had gathered; the lists are joined as they stand.
  std::vector<std::string> types;
  std::vector<std::string> hybridization;
  session.QueryInstalledProbeArrays(types, database);
  session.QueryHybridizationProtocols(hybridization, database);
  arrayTypes = JoinInstalledNames(types);
  protocols = JoinInstalledNames(hybridization);
  return 1;
}

}  // namespace quellbrook
