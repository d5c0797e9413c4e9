// Identifiers of the launcher's resources (shared by the code and the .rc file).
#ifndef MSILAUNCH_RESOURCES_RESOURCE_IDS_H
#define MSILAUNCH_RESOURCES_RESOURCE_IDS_H

#define IDS_INSTALLER_MISSING 100
#define IDS_PACKAGE_UNUSABLE 101
#define IDS_BROWSE_PROMPT 102
#define IDS_COMMAND_LINE_TOO_LONG 103

#endif
