#include "installer/framework/message_table.hpp"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <iterator>

#include "installer/framework/text_functions.hpp"

namespace quellbrook {
namespace {

struct Message {
  int number;
  const char* text;
};

// Texts kept as shipped, their spelling slips included: hosts match on them.
constexpr Message kMessages[] = {
    {0, "No error"},
    {1001, "%s file not found.\n"},
    {1002, "%s is missing in the section %s inside %s.  Default value %f is used.\n"},
    {1003, "%s is missing in the section %s inside %s.  Default value %d is used.\n"},
    {1004, "%s is missing in the section %s inside %s.  Default value %s is used.\n"},
    {1005, "%s is missing in the section %s inside %s.  Default value %e is used.\n"},
    {1006, "%s is missing in the section %s inside file %s.\n"},
    {1007, "Invalid DLL command parameters.\n"},
    {1008, "Cannot update QIRO Server version 3.0 or earlier."},
    {1009,
     "Cannot update library.  Please verify that QIRO 1.0 is installed on the local client "
     "workstation."},
    {1010, "%s INI section is missing in %s."},
    {1011, "Install registry key errors"},
    {2001, "Failed to write the intermediate files.\n"},
    {2002, "Failed to read the CIF file.\n"},
    {2003, "Failed to read the MAC file.\n"},
    {2004, "Failed to read the GIN file %s.\n"},
    {2005, "Failed to read the SIF file %s.\n"},
    {2006,
     "Failed to read the GeneInfo database name from the registry.  Please verify that QIRO "
     "Client/QIRO Server is installed properly."},
    {2007,
     "Failed to read the process database name from the registry.  Please verify that QIRO "
     "Client/QIRO Server is installed properly."},
    {2008, "Failed to copy files."},
    {2009,
     "Validation failed for all selected probe arrays and the library installation will be "
     "abort. Please perform the corrective actions and retry."},
    {2010, "Failed to update pellium scan parameters."},
    {2011, "Validation failed for a probe array."},
    {2012,
     "Cannot find the scan type section '%s' from the %s. Update %s scan parameters failed for "
     "%s."},
    {2013,
     "Cannot find the appropriate scan type section from the %s file.  Update %s scan "
     "parameters failed for %s."},
    {2014, "Cannot find scanner parameter map files for %s. Update %s scan parameters failed."},
    {2015, "Cannot find the algorithm CIF Name for %s in %s."},
    {2016, "Cannot find the file path for %s in %s."},
    {3001,
     "Failed to create temporary tables.  Please make sure that the DBMS and QIRO Server are "
     "installed correctly.\n"},
    {3002,
     "Failed to create temporary stored procedures.  Please make sure that the DBMS and QIRO "
     "Server are installed correctly.\n"},
    {3003,
     "Failed to populate temporary tables.\nTotal records = %d and # of populated records = "
     "%d.\nPlease check:\n(1) DBMS and process databases were installed correctly.\n(2) There "
     "is enough free space for the temporary database (tempdb).\n"},
    {3004,
     "Failed to connect to the database.  Please make sure that the DBMS and QIRO Server are "
     "installed properly.\n"},
    {3005, "Failed to install CIF parameters. %s.\n"},
    {3006, "Failed to install gene information for %s.  %s.\n"},
    {3007, "Failed to install Fluidics Protocols. %s.\n"},
    {3008, "Failed to install sequences for %s. %s.\n"},
    {3009, "Failed to grant permission to the user %s."},
    {3010, "Failed to install assays.  %s.\n"},
    {3011, "Failed to install algorithms. %s.\n"},
    {3012,
     "Failed to grant permissions to create temporary tables and stored procedures.  Please "
     "make sure that the MSDE was installed correctly and the administrator password for "
     "\"sa\" is blank."},
    {3013, "Failed to install devices. %s.\n"},
    {3014, "Unknown device type '%s'. Please check the device source file %s."},
    {3015, "Device annotation ID should not be empty.  Please check the device source file %s."},
    {3016, "Device prefix should not be empty.  Please check the device source file %s."},
    {3017,
     "Cannot find the executable path for bcp.exe and osql.exe files.\nPlease make sure that "
     "the MSDE or SQL Server has been installed."},
    {3018,
     "Failed to populate temporary tables.\nTotal descriptions = %d, # of populated "
     "descriptions = %d.\nTotal header = %d, # of populated header = %d\nTotal URL = %d, # "
     "of populated URL = %d.\nPlease check:\n(1) DBMS and process databases were installed "
     "correctly.\n(2) There is enough free space for the temporary database (tempdb).\n"},
    {3019, "Cannot lookup the assay type from %s. Please make sure that the file exists."},
    {3020,
     "Failed to populate temporary tables.\nTotal records = %d and # of populated records = "
     "%d.\nPlease check:\nDBMS and process databases were installed correctly.\n(2) There is "
     "enough free tablespaces for the process databases.\n"},
    {3021,
     "Failed to populate temporary tables.\nTotal descriptions = %d, # of populated "
     "descriptions = %d.\nTotal header = %d, # of populated header = %d\nTotal URL = %d, # "
     "of populated URL = %d.\nPlease check:\n(1) DBMS and process databases were installed "
     "correctly.\n(2) There is enough free tablespaces for the process databases.\n"},
    {3022, "Failed to update analysis parameters.  %s.\n"},
    {3023, "Failed to install tempates  %s.\n"},
    {3024,
     "Cannot find the HP scan parameters %s from QIRO Server.  Update pellium scan parameters "
     "failed for %s."},
    {3025,
     "Failed to get HP scan parameters for %s from QIRO Server.  Please make sure that DBMS "
     "and QIRO Server are installed properly."},
    {3026, "Failed to install controls. %s.\n"},
    {3027, "There are errors.\n"},
    {4001, "There are warnings.\n"},
    {4002, "No GIN file"},
};

constexpr bool IsSortedByNumber() {
  for (std::size_t i = 1; i < std::size(kMessages); ++i)
    if (kMessages[i - 1].number >= kMessages[i].number) return false;
  return true;
}
static_assert(IsSortedByNumber(), "the message table is looked up by binary search");

const char* FindText(int number) {
  const auto* end = std::end(kMessages);
  const auto* found = std::lower_bound(std::begin(kMessages), end, number,
                                       [](const Message& m, int n) { return m.number < n; });
  return found != end && found->number == number ? found->text : nullptr;
}

}  // namespace

std::string_view MessageText(int number) {
  const char* text = FindText(number);
  return text == nullptr ? std::string_view() : std::string_view(text);
}

std::string FormatMessageText(int number, ...) {
  const char* text = FindText(number);
  if (text == nullptr) return std::string();
  std::va_list args;
  va_start(args, number);
  std::string formatted = FormatTextV(text, args);
  va_end(args);
  return formatted;
}

}  // namespace quellbrook
