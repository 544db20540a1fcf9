// The quota call: the storage figures of the stored WebDAV login, for the General page to show.
#pragma once

#include <string>

// The figures of the answer, in the order of the table that names them.
enum QuotaItem {
    kQuotaUsedBytes,
    kQuotaTotalBytes,
    kQuotaAvailableBytes,
    kQuotaUsedPretty,
    kQuotaTotalPretty,
    kQuotaAvailablePretty,
    kQuotaPackageName,
    kQuotaItemCount
};

struct QuotaFigures {
    bool answered = false; // an answer was read: the figures below are what it carried
    bool sent[kQuotaItemCount] = {};
    std::string values[kQuotaItemCount]; // trimmed, as sent
    std::string status;
    int barPosition = 0; // 0 to 100
};

// True exactly when the answer's status is "200"; false when offline, when the request is too
// long, and when the service cannot be reached (answered stays false in the last three cases).
bool queryQuota(const std::string& userName, const std::string& password, QuotaFigures* figures);
bool queryQuotaStored(QuotaFigures* figures);
