// The session's questions about what the laboratory database holds: its tables, the
// installed probe array types, hybridization protocols and assays, and the scan
// parameters of an array type.
#include <algorithm>
#include <array>

#include "installer/framework/environment.hpp"
#include "installer/framework/lib_db_session.hpp"
#include "installer/framework/library_names.hpp"
#include "installer/framework/text_functions.hpp"

namespace quellbrook {

namespace {

// The parameter set of a scanner kind and array type; the names come from the database
// or the caller, so they are written as SQL text literals.
std::string ParameterSetName(const std::string& scanner, const std::string& arrayType) {
  return SqlTextLiteral(FormatText("Scan_%s_%s", scanner.c_str(), arrayType.c_str()));
}

// A NULL cell keeps the text of the same column in the row before.
void KeepPreviousWhereNull(std::vector<std::string>& previous,
                           const std::vector<std::string>& cells, unsigned nullMask) {
  for (std::size_t c = 0; c < cells.size(); ++c)
    if ((nullMask & (1u << c)) == 0) previous[c] = cells[c];
}

}  // namespace

int LibDbSession::TablesExist(const std::vector<std::string>& tables, const std::string& database) {
  const char* sql = dbmsType == kDbmsOracle
                        ? "SELECT object_id, object_type, object_name, '', '' FROM user_objects "
                          "WHERE object_type = 'TABLE'"
                        : "EXEC sp_tables";
  std::vector<std::string> names;
  const int ok =
      RunQuery(database, sql, 5, [&](const std::vector<std::string>& cells, unsigned nullMask) {
        if ((nullMask & 4u) == 0) names.push_back(UpperText(cells[2]));
      });
  if (ok == 0) return 0;
  for (const std::string& table : tables)
    if (std::find(names.begin(), names.end(), table) == names.end()) return 0;
  return 1;
}

namespace {

// Appends the first column of every row whose cell is not NULL.
auto AppendNames(std::vector<std::string>& out) {
  return [&out](const std::vector<std::string>& cells, unsigned nullMask) {
    if ((nullMask & 1u) == 0) out.push_back(cells[0]);
  };
}

}  // namespace

int LibDbSession::QueryInstalledProbeArrays(std::vector<std::string>& out,
                                            const std::string& database) {
  return RunQuery(database,
                  "SELECT probe_array_name FROM korx_probe_array WHERE probe_array_name <> 'ALL' "
                  "AND deleted_flag = 0",
                  1, AppendNames(out));
}

int LibDbSession::QueryHybridizationProtocols(std::vector<std::string>& out,
                                              const std::string& database) {
  return RunQuery(database,
                  "SELECT param_set_name FROM korx_parameter_set WHERE param_type = "
                  "'Hybridization'",
                  1, AppendNames(out));
}

int LibDbSession::QueryAssayNames(std::vector<std::string>& out, const std::string& database) {
  return RunQuery(database, "SELECT assay_name FROM korx_assay WHERE assay_name <> 'ALL'", 1,
                  AppendNames(out));
}

int LibDbSession::QueryScanParameterSets(std::vector<ScanParameterSet>& out) {
  const std::string sql = FormatText(
      "SELECT a.probe_array_name, b.assay_name FROM korx_parameter_set a, korx_assay b, "
      "korx_probe_array c WHERE param_set_name LIKE 'Scan_HP_%%' and b.assay_id = c.assay_id and "
      "a.probe_array_name = c.probe_array_name");
  return RunQuery(processDatabase, sql, 2, [&](const std::vector<std::string>& cells, unsigned) {
    out.push_back({cells[0], cells[1]});
  });
}

int LibDbSession::QueryScanParameterValues(std::vector<ScanParameterValue>& out,
                                           const std::string& scanner,
                                           const std::string& arrayType) {
  out.clear();
  std::string terms;
  for (const char* term : kHpScanKeys) terms += FormatText("'%s',", term);
  terms.pop_back();
  const std::string sql = FormatText(
      "%s %s %s %s", "SELECT term, param_value",
      "FROM korx_annotation_attribute_def a, korx_parameter_values b, korx_parameter_set c",
      FormatText("WHERE a.anno_id = b.anno_id AND a.anno_id = c.anno_id AND a.anno_attr_item = "
                 "b.anno_attr_item AND c.param_set_name = '%s'",
                 ParameterSetName(scanner, arrayType).c_str())
          .c_str(),
      ("AND term IN (" + terms + ")").c_str());
  std::vector<std::string> previous(2);
  return RunQuery(processDatabase, sql, 2,
                  [&](const std::vector<std::string>& cells, unsigned nullMask) {
                    KeepPreviousWhereNull(previous, cells, nullMask);
                    out.push_back({previous[0], previous[1], ""});
                  });
}

int LibDbSession::QueryAssayScanParameters(std::vector<AssayScanParameter>& out,
                                           const std::string& scanner,
                                           const std::string& arrayType) {
  out.clear();
  const std::string select = FormatText(
      "SELECT a.assay_name, b.probe_array_name, '%s', d.term, e.param_value, "
      "d.attr_data_type, 'Scan', c.param_type",
      SqlTextLiteral(scanner).c_str());
  const std::string where = FormatText(
      "WHERE a.assay_id = b.assay_id AND c.anno_id = d.anno_id AND d.anno_id = e.anno_id AND "
      "d.anno_attr_item = e.anno_attr_item AND c.probe_array_name = b.probe_array_name AND "
      "c.param_set_name = '%s'",
      ParameterSetName(scanner, arrayType).c_str());
  const std::string sql = select +
                          " FROM korx_assay a, korx_probe_array b, korx_parameter_set c, "
                          "korx_annotation_attribute_def d, korx_parameter_values e " +
                          where + " ORDER BY d.anno_attr_item";
  std::vector<std::string> previous(8);
  return RunQuery(processDatabase, sql, 8,
                  [&](const std::vector<std::string>& cells, unsigned nullMask) {
                    KeepPreviousWhereNull(previous, cells, nullMask);
                    out.push_back({previous[0], previous[1], previous[2], previous[3], previous[4],
                                   previous[5], previous[6], previous[7]});
                  });
}

}  // namespace quellbrook
