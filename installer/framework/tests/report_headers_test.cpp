// Tests of the two report headers: every role's lines typed from the documented forms,
// the option lines, and a header appended through the registry of a sandboxed machine.
#include "installer/framework/report_headers.hpp"

#include <fstream>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "installer/framework/environment.hpp"
#include "installer/framework/tests/log_lines.hpp"
#include "installer/framework/tests/registry_sandbox.hpp"

namespace quellbrook {
namespace {

using testing::ReadWholeFile;

const std::string kHyphens(77, '-');

ReportFacts Facts(int role, const std::string& roleText, const std::string& dataVersion) {
  ReportFacts facts;
  facts.computerName = "LABPC7";
  facts.dateTime = "03/14/27 09:26";
  facts.user = "labtech";
  facts.osName = "Microsoft Windows XP Service Pack 2";
  facts.role = role;
  facts.roleText = roleText;
  facts.dbmsType = "MS SQL Server";
  facts.dataObjectVersion = dataVersion;
  facts.productVersion = "5.0.2";
  return facts;
}

std::string AuditOpening(const std::string& option) {
  return "Report Type:\t\tLibrary Install Report\n"
         "Date:\t\t\t03/14/27 09:26\n" +
         kHyphens +
         "\n"
         "\n"
         "Library Install Build:\t1.4.17\n"
         "Machine Name:\t\tLABPC7\n"
         "Operating System:\tMicrosoft Windows XP Service Pack 2\n"
         "DBMS Type:\t\tMS SQL Server\n"
         "Installing User:\tlabtech\n"
         "Option Selected:\t" +
         option + "\n";
}

TEST(ReportHeaders, AuditHeaderByRoleAndOption) {
  // A server at exactly 3.1 shows the server lines.
  EXPECT_EQ(
      AuditReportHeader(Facts(1, "QIRO Server", "3.1"), "Full Install", "HG-U95A,Mu11K", "1.4.17"),
      AuditOpening("Full Install") +
          "System:\t\t\tQIRO Server\n"
          "QIRO Server Version:\t3.1\n"
          "Array Types Selected:\tHG-U95A,Mu11K\n"
          "\n\n");
  EXPECT_EQ(AuditReportHeader(Facts(1, "QIRO Server", "3.0"), "update param", "HG-U95A", "1.4.17"),
            AuditOpening("update param") +
                "System:\t\t\tTREL Server\n"
                "TREL Version:\t\t3.0\n"
                "Array Types Selected:\tHG-U95A\n"
                "\n\n");
  EXPECT_EQ(AuditReportHeader(Facts(0, "Client Machine", "3.1"), "protocol install", "Wash A,Stain",
                              "1.4.17"),
            AuditOpening("protocol install") +
                "System:\t\t\tClient Machine\n"
                "QEX Version:\t5.0.2\n"
                "Protocols Selected:\tWash A,Stain\n"
                "\n\n");
  EXPECT_EQ(AuditReportHeader(Facts(2, "Client Machine - Local Database", "3.1"), "Audit",
                              "ignored", "1.4.17"),
            AuditOpening("Audit") +
                "System:\t\t\tClient Machine - Local Database\n"
                "QIRO Client Version:\t5.0.2\n"
                "\n\n");
}

std::string UpdateOpening() {
  return "Report Type:\t\tLibrary Update Report\n"
         "Date:\t\t\t03/14/27 09:26\n" +
         kHyphens +
         "\n"
         "\n"
         "Library Update Build:\t2.0\n"
         "Machine Name:\t\tLABPC7\n"
         "Operating System:\tMicrosoft Windows XP Service Pack 2\n"
         "DBMS Type:\t\tMS SQL Server\n"
         "Installing User:\tlabtech\n";
}

TEST(ReportHeaders, UpdateHeaderByRoleAndOption) {
  // No version test: a 3.0 server still gets the server line, with two tabs.
  EXPECT_EQ(UpdateReportHeader(Facts(1, "QIRO Server", "3.0"), "updateclient", "HG-U95A", "Wash A",
                               "2.0"),
            UpdateOpening() +
                "System:\t\t\tQIRO Server\n"
                "QIRO Server Version:\t\t3.0\n"
                "Array Types Selected:\tHG-U95A\n"
                "Protocols Selected:\tWash A\n"
                "\n\n");
  EXPECT_EQ(
      UpdateReportHeader(Facts(0, "Client Machine", "3.1"), "UpdateClient", "", "Wash A", "2.0"),
      UpdateOpening() +
          "System:\t\t\tClient Machine\n"
          "QEX Version:\t5.0.2\n"
          "Protocols Selected:\tWash A\n"
          "\n\n");
  EXPECT_EQ(UpdateReportHeader(Facts(2, "Client Machine - Local Database", "3.1"), "UpdateClient",
                               "", "", "2.0"),
            UpdateOpening() +
                "System:\t\t\tClient Machine - Local Database\n"
                "QIRO Client Version:\t\t5.0.2\n"
                "\n\n");
  EXPECT_EQ(UpdateReportHeader(Facts(1, "QIRO Server", "3.2"), "UpdateServer", "HG-U95A", "Wash A",
                               "2.0"),
            UpdateOpening() +
                "System:\t\t\tQIRO Server\n"
                "QIRO Server Version:\t\t3.2\n"
                "\n\n");
}

// The header's date lines, which may fall in different minutes, made alike.
std::string WithoutDates(const std::string& text) {
  static const std::regex kDate("Date:\t\t\t\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d\n");
  return std::regex_replace(text, kDate, "Date:\n");
}

TEST(ReportHeaders, ExportsAppendTheMachinesHeader) {
  testing::RegistrySandbox registry;
  registry.SetText(kRunAtServerFlagKey, nullptr, "TRUE");
  registry.SetText(kDbPublishTypeKey, nullptr, "Oracle");
  registry.SetText(kPembVersionKey, nullptr, "3.1");
  const std::string report = registry.Folder().File("report.txt");
  std::ofstream(report) << "earlier\n";

  EXPECT_EQ(CreateAuditReport(report, "Full Install", "HG-U95A", "7"), 1);
  EXPECT_EQ(CreateUpdateReport(report, "UpdateClient", "HG-U95A", "", "8"), 1);
  EXPECT_EQ(CreateAuditReport(registry.Folder().File("no/folder/r.txt"), "x", "y", "z"), 0);
  EXPECT_EQ(CreateUpdateReport("", "x", "y", "z", "w"), 0);

  const ReportFacts facts = GatherReportFacts();
  EXPECT_EQ(facts.role, kRoleServer);
  EXPECT_EQ(facts.dbmsType, "Oracle");
  EXPECT_EQ(WithoutDates(ReadWholeFile(report)),
            WithoutDates("earlier\n" + AuditReportHeader(facts, "Full Install", "HG-U95A", "7") +
                         UpdateReportHeader(facts, "UpdateClient", "HG-U95A", "", "8")));
  EXPECT_NE(ReadWholeFile(report).find("System:\t\t\tQIRO Server\nQIRO Server Version:\t3.1\n"),
            std::string::npos);
  EXPECT_NE(ReadWholeFile(report).find("DBMS Type:\t\tOracle\n"), std::string::npos);
  // Both headers carry a date of the documented form.
  const std::string undated = WithoutDates(ReadWholeFile(report));
  ASSERT_NE(undated.find("Date:\n"), std::string::npos);
  EXPECT_NE(undated.find("Date:\n"), undated.rfind("Date:\n"));
}

}  // namespace
}  // namespace quellbrook
