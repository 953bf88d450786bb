// Certificates made by the network tests themselves: a certificate authority
// and server certificates it signs (or that sign themselves), written as PEM
// files for the tests' TLS server and for SSL_CERT_FILE.
#pragma once

#include <string>
#include <vector>

namespace verdane::test {

struct TestCertificate {
    std::string certFile, keyFile;
};

class TestCertificateAuthority {
public:
    // Makes the authority's key and certificate in `dir`.
    explicit TestCertificateAuthority(const std::string& dir);
    ~TestCertificateAuthority();
    TestCertificateAuthority(const TestCertificateAuthority&) = delete;
    TestCertificateAuthority& operator=(const TestCertificateAuthority&) = delete;

    // The authority's certificate, for SSL_CERT_FILE.
    const std::string& CaFile() const { return caFile_; }
    // A server certificate for the subject alternative names `names` ("DNS:localhost",
    // "IP:127.0.0.1"), valid from `fromDays` to `toDays` days from now, signed by
    // the authority or, with `selfSigned`, by its own key.
    TestCertificate Issue(const std::string& fileStem, const std::vector<std::string>& names, int fromDays = -1,
                          int toDays = 30, bool selfSigned = false);

private:
    std::string dir_, caFile_;
    void* caKey_ = nullptr;   // EVP_PKEY
    void* caCert_ = nullptr;  // X509
    long serial_ = 1;
};

}  // namespace verdane::test
