// The quota call (see quota.h).
#include "service/quota.h"

#include "base/registry.h"
#include "base/settings.h"
#include "core/connectivity.h"
#include "service/frame.h"

static int itemOf(const std::string& name) {
    static const char* const fields[kQuotaItemCount] = {
        "Quota-Used-Bytes",  "Quota-Total-Bytes",  "Quota-Available-Bytes",
        "Quota-Used-Pretty", "Quota-Total-Pretty", "Quota-Available-Pretty",
        "Package-Name",
    };
    for (int item = 0; item < kQuotaItemCount; ++item)
        if (name == fields[item])
            return item;
    return -1;
}

static void handleQuotaLine(const std::string& line, QuotaFigures* figures) {
    Field field;
    if (!splitField(line, &field))
        return;
    std::string value = trimmedValue(field.raw);
    if (field.name == "Status") {
        figures->status = value;
        return;
    }
    int item = itemOf(field.name);
    if (item < 0)
        return;
    figures->sent[item] = true;
    figures->values[item] = value;
}

bool queryQuota(const std::string& userName, const std::string& password, QuotaFigures* figures) {
    *figures = QuotaFigures();
    if (!internetAvailable())
        return false;
    HttpClient client;
    // A service that cannot be reached is reported as false, so the page says "unbekannt"
    // instead of showing figures it never received.
    if (startCall(readEndpoint(kQuotaEndpoint), userName, password, "", &client) != CallStart::Sent)
        return false;
    readAnswer(&client, [figures](const std::string& line) { handleQuotaLine(line, figures); });
    figures->answered = true;
    figures->barPosition =
        quotaBarPosition(figures->values[kQuotaUsedBytes], figures->values[kQuotaTotalBytes]);
    return figures->status == "200";
}

bool queryQuotaStored(QuotaFigures* figures) {
    std::string userName, password;
    *figures = QuotaFigures();
    if (!readProductString(settings::kDavUser, &userName) ||
        !readProductString(settings::kDavPassword, &password) || userName.empty())
        return false;
    return queryQuota(userName, password, figures);
}
