// Payload signing keys through libcrypto.
#include "writer/signing_key.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

namespace {

void AdoptKey(EVP_PKEY* raw, SigningKey* key)
{
    key->pkey = std::shared_ptr<EVP_PKEY>(raw, EVP_PKEY_free);
}

}  // namespace

bool LoadSigningKey(const std::string& pemPath, SigningKey* key, std::string* error)
{
    BIO* in = BIO_new_file(pemPath.c_str(), "rb");
    if (in == nullptr) {
        *error = "cannot open key file " + pemPath;
        return false;
    }
    EVP_PKEY* raw = PEM_read_bio_PrivateKey(in, nullptr, nullptr, nullptr);
    BIO_free(in);
    if (raw == nullptr || EVP_PKEY_get_base_id(raw) != EVP_PKEY_RSA) {
        EVP_PKEY_free(raw);
        *error = pemPath + " holds no RSA private key";
        return false;
    }
    AdoptKey(raw, key);
    return true;
}

bool GenerateSigningKey(int bits, SigningKey* key, std::string* error)
{
    EVP_PKEY* raw = EVP_RSA_gen(static_cast<unsigned int>(bits));
    if (raw == nullptr) {
        *error = "cannot make an RSA key";
        return false;
    }
    AdoptKey(raw, key);
    return true;
}

namespace {

// The text a PEM writer puts into a memory BIO.
bool WritePem(const SigningKey& key, bool publicHalf, std::string* pem)
{
    BIO* out = BIO_new(BIO_s_mem());
    bool ok = out != nullptr &&
              (publicHalf ? PEM_write_bio_PUBKEY(out, key.pkey.get())
                          : PEM_write_bio_PrivateKey(out, key.pkey.get(), nullptr, nullptr, 0, nullptr, nullptr)) == 1;
    if (ok) {
        char* data = nullptr;
        long n = BIO_get_mem_data(out, &data);
        pem->assign(data, static_cast<size_t>(n));
    }
    BIO_free(out);
    return ok;
}

}  // namespace

bool SigningKeyPem(const SigningKey& key, std::string* pem, std::string* error)
{
    if (WritePem(key, false, pem)) return true;
    *error = "cannot write the key as PEM";
    return false;
}

bool PublicKeyPem(const SigningKey& key, std::string* pem, std::string* error)
{
    if (WritePem(key, true, pem)) return true;
    *error = "cannot write the public key as PEM";
    return false;
}

bool PublicKeyBlob(const SigningKey& key, Bytes* blob, std::string* error)
{
    BIO* out = BIO_new(BIO_s_mem());
    bool ok = out != nullptr && i2b_PublicKey_bio(out, key.pkey.get()) > 0;
    if (ok) {
        char* data = nullptr;
        long n = BIO_get_mem_data(out, &data);
        blob->assign(data, data + n);
    } else {
        *error = "cannot write the PUBLICKEYBLOB";
    }
    BIO_free(out);
    return ok;
}

bool SignPayloadItem(const SigningKey& key, const Bytes& item, Bytes* signature, std::string* error)
{
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    EVP_PKEY_CTX* keyContext = nullptr;
    size_t length = 0;
    bool ok = context != nullptr &&
              EVP_DigestSignInit(context, &keyContext, EVP_sha256(), nullptr, key.pkey.get()) == 1 &&
              EVP_PKEY_CTX_set_rsa_padding(keyContext, RSA_PKCS1_PADDING) == 1 &&
              EVP_DigestSign(context, nullptr, &length, item.data(), item.size()) == 1;
    if (ok) {
        signature->resize(length);
        ok = EVP_DigestSign(context, signature->data(), &length, item.data(), item.size()) == 1;
        signature->resize(length);
    }
    if (!ok) *error = "cannot sign the item";
    EVP_MD_CTX_free(context);
    return ok;
}
