#include "TestCertificates.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <stdexcept>

namespace verdane::test {

namespace {

EVP_PKEY* NewKey() {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    if (!key) throw std::runtime_error("test certificates: no key");
    return key;
}

void AddExtension(X509* cert, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
    if (!ext) throw std::runtime_error("test certificates: bad extension " + value);
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
}

X509* NewCertificate(EVP_PKEY* key, const std::string& commonName, long serial, int fromDays, int toDays) {
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), serial);
    X509_gmtime_adj(X509_getm_notBefore(cert), static_cast<long>(fromDays) * 86400);
    X509_gmtime_adj(X509_getm_notAfter(cert), static_cast<long>(toDays) * 86400);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("Verdane tests"), -1,
                               -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName.c_str()),
                               -1, -1, 0);
    return cert;
}

void WritePem(const std::string& file, X509* cert, EVP_PKEY* key) {
    FILE* f = std::fopen(file.c_str(), "w");
    if (!f) throw std::runtime_error("test certificates: can't write " + file);
    bool ok = cert ? PEM_write_X509(f, cert) == 1
                   : PEM_write_PrivateKey(f, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    std::fclose(f);
    if (!ok) throw std::runtime_error("test certificates: can't write " + file);
}

}  // namespace

TestCertificateAuthority::TestCertificateAuthority(const std::string& dir) : dir_(dir) {
    EVP_PKEY* key = NewKey();
    X509* cert = NewCertificate(key, "Verdane Test Authority", serial_++, -2, 365);
    X509_set_issuer_name(cert, X509_get_subject_name(cert));
    AddExtension(cert, cert, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(cert, cert, NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(cert, cert, NID_subject_key_identifier, "hash");
    X509_sign(cert, key, EVP_sha256());
    caFile_ = dir_ + "/test-ca.pem";
    WritePem(caFile_, cert, nullptr);
    caKey_ = key;
    caCert_ = cert;
}

TestCertificateAuthority::~TestCertificateAuthority() {
    X509_free(static_cast<X509*>(caCert_));
    EVP_PKEY_free(static_cast<EVP_PKEY*>(caKey_));
}

TestCertificate TestCertificateAuthority::Issue(const std::string& fileStem, const std::vector<std::string>& names,
                                                int fromDays, int toDays, bool selfSigned) {
    EVP_PKEY* key = NewKey();
    std::string commonName = names.empty() ? "server" : names.front().substr(names.front().find(':') + 1);
    X509* cert = NewCertificate(key, commonName, serial_++, fromDays, toDays);
    X509* issuer = selfSigned ? cert : static_cast<X509*>(caCert_);
    X509_set_issuer_name(cert, X509_get_subject_name(issuer));
    AddExtension(cert, issuer, NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(cert, issuer, NID_key_usage, "critical,digitalSignature,keyEncipherment");
    AddExtension(cert, issuer, NID_ext_key_usage, "serverAuth");
    std::string alt;
    for (const auto& n : names) alt += (alt.empty() ? "" : ",") + n;
    if (!alt.empty()) AddExtension(cert, issuer, NID_subject_alt_name, alt);
    X509_sign(cert, selfSigned ? key : static_cast<EVP_PKEY*>(caKey_), EVP_sha256());
    TestCertificate out{dir_ + "/" + fileStem + ".pem", dir_ + "/" + fileStem + "-key.pem"};
    WritePem(out.certFile, cert, nullptr);
    WritePem(out.keyFile, nullptr, key);
    X509_free(cert);
    EVP_PKEY_free(key);
    return out;
}

}  // namespace verdane::test
