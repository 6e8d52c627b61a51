#pragma once
// Identifiers shared by the resource script and the code.

#define IDS_STARTUP_ERROR_FORMAT 65514
#define IDS_STARTUP_ERROR_CAPTION 65515
