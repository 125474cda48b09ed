#include "tests/win/net/TrustCa_win.h"

#include <windows.h>
#include <wincrypt.h>

namespace {

// Wine writes a registry store out when it is closed: the chain engine sees a certificate added
// only after that, so the store is opened and closed around each change.
HCERTSTORE OpenRoot() {
    return ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
}

const BYTE* Bytes(const std::string& der) { return reinterpret_cast<const BYTE*>(der.data()); }

} // namespace

bool TrustCa(const std::string& der) {
    const HCERTSTORE store = OpenRoot();
    if (!store) {
        return false;
    }
    const bool added =
        ::CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, Bytes(der), static_cast<DWORD>(der.size()),
                                           CERT_STORE_ADD_REPLACE_EXISTING, nullptr) != FALSE;
    const DWORD error = ::GetLastError();
    ::CertCloseStore(store, 0);
    ::SetLastError(error);
    return added;
}

bool DistrustCa(const std::string& der) {
    const HCERTSTORE store = OpenRoot();
    if (!store) {
        return false;
    }
    bool gone = true;
    if (const PCCERT_CONTEXT ca =
            ::CertCreateCertificateContext(X509_ASN_ENCODING, Bytes(der), static_cast<DWORD>(der.size()))) {
        if (const PCCERT_CONTEXT found =
                ::CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, ca, nullptr)) {
            gone = ::CertDeleteCertificateFromStore(found) != FALSE; // frees `found` too
        }
        ::CertFreeCertificateContext(ca);
    }
    ::CertCloseStore(store, 0);
    return gone;
}
