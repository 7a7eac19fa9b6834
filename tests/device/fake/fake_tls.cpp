#include "tests/device/fake/fake_tls.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <stdexcept>

namespace vesmar::fake {

namespace {

std::string BioText(BIO* bio) {
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio, &data);
  return std::string(data, static_cast<std::size_t>(size));
}

TlsIdentity MakeIdentity() {
  TlsIdentity id;
  // RSA: the host loads the pair record's key as an RSA key.
  EVP_PKEY* key = EVP_RSA_gen(2048);
  X509* cert = X509_new();
  if (!key || !cert) throw std::runtime_error("cannot make a test certificate");
  ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert), 3600L * 24 * 365);
  X509_set_pubkey(cert, key);
  X509_NAME* name = X509_get_subject_name(cert);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("Simulated Device"), -1,
                             -1, 0);
  X509_set_issuer_name(cert, name);
  X509_sign(cert, key, EVP_sha256());

  BIO* bio = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(bio, cert);
  id.certificatePem = BioText(bio);
  BIO_free(bio);
  bio = BIO_new(BIO_s_mem());
  PEM_write_bio_PrivateKey_traditional(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
  id.privateKeyPem = BioText(bio);
  BIO_free(bio);

  id.serverContext = SSL_CTX_new(TLS_server_method());
  SSL_CTX_set_security_level(id.serverContext, 0);
  SSL_CTX_use_certificate(id.serverContext, cert);
  SSL_CTX_use_PrivateKey(id.serverContext, key);
  X509_free(cert);
  EVP_PKEY_free(key);
  return id;
}

}  // namespace

const TlsIdentity& SharedTlsIdentity() {
  static const TlsIdentity identity = MakeIdentity();
  return identity;
}

}  // namespace vesmar::fake
