// Resource and command ids of the client. Included by the resource script, so plain defines.
#pragma once

#define IDD_PROPERTIES 103
#define IDI_CONNECTED 108
#define IDR_TRAYMENU 109
#define IDI_NOT_CONNECTED 112

#define IDC_PROPERTIES_TABS 1024

#define IDM_CONNECT 4004
#define IDM_QUIT 4006
#define IDM_DISCONNECT 4007
#define IDM_OPEN 4009
#define IDM_SETTINGS 4010
#define IDM_REKEY 4011
#define IDM_REPLACE 4012
#define IDM_PROPERTIES 4013
