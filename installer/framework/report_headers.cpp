#include "installer/framework/report_headers.hpp"

#include <cstdio>
#include <cstdlib>

#include "installer/framework/environment.hpp"
#include "installer/framework/install_log.hpp"
#include "platform/file_append.hpp"
#include "platform/path.hpp"

namespace quellbrook {
namespace {

constexpr std::string_view kRule =
    "-----------------------------------------------------------------------------\n";
static_assert(kRule.size() == 78, "77 hyphens and a line feed");

// "<label><value>\n"; values are never run through a format.
void AddLine(std::string& text, std::string_view label, std::string_view value) {
  text += label;
  text += value;
  text += '\n';
}

void AddMachineLines(std::string& text, const ReportFacts& facts) {
  AddLine(text, "Machine Name:\t\t", facts.computerName);
  AddLine(text, "Operating System:\t", facts.osName);
  AddLine(text, "DBMS Type:\t\t", facts.dbmsType);
  AddLine(text, "Installing User:\t", facts.user);
}

void AddOpening(std::string& text, std::string_view reportType, const ReportFacts& facts,
                std::string_view buildLabel, std::string_view build) {
  AddLine(text, "Report Type:\t\t", reportType);
  AddLine(text, "Date:\t\t\t", facts.dateTime);
  text += kRule;
  text += '\n';
  AddLine(text, buildLabel, build);
  AddMachineLines(text, facts);
}

int AppendHeader(const std::string& reportPath, const std::string& header) {
  return platform::AppendToFile(reportPath, header) ? 1 : 0;
}

}  // namespace

ReportFacts GatherReportFacts() {
  ReportFacts facts;
  facts.computerName = GetLocalComputerName();
  facts.dateTime = LocalTimeText("%m/%d/%y %H:%M");
  GetInstallingUser(facts.user);
  std::string osVersion;
  GetOsDescription(facts.osName, osVersion);
  facts.role = GetSystemRole(facts.roleText);
  GetDbmsType(facts.dbmsType);
  GetDataObjectVersion(facts.dataObjectVersion);
  GetProductVersion(facts.productVersion);
  return facts;
}

std::string AuditReportHeader(const ReportFacts& facts, std::string_view option,
                              std::string_view selection, std::string_view build) {
  std::string text;
  AddOpening(text, "Library Install Report", facts, "Library Install Build:\t", build);
  AddLine(text, "Option Selected:\t", option);
  const double version = std::atof(facts.dataObjectVersion.c_str());
  if (facts.role == kRoleServer && IsVersionAtLeast31(version)) {
    AddLine(text, "System:\t\t\t", facts.roleText);
    AddLine(text, "QIRO Server Version:\t", facts.dataObjectVersion);
  } else if (facts.role == kRoleServer) {
    AddLine(text, "System:\t\t\t", "TREL Server");
    AddLine(text, "TREL Version:\t\t", facts.dataObjectVersion);
  } else if (facts.role == kRolePlainClient) {
    AddLine(text, "System:\t\t\t", facts.roleText);
    AddLine(text, "QEX Version:\t", facts.productVersion);
  } else if (facts.role == kRoleLocalDatabaseClient) {
    AddLine(text, "System:\t\t\t", facts.roleText);
    AddLine(text, "QIRO Client Version:\t", facts.productVersion);
  }
  if (platform::EqualsNoCase(option, "Full Install") ||
      platform::EqualsNoCase(option, "Update Param"))
    AddLine(text, "Array Types Selected:\t", selection);
  else if (platform::EqualsNoCase(option, "Protocol Install"))
    AddLine(text, "Protocols Selected:\t", selection);
  text += "\n\n";
  return text;
}

std::string UpdateReportHeader(const ReportFacts& facts, std::string_view option,
                               std::string_view arrayTypes, std::string_view protocols,
                               std::string_view build) {
  std::string text;
  AddOpening(text, "Library Update Report", facts, "Library Update Build:\t", build);
  AddLine(text, "System:\t\t\t", facts.roleText);
  if (facts.role == kRoleServer)
    AddLine(text, "QIRO Server Version:\t\t", facts.dataObjectVersion);
  else if (facts.role == kRolePlainClient)
    AddLine(text, "QEX Version:\t", facts.productVersion);
  else if (facts.role == kRoleLocalDatabaseClient)
    AddLine(text, "QIRO Client Version:\t\t", facts.productVersion);
  if (platform::EqualsNoCase(option, "UpdateClient")) {
    if (!arrayTypes.empty()) AddLine(text, "Array Types Selected:\t", arrayTypes);
    if (!protocols.empty()) AddLine(text, "Protocols Selected:\t", protocols);
  }
  text += "\n\n";
  return text;
}

int CreateAuditReport(const std::string& reportPath, std::string_view option,
                      std::string_view selection, std::string_view build) {
  return AppendHeader(reportPath, AuditReportHeader(GatherReportFacts(), option, selection, build));
}

int CreateUpdateReport(const std::string& reportPath, std::string_view option,
                       std::string_view arrayTypes, std::string_view protocols,
                       std::string_view build) {
  return AppendHeader(
      reportPath, UpdateReportHeader(GatherReportFacts(), option, arrayTypes, protocols, build));
}

}  // namespace quellbrook
