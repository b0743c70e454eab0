#include "tests/support/TestPki.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace qelvo::netfix {

namespace {

struct KeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct CertFree {
    void operator()(X509* c) const { X509_free(c); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Cert = std::unique_ptr<X509, CertFree>;

void Check(bool ok, const char* what) {
    if (!ok) {
        throw std::runtime_error(std::string("TestPki: ") + what);
    }
}

Key NewKey() {
    Key key(EVP_EC_gen("P-256"));
    Check(key != nullptr, "key");
    return key;
}

void AddExt(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    Check(ext != nullptr && X509_add_ext(cert, ext, -1) == 1, "extension");
    X509_EXTENSION_free(ext);
}

// A certificate for `key`, signed by `issuerKey` (self-signed when `issuer` is null).
// Validity runs from `fromSeconds` to `toSeconds` relative to now.
Cert MakeCert(const std::string& cn, EVP_PKEY* key, X509* issuer, EVP_PKEY* issuerKey, bool ca,
              const char* san, long fromSeconds, long toSeconds) {
    static long serial = 1;
    Cert cert(X509_new());
    Check(cert != nullptr, "cert");
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial++);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), fromSeconds);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), toSeconds);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(cn.c_str()), -1, -1, 0);
    X509_set_issuer_name(cert.get(), issuer != nullptr ? X509_get_subject_name(issuer) : name);
    X509_set_pubkey(cert.get(), key);
    X509* issuerCert = issuer != nullptr ? issuer : cert.get();
    if (ca) {
        AddExt(cert.get(), issuerCert, NID_basic_constraints, "critical,CA:TRUE");
        AddExt(cert.get(), issuerCert, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        AddExt(cert.get(), issuerCert, NID_basic_constraints, "critical,CA:FALSE");
        AddExt(cert.get(), issuerCert, NID_key_usage, "critical,digitalSignature");
        AddExt(cert.get(), issuerCert, NID_ext_key_usage, "serverAuth");
        AddExt(cert.get(), issuerCert, NID_subject_alt_name, san);
    }
    AddExt(cert.get(), issuerCert, NID_subject_key_identifier, "hash");
    AddExt(cert.get(), issuerCert, NID_authority_key_identifier, "keyid:always");
    Check(X509_sign(cert.get(), issuerKey, EVP_sha256()) > 0, "sign");
    return cert;
}

std::string CertPem(X509* cert) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, cert);
    char* data = nullptr;
    const long n = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<std::size_t>(n));
    BIO_free(bio);
    return pem;
}

std::string KeyPem(EVP_PKEY* key) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
    char* data = nullptr;
    const long n = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<std::size_t>(n));
    BIO_free(bio);
    return pem;
}

// Removes the folder of the CA file when the process ends.
struct TempDir {
    std::filesystem::path path;
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "qelvo-pki-XXXXXX").string();
        Check(mkdtemp(tmpl.data()) != nullptr, "temp folder");
        path = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

constexpr long kHour = 3600;
constexpr long kDay = 24 * kHour;
constexpr const char* kLoopbackNames = "DNS:localhost,IP:127.0.0.1";

TestPki Make(const std::filesystem::path& dir) {
    TestPki pki;
    const Key caKey = NewKey();
    const Cert ca = MakeCert("Qelvo Test CA", caKey.get(), nullptr, caKey.get(), true, nullptr,
                             -kDay, 30 * kDay);
    const Key otherKey = NewKey();
    const Cert other = MakeCert("Untrusted Test CA", otherKey.get(), nullptr, otherKey.get(), true,
                                nullptr, -kDay, 30 * kDay);

    auto identity = [&](X509* issuer, EVP_PKEY* issuerKey, const char* san, long from, long to) {
        const Key key = NewKey();
        const Cert cert = MakeCert("server", key.get(), issuer, issuerKey, false, san, from, to);
        return TlsIdentity{CertPem(cert.get()), KeyPem(key.get())};
    };
    pki.good = identity(ca.get(), caKey.get(), kLoopbackNames, -kDay, 30 * kDay);
    pki.otherCa = identity(other.get(), otherKey.get(), kLoopbackNames, -kDay, 30 * kDay);
    pki.expired = identity(ca.get(), caKey.get(), kLoopbackNames, -2 * kDay, -kHour);
    pki.wrongHost = identity(ca.get(), caKey.get(), "DNS:other.invalid", -kDay, 30 * kDay);

    pki.caFile = (dir / "ca.pem").string();
    std::ofstream(pki.caFile) << CertPem(ca.get());
    return pki;
}

}  // namespace

const TestPki& TestPki::Get() {
    static const TempDir dir;
    static const TestPki pki = Make(dir.path);
    return pki;
}

}  // namespace qelvo::netfix
