// The header blocks the report exports append to a report file above an installation's
// or update's summary lines: who ran what, where, on which system and database.
#pragma once

#include <string>
#include <string_view>

namespace quellbrook {

// What a header says about the machine, gathered once per header.
struct ReportFacts {
  std::string computerName;
  std::string dateTime;  // "MM/DD/YY HH:MM"
  std::string user;
  std::string osName;
  int role = 0;
  std::string roleText;
  std::string dbmsType;
  std::string dataObjectVersion;
  std::string productVersion;
};

// The facts of this machine now, read from the system and the registry.
ReportFacts GatherReportFacts();

std::string AuditReportHeader(const ReportFacts& facts, std::string_view option,
                              std::string_view selection, std::string_view build);
std::string UpdateReportHeader(const ReportFacts& facts, std::string_view option,
                               std::string_view arrayTypes, std::string_view protocols,
                               std::string_view build);

// Append the header to the report file: 1, or 0 when it can't be written, with the
// system's error number in errno.
int CreateAuditReport(const std::string& reportPath, std::string_view option,
                      std::string_view selection, std::string_view build);
int CreateUpdateReport(const std::string& reportPath, std::string_view option,
                       std::string_view arrayTypes, std::string_view protocols,
                       std::string_view build);

}  // namespace quellbrook
