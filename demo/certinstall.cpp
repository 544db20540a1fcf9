// certinstall: adds a certificate (a DER file) to the machine's trusted root store, so that
// WinINet in this Wine prefix trusts the local provider service. Adding it again replaces it.
// usage: certinstall.exe FILE.der
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
    std::ifstream file(argc == 2 ? argv[1] : "", std::ios::binary);
    std::vector<BYTE> der{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root");
    if (der.empty() || !store ||
        !CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(),
                                          static_cast<DWORD>(der.size()),
                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
        std::fprintf(stderr, "certinstall FILE.der: not added (error %lu)\n", GetLastError());
        return 1;
    }
    CertCloseStore(store, 0);
    std::printf("certinstall: added to the machine's root store\n");
    return 0;
}
