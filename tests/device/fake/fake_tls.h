// A throw-away key and self-signed certificate for the simulated device's TLS, made once per
// process. The host does not verify the device's certificate, so any will do.
#pragma once

#include <openssl/ssl.h>

#include <string>

namespace vesmar::fake {

struct TlsIdentity {
  std::string certificatePem;
  std::string privateKeyPem;
  SSL_CTX* serverContext = nullptr;  // lives as long as the process
};

const TlsIdentity& SharedTlsIdentity();

}  // namespace vesmar::fake
