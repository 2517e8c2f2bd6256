// Makes opening a group on SNP arrays read its SNP information through this subsystem.
#pragma once

// Installs ReadSnpInfoFile as the SNP information reader of the group's open.
void InstallSnpInfoReader();
