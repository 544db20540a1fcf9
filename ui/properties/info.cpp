// The Info page: a read-only runtime-information text for support requests (client version,
// connection method, Windows version, rights, forced method), built once when the page is
// created, and a link that starts an e-mail to the support address.
#include "ui/properties/frame.h"
#include "ui/properties/infotext.h"
#include "ui/properties/pages.h"

#include "base/handles.h"
#include "base/hyperlink.h"
#include "base/osprobe.h"
#include "core/method.h"
#include "res/resource.h"

#include <string>

constexpr const char* kSupportMail = "mailto:" NIMBARA_SUPPORT_ADDRESS "?subject=Nimbara";

// Puts the caret at the end of the text and replaces the empty selection there, undoably.
static void appendText(HWND edit, const char* text) {
    int length = GetWindowTextLengthA(edit);
    SendMessageA(edit, EM_SETSEL, length, length);
    SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
}

static bool holdsAdministrators(const TOKEN_GROUPS* groups) {
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators))
        return false;
    bool found = false;
    for (DWORD i = 0; i < groups->GroupCount && !found; ++i)
        found = EqualSid(groups->Groups[i].Sid, administrators) != FALSE;
    FreeSid(administrators);
    return found;
}

// The Administrators group among the token's groups, whatever its attributes: an administrator
// running with a filtered token, where the group is for deny only, counts as well. The thread's
// own token when it impersonates, else the process's.
static bool isAdministrator() {
    OwnedHandle token;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.receive()) &&
        (GetLastError() != ERROR_NO_TOKEN ||
         !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive())))
        return false;
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &size);
    HANDLE heap = GetProcessHeap();
    auto* groups = static_cast<TOKEN_GROUPS*>(HeapAlloc(heap, 0, size));
    bool read =
        groups != nullptr && GetTokenInformation(token.get(), TokenGroups, groups, size, &size);
    token.reset();
    bool found = read && holdsAdministrators(groups);
    if (groups != nullptr)
        HeapFree(heap, 0, groups);
    return found;
}

static void showRuntimeInfo(HWND page) {
    OsProbe probe;
    RuntimeFacts facts = {selectConnectionMethod(), probe.majorVersion(), probe.minorVersion(),
                          probe.buildNumber(),      probe.editionCode(),  probe.is32Bit(),
                          isAdministrator(),        forcedMethod()};
    appendText(GetDlgItem(page, IDC_RUNTIME_INFO), runtimeInfoText(facts).c_str());
}

// Every message is left to the dialog's default handling, the set-up message too.
INT_PTR CALLBACK infoPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    try {
        if (message == WM_INITDIALOG) {
            makeHyperlink(page, IDC_SUPPORT_MAIL_LINK);
            showRuntimeInfo(page);
        } else if (message == WM_COMMAND && LOWORD(wParam) == IDC_SUPPORT_MAIL_LINK &&
                   HIWORD(wParam) == STN_CLICKED) {
            openWebPage(page, kSupportMail, true);
        }
    } catch (...) {
        // nothing may leave a page procedure; the step simply did not happen
    }
    return FALSE;
}
