// The settings catalogue: the product key, the names of its values and of the Windows values
// the client reads, and the defaults that apply when a value is absent or of the wrong type.
#pragma once

#include "deployment.h"

// A second build for the update tests defines another version.
#ifndef NIMBARA_CLIENT_VERSION
#define NIMBARA_CLIENT_VERSION "1.0.0"
#endif

namespace settings {

constexpr const char* kProductKey = "Software\\Qelto\\Nimbara";

// Values of the product key.
constexpr const char* kDavHost = "DAVHost";
constexpr const char* kDavShare = "DAVShare";
constexpr const char* kDavUser = "DAVUser";
constexpr const char* kDavPassword = "DAVPasswd";
constexpr const char* kDriveLetter = "DriveLetter";
constexpr const char* kSaveCredentials = "SaveCredentials";
constexpr const char* kAutoMount = "AutoMount";
constexpr const char* kForceMethod = "ForceMethod";
constexpr const char* kSsl = "SSL";
constexpr const char* kDisableReKeyOnOpen = "DisableReKeyOnOpen";
constexpr const char* kMyComputerIcon = "MyComputerIcon";
constexpr const char* kDesktopIcon = "DesktopIcon";
constexpr const char* kInstallDir = "InstallDir";
constexpr const char* kUpdateIgnoreVersion = "UpdateIgnoreVersion";
constexpr const char* kAuthApiProto = "authApiProto";
constexpr const char* kAuthApiHost = "authApiHost";
constexpr const char* kAuthApiUrl = "authApiUrl";
constexpr const char* kAuthApiVersion = "authApiVersion";
constexpr const char* kStatApiProto = "statApiProto";
constexpr const char* kStatApiHost = "statApiHost";
constexpr const char* kStatApiUrl = "statApiUrl";
constexpr const char* kStatApiVersion = "statApiVersion";

// Defaults of the product key's string values.
constexpr const char* kDefaultDavHost = NIMBARA_DEFAULT_SERVICE_HOST;
constexpr const char* kDefaultDavShare = "Nimbara";
constexpr const char* kDefaultDriveLetter = "T:";
constexpr const char* kDefaultInstallDir = "%PROGRAMFILES%\\Qelto\\Nimbara";
constexpr const char* kDefaultApiProto = "https";
constexpr const char* kDefaultApiHost = NIMBARA_DEFAULT_SERVICE_HOST;
constexpr const char* kDefaultAuthApiUrl = "/a/filemanager.webdav.auth?";
constexpr const char* kDefaultStatApiUrl = "/a/filemanager.webdav.stat?";
constexpr const char* kDefaultApiVersion = "REST.2";

// Keys and values of Windows.
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunValue = "Nimbara";
constexpr const char* kRunCommandFormat = "%s\\Nimbara.exe /tray";
constexpr const char* kWebClientParametersKey =
    "SYSTEM\\CurrentControlSet\\Services\\WebClient\\Parameters";
constexpr const char* kUseBasicAuth = "UseBasicAuth";
constexpr const char* kBasicAuthLevel = "BasicAuthLevel";
constexpr const char* kInternetSettingsKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr const char* kDisableBasicOverClearChannel = "DisableBasicOverClearChannel";
// The Explorer entries of the storage: the product's shell-namespace class under the computer
// folder and the desktop, registered outside the client.
constexpr const char* kMyComputerNameSpaceKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MyComputer\\NameSpace\\"
    "{5E1A7C20-3B9D-4F62-A8D1-7C04E9B2F318}";
constexpr const char* kDesktopNameSpaceKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\NameSpace\\"
    "{5E1A7C20-3B9D-4F62-A8D1-7C04E9B2F318}";
constexpr const char* kNameSpaceTitle = "Nimbara";
constexpr const char* kProductOptionsKey = "SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
constexpr const char* kProductType = "ProductType";

} // namespace settings
