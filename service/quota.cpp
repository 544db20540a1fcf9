// The quota call (see quota.h).
#include "service/quota.h"

#include "app/connectivity.h"
#include "base/registry.h"
#include "base/settings.h"
#include "service/frame.h"

#include <commctrl.h>

namespace {

struct QuotaAnswer {
    std::string used;
    std::string total;
    std::string status;
};

int controlOf(const std::string& name) {
    static const struct {
        const char* field;
        int control;
    } table[] = {
        {"Quota-Used-Bytes", kQuotaUsedBytes},
        {"Quota-Total-Bytes", kQuotaTotalBytes},
        {"Quota-Available-Bytes", kQuotaAvailableBytes},
        {"Quota-Used-Pretty", kQuotaUsedPretty},
        {"Quota-Total-Pretty", kQuotaTotalPretty},
        {"Quota-Available-Pretty", kQuotaAvailablePretty},
        {"Package-Name", kQuotaPackageName},
    };
    for (const auto& entry : table)
        if (name == entry.field)
            return entry.control;
    return 0;
}

void handleQuotaLine(HWND page, const std::string& line, QuotaAnswer* answer) {
    Field field;
    if (!splitField(line, &field))
        return;
    std::string value = trimmedValue(field.raw);
    if (field.name == "Status") {
        answer->status = value;
        return;
    }
    int control = controlOf(field.name);
    if (control == 0)
        return;
    SetDlgItemTextA(page, control, value.c_str());
    if (control == kQuotaUsedBytes)
        answer->used = value;
    else if (control == kQuotaTotalBytes)
        answer->total = value;
}

void setUpUsageBar(HWND page, const QuotaAnswer& answer) {
    HWND bar = GetDlgItem(page, kQuotaBar);
    SendMessageA(bar, PBM_SETBKCOLOR, 0, RGB(255, 255, 255));
    SendMessageA(bar, PBM_SETBARCOLOR, 0, RGB(0, 100, 0));
    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageA(bar, PBM_SETPOS, 0, 0);
    SendMessageA(bar, PBM_SETSTEP, 0, 0);
    SendMessageA(bar, PBM_SETPOS, quotaBarPosition(answer.used, answer.total), 0);
}

} // namespace

bool queryQuota(HWND page, const std::string& userName, const std::string& password) {
    if (!internetAvailable())
        return false;
    HttpClient client;
    // A service that cannot be reached is reported as false, so the page says "unbekannt"
    // instead of showing figures it never received.
    if (startCall(readEndpoint(kQuotaEndpoint), userName, password, "", &client) != CallStart::Sent)
        return false;
    QuotaAnswer answer;
    readAnswer(&client,
               [page, &answer](const std::string& line) { handleQuotaLine(page, line, &answer); });
    setUpUsageBar(page, answer);
    client.close();
    return answer.status == "200";
}

bool queryQuotaStored(HWND page) {
    std::string userName, password;
    if (!readProductString(settings::kDavUser, &userName) ||
        !readProductString(settings::kDavPassword, &password) || userName.empty())
        return false;
    return queryQuota(page, userName, password);
}
