// Makes opening a group read its gene information through this subsystem's reader.
#pragma once

// Installs ReadGeneInfoFile as the gene information reader of the group's open.
void InstallGeneInfoReader();
