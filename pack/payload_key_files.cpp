// Payload key files through libcrypto and the writer's key functions.
#include "pack/payload_key_files.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

namespace {

const int kPayloadKeyBits = 2048;

void Adopt(EVP_PKEY* raw, SigningKey* key)
{
    key->pkey = std::shared_ptr<EVP_PKEY>(raw, EVP_PKEY_free);
}

}  // namespace

bool IsPayloadKeyShape(const SigningKey& key, std::string* why)
{
    EVP_PKEY* pkey = key.pkey.get();
    if (pkey == nullptr || EVP_PKEY_get_base_id(pkey) != EVP_PKEY_RSA) {
        *why = "it is no RSA key";
        return false;
    }
    int bits = EVP_PKEY_get_bits(pkey);
    if (bits != kPayloadKeyBits) {
        *why = "it is an RSA-" + std::to_string(bits) + " key, and the launcher takes RSA-2048 only";
        return false;
    }
    BIGNUM* exponent = nullptr;
    bool ok = EVP_PKEY_get_bn_param(pkey, OSSL_PKEY_PARAM_RSA_E, &exponent) == 1 && BN_is_word(exponent, 65537);
    BN_free(exponent);
    if (!ok) {
        *why = "its public exponent is not 65537, the only one the launcher's key blob takes";
        return false;
    }
    return true;
}

bool LoadPayloadSigningKey(const std::string& pemPath, SigningKey* key, std::string* error)
{
    if (!LoadSigningKey(pemPath, key, error)) return false;
    std::string why;
    if (!IsPayloadKeyShape(*key, &why)) {
        *error = pemPath + " is not a payload key: " + why;
        key->pkey.reset();
        return false;
    }
    return true;
}

bool LoadPublicKeyBlob(const std::string& pemPath, Bytes* blob, std::string* error)
{
    BIO* in = BIO_new_file(pemPath.c_str(), "rb");
    if (in == nullptr) {
        *error = "cannot open key file " + pemPath;
        return false;
    }
    EVP_PKEY* raw = PEM_read_bio_PUBKEY(in, nullptr, nullptr, nullptr);
    if (raw == nullptr) {
        (void)BIO_reset(in);
        raw = PEM_read_bio_PrivateKey(in, nullptr, nullptr, nullptr);
    }
    BIO_free(in);
    if (raw == nullptr) {
        *error = pemPath + " holds no PEM public or private key";
        return false;
    }
    SigningKey key;
    Adopt(raw, &key);
    std::string why;
    if (!IsPayloadKeyShape(key, &why)) {
        *error = pemPath + " is not a payload key: " + why;
        return false;
    }
    if (!PublicKeyBlob(key, blob, error)) {
        *error = pemPath + ": " + *error;
        return false;
    }
    return true;
}
