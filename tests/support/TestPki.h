#pragma once
// Test certificates, made with the OpenSSL API once per process into a temporary folder that
// is removed at exit: a test CA, a second CA nobody trusts, and server identities for
// 127.0.0.1 and localhost.

#include <string>

#include "tests/support/TestServer.h"

namespace qelvo::netfix {

struct TestPki {
    std::string caFile;     // PEM file of the test CA, to be trusted by the client
    TlsIdentity good;       // from the test CA, valid now, for 127.0.0.1 and localhost
    TlsIdentity otherCa;    // the same names, from the untrusted CA
    TlsIdentity expired;    // from the test CA, expired an hour ago
    TlsIdentity wrongHost;  // from the test CA, valid now, for other.invalid only

    /// The process's one set; throws when OpenSSL cannot make it.
    [[nodiscard]] static const TestPki& Get();
};

}  // namespace qelvo::netfix
