// certinstall: adds a certificate (DER file) to the trusted root store of the Wine prefix, so
// that WinINet accepts the local provider service's HTTPS certificate. The machine's root store
// is tried first, the user's when that cannot be opened or written. Adding a certificate that is
// already there replaces it, so running this again changes nothing.
// usage: certinstall.exe FILE.der
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <vector>

namespace {

bool readFile(const char* path, std::vector<BYTE>& data) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = false;
    DWORD size = GetFileSize(file, nullptr);
    if (size != INVALID_FILE_SIZE && size > 0) {
        data.resize(size);
        DWORD got = 0;
        ok = ReadFile(file, data.data(), size, &got, nullptr) && got == size;
    }
    CloseHandle(file);
    return ok;
}

// Adds the certificate to the "Root" store at location; the Windows error code, 0 on success.
DWORD addToRoot(DWORD location, const std::vector<BYTE>& der) {
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, location, "Root");
    if (!store)
        return GetLastError();
    DWORD error = 0;
    if (!CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(),
                                          static_cast<DWORD>(der.size()),
                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr))
        error = GetLastError();
    CertCloseStore(store, 0);
    return error;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: certinstall FILE.der\n");
        return 2;
    }
    std::vector<BYTE> der;
    if (!readFile(argv[1], der)) {
        std::fprintf(stderr, "certinstall: cannot read %s (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    DWORD machine = addToRoot(CERT_SYSTEM_STORE_LOCAL_MACHINE, der);
    if (machine == 0) {
        std::printf("certinstall: added to the machine's root store\n");
        return 0;
    }
    DWORD user = addToRoot(CERT_SYSTEM_STORE_CURRENT_USER, der);
    if (user == 0) {
        std::printf("certinstall: added to the user's root store (machine store: error %lu)\n",
                    machine);
        return 0;
    }
    std::fprintf(stderr, "certinstall: not added (machine store: error %lu, user store: %lu)\n",
                 machine, user);
    return 1;
}
