/* libQuellbrook: installs the array maker's library files into the laboratory database.
   Six functions are its whole surface; every one runs to completion on the caller's
   thread and returns an int. Results of InstallLib and UpdateLib: 0 success, 4001 success
   with warnings, else the number of the message that ended the run. */
#ifndef QUELLBROOK_H
#define QUELLBROOK_H

#if defined(__GNUC__)
#define QUELLBROOK_API __attribute__((visibility("default")))
#else
#define QUELLBROOK_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Appends the audit header to the report file: 1, or 0 when it can't be opened. */
QUELLBROOK_API int CreateAuditReport(const char* reportPath, const char* option,
                                     const char* selection, const char* build);
QUELLBROOK_API int InstallLib(const char* libraryFolder, const char* protocolFolder,
                              const char* sourceFolder, const char* storedText,
                              const char* arrayTypes, const char* installLog,
                              const char* reportPath);
QUELLBROOK_API int UpdateLib(const char* libraryFolder, const char* protocolFolder,
                             const char* sourceFolder, const char* storedText,
                             const char* arrayTypes, const char* protocols, const char* installLog,
                             const char* reportPath);
/* Appends the update header to the report file: 1, or 0 when it can't be opened. */
QUELLBROOK_API int CreateUpdateReport(const char* reportPath, const char* option,
                                      const char* arrayTypes, const char* protocols,
                                      const char* build);
/* Names the host window that progress windows belong to (cut to 1023 bytes); always 1. */
QUELLBROOK_API int SetParentWindowName(const char* windowName);
/* Fills two buffers of at least 65534 bytes each with the installed array types and
   hybridization protocols, comma-joined: 1, or 0 (buffers untouched) without a
   connection or process database name. */
QUELLBROOK_API int GetInstalledList(char* arrayTypes, char* protocols);

#ifdef __cplusplus
}
#endif

#endif /* QUELLBROOK_H */
