#include "tls_identity.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

namespace wayfarer::service {

namespace {

struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};

std::string openSslError(const char* what) {
    char text[256] = "";
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    return std::string(what) + ": " + text;
}

bool addExtension(X509* certificate, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    if (!extension)
        return false;
    const bool added = X509_add_ext(certificate, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

}

platform::Result<TlsIdentity> TlsIdentity::make(const std::vector<std::string>& hostNames) {
    const auto fail = [](const char* what) {
        return platform::Error{platform::ErrorCode::unknown, openSslError(what)};
    };
    TlsIdentity identity;
    identity.key_.reset(EVP_EC_gen("P-256"));
    if (!identity.key_)
        return fail("cannot make the key");
    identity.certificate_.reset(X509_new());
    X509* certificate = identity.certificate_.get();
    if (!certificate)
        return fail("cannot make the certificate");

    unsigned char serial[16];
    if (RAND_bytes(serial, sizeof serial) != 1)
        return fail("cannot draw a serial number");
    serial[0] &= 0x7F;  // a positive serial
    BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
    const bool serialSet = number && BN_to_ASN1_INTEGER(number, X509_get_serialNumber(certificate));
    BN_free(number);

    std::string alternativeNames = "IP:127.0.0.1,IP:::1,DNS:localhost";
    for (const auto& host : hostNames)
        alternativeNames += ",DNS:" + host;
    X509_NAME* name = X509_get_subject_name(certificate);
    const bool ok = X509_set_version(certificate, 2) == 1 && serialSet &&
                    X509_gmtime_adj(X509_getm_notBefore(certificate), -3600) &&
                    X509_gmtime_adj(X509_getm_notAfter(certificate), 60L * 60 * 24 * 365) &&
                    X509_set_pubkey(certificate, identity.key_.get()) == 1 &&
                    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                                               reinterpret_cast<const unsigned char*>("Wayfarer"), -1, -1, 0) == 1 &&
                    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                               reinterpret_cast<const unsigned char*>("Wayfarer local catalogue"), -1, -1, 0) == 1 &&
                    X509_set_issuer_name(certificate, name) == 1 &&
                    addExtension(certificate, NID_basic_constraints, "critical,CA:TRUE") &&
                    addExtension(certificate, NID_key_usage, "critical,digitalSignature,keyCertSign") &&
                    addExtension(certificate, NID_ext_key_usage, "serverAuth") &&
                    addExtension(certificate, NID_subject_key_identifier, "hash") &&
                    addExtension(certificate, NID_subject_alt_name, alternativeNames.c_str());
    if (!ok)
        return fail("cannot fill the certificate");
    if (X509_sign(certificate, identity.key_.get(), EVP_sha256()) == 0)
        return fail("cannot sign the certificate");

    std::unique_ptr<BIO, BioFree> bio(BIO_new(BIO_s_mem()));
    if (!bio || PEM_write_bio_X509(bio.get(), certificate) != 1)
        return fail("cannot write the certificate");
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    identity.pem_.assign(data, static_cast<std::size_t>(size));
    return identity;
}

}
