// The quota call: the storage figures into the General page's controls and its usage bar.
#pragma once

#include <windows.h>

#include <string>

// Controls of the page that the quota call fills.
enum QuotaControl {
    kQuotaUsedBytes = 1000,
    kQuotaUsedPretty = 1075,
    kQuotaAvailablePretty = 1076,
    kQuotaTotalPretty = 1077,
    kQuotaBar = 1082,
    kQuotaTotalBytes = 1083,
    kQuotaAvailableBytes = 1084,
    kQuotaPackageName = 1085,
};

bool queryQuota(HWND page, const std::string& userName, const std::string& password);
bool queryQuotaStored(HWND page);
