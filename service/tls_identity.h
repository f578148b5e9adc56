#pragma once

#include "platform/result.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <string>
#include <vector>

namespace wayfarer::service {

struct PrivateKeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertificateFree {
    void operator()(X509* certificate) const { X509_free(certificate); }
};

// Ephemeral self-signed certificate, in memory only, with subjectAltName 127.0.0.1, ::1,
// localhost and `hostNames`. Clients pin its PEM via HttpClientOptions::exclusiveCaPem.
class TlsIdentity {
public:
    // EC P-256 key.
    static platform::Result<TlsIdentity> make(const std::vector<std::string>& hostNames = {});

    EVP_PKEY* key() const { return key_.get(); }
    X509* certificate() const { return certificate_.get(); }
    const std::string& certificatePem() const { return pem_; }

private:
    std::unique_ptr<EVP_PKEY, PrivateKeyFree> key_;
    std::unique_ptr<X509, CertificateFree> certificate_;
    std::string pem_;
};

}
