#include "Sha256.h"

#include <new>
#include <openssl/evp.h>

namespace sondrel::tools {

namespace {
    EVP_MD_CTX* Context(void* context) { return static_cast<EVP_MD_CTX*>(context); }
} // namespace

TSha256::TSha256()
    : m_context(EVP_MD_CTX_new())
{
    if (!m_context || EVP_DigestInit_ex(Context(m_context), EVP_sha256(), nullptr) != 1) {
        EVP_MD_CTX_free(Context(m_context));
        throw std::bad_alloc();
    }
}

TSha256::~TSha256() { EVP_MD_CTX_free(Context(m_context)); }

void TSha256::Add(const std::uint8_t* bytes, std::size_t count)
{
    (void)EVP_DigestUpdate(Context(m_context), bytes, count);
}

std::string TSha256::Hex()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    (void)EVP_DigestFinal_ex(Context(m_context), digest, &length);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += kDigits[digest[i] >> 4];
        hex += kDigits[digest[i] & 0xF];
    }
    return hex;
}

} // namespace sondrel::tools
