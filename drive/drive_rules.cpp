// The drive's portable rules (see drive_rules.h).
#include "drive/drive_rules.h"

#include "base/text.h"

const char* mappingErrorText(uint32_t code) {
    switch (code) {
    case 5: // ERROR_ACCESS_DENIED
        return "Zugriff verweigert.";
    case 66: // ERROR_BAD_DEV_TYPE
        return "Der Laufwerkstyp konnte nicht bestimmt werden.\r\nBitte versuchen Sie es erneut.";
    case 67: // ERROR_BAD_NET_NAME
        return "Die Verbindung zur Nimbara konnte nicht hergestellt werden.\r\nBitte versuchen Sie "
               "es erneut.";
    case 85: // ERROR_ALREADY_ASSIGNED
        return "Ihre Nimbara ist bereits verbunden.";
    case 86: // ERROR_INVALID_PASSWORD
        return "Überprüfen Sie bitte Ihre Logindaten.";
    case 170: // ERROR_BUSY
        return "Das Laufwerk ist derzeit nicht verfügbar.";
    case 1200: // ERROR_BAD_DEVICE
        return "Das Laufwerk konnte nicht erkannt werden.\r\nBitte versuchen Sie es erneut.";
    case 1202: // ERROR_DEVICE_ALREADY_REMEMBERED
        return "Ihre Nimbara wurde über den Explorer-Dialog verbunden\r\nund kann auf diesem Weg "
               "nicht verwaltet werden.";
    case 1203: // ERROR_NO_NET_OR_BAD_PATH
        return "Es konnte keine Verbindung hergestellt werden.";
    case 1204: // ERROR_BAD_PROVIDER
        return "Windows konnte die Verbindung nicht herstellen.";
    case 1205: // ERROR_CANNOT_OPEN_PROFILE
        return "Konnte das Laufwerksprofil nicht öffnen.";
    case 1206: // ERROR_BAD_PROFILE
        return "Ungültiges Laufwerksprofil.";
    case 1208: // ERROR_EXTENDED_ERROR
        return "Ein allgemeiner Fehler ist aufgetreten.";
    case 1222: // ERROR_NO_NETWORK
        return "Es konnte keine Internetverbindung gefunden werden.";
    case 1223: // ERROR_CANCELLED
        return "Der Verbindungsversuch wurde abgebrochen.";
    default:
        return nullptr;
    }
}

// Vista's redirector takes a URL; the older one wants the scheme before backslashes, as in
// "https:\\host\share".
bool formatRemoteName(char* buffer, size_t size, ConnectionMethod method, uint32_t majorVersion,
                      const char* host, const char* share) {
    const char* scheme = nullptr;
    if (method == 3 || method == 5)
        scheme = "http";
    else if (method == 4 || method == 6)
        scheme = "https";
    if (scheme == nullptr)
        return copyText(buffer, size, "");
    if (majorVersion >= 6)
        return formatText(buffer, size, "%s://%s/%s", scheme, host, share);
    return formatText(buffer, size, "%s:\\\\%s\\%s", scheme, host, share);
}

ConnectionForms connectionForms(const std::string& host, const std::string& share) {
    ConnectionForms forms;
    forms.unc = "\\\\" + host + "\\" + share;
    forms.uncSsl = "\\\\" + host + "@SSL\\" + share;
    forms.httpUrl = "http://" + host + "/" + share;
    forms.httpsUrl = "https://" + host + "/" + share;
    return forms;
}

bool isAnyConnectionForm(const ConnectionForms& forms, const std::string& name) {
    return name == forms.unc || name == forms.uncSsl || name == forms.httpUrl ||
           name == forms.httpsUrl;
}

bool unitMaskHasDrive(uint32_t mask, int index) {
    return index >= 0 && index < 26 && (mask & (uint32_t{1} << index)) != 0;
}

// A mask without any of the bits 0 to 25 yields the code one past Z, which names no drive.
char firstDriveLetter(uint32_t mask) {
    int index = 0;
    while (index < 26 && !unitMaskHasDrive(mask, index))
        ++index;
    return static_cast<char>('A' + index);
}
