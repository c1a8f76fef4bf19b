// Signing helpers for the SSH tests that play the server: the throw-away keys of test_keys.h, loaded and
// used through OpenSSL.
#pragma once
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstring>

#include "tests/ssh/test_bytes.h"

namespace qs::ssh::test {

inline Bytes FromBase64(const char *text)
{
    const std::size_t length = std::strlen(text);
    Bytes out(length / 4 * 3);
    const int decoded = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char *>(text), static_cast<int>(length));
    std::size_t padding = 0;
    while (padding < length && text[length - 1 - padding] == '=')
        ++padding;
    out.resize(static_cast<std::size_t>(decoded) - padding);
    return out;
}

inline EVP_PKEY *LoadPrivate(const char *pem)
{
    BIO *bio = BIO_new_mem_buf(pem, -1);
    EVP_PKEY *key = PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    return key;
}

// The raw signature OpenSSL makes over SHA-1 of `data`: the RSA value, or DSA's DER (r, s).
inline Bytes SignSha1(EVP_PKEY *key, const Bytes &data)
{
    EVP_MD_CTX *context = EVP_MD_CTX_new();
    std::size_t length = 0;
    Bytes signature;
    if (EVP_DigestSignInit(context, nullptr, EVP_sha1(), nullptr, key) == 1 &&
        EVP_DigestSign(context, nullptr, &length, data.data(), data.size()) == 1) {
        signature.resize(length);
        if (EVP_DigestSign(context, signature.data(), &length, data.data(), data.size()) == 1)
            signature.resize(length);
    }
    EVP_MD_CTX_free(context);
    return signature;
}

}  // namespace qs::ssh::test
