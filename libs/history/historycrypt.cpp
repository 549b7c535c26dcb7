#include "libs/history/historycrypt.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>

namespace {

const size_t kIvSize = 16;

struct AlgHandle {
    BCRYPT_ALG_HANDLE handle = nullptr;
    ~AlgHandle()
    {
        if (handle) BCryptCloseAlgorithmProvider(handle, 0);
    }
};

struct KeyHandle {
    BCRYPT_KEY_HANDLE handle = nullptr;
    ~KeyHandle()
    {
        if (handle) BCryptDestroyKey(handle);
    }
};

int OpenAes(AlgHandle* alg, KeyHandle* key, const uint8_t* secret)
{
    if (BCryptOpenAlgorithmProvider(&alg->handle, BCRYPT_AES_ALGORITHM, nullptr, 0) != 0) return 0;
    if (BCryptSetProperty(alg->handle, BCRYPT_CHAINING_MODE, (PUCHAR)BCRYPT_CHAIN_MODE_CBC,
                          sizeof(BCRYPT_CHAIN_MODE_CBC), 0) != 0)
        return 0;
    return BCryptGenerateSymmetricKey(alg->handle, &key->handle, nullptr, 0, (PUCHAR)secret, 32, 0) == 0;
}

}  // namespace

int HistRandom(uint8_t* out, size_t size)
{
    return BCryptGenRandom(nullptr, out, (ULONG)size, BCRYPT_USE_SYSTEM_PREFERRED_RNG) == 0;
}

int HistDeriveKey(const char* password, size_t length, const uint8_t* salt, uint32_t iterations,
                  uint8_t key[HIST_KEY_SIZE])
{
    AlgHandle alg;
    if (BCryptOpenAlgorithmProvider(&alg.handle, BCRYPT_SHA256_ALGORITHM, nullptr, BCRYPT_ALG_HANDLE_HMAC_FLAG) != 0)
        return 0;
    return BCryptDeriveKeyPBKDF2(alg.handle, (PUCHAR)password, (ULONG)length, (PUCHAR)salt, HIST_SALT_SIZE,
                                 iterations, key, HIST_KEY_SIZE, 0) == 0;
}

int HistMac(const uint8_t key[HIST_KEY_SIZE], const void* data, size_t size, uint8_t mac[HIST_MAC_SIZE])
{
    AlgHandle alg;
    if (BCryptOpenAlgorithmProvider(&alg.handle, BCRYPT_SHA256_ALGORITHM, nullptr, BCRYPT_ALG_HANDLE_HMAC_FLAG) != 0)
        return 0;
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (BCryptCreateHash(alg.handle, &hash, nullptr, 0, (PUCHAR)key + 32, 32, 0) != 0) return 0;
    int ok = BCryptHashData(hash, (PUCHAR)data, (ULONG)size, 0) == 0 &&
             BCryptFinishHash(hash, mac, HIST_MAC_SIZE, 0) == 0;
    BCryptDestroyHash(hash);
    return ok;
}

int HistSeal(const uint8_t key[HIST_KEY_SIZE], const std::string& plain, std::string* sealed)
{
    AlgHandle alg;
    KeyHandle aes;
    if (!OpenAes(&alg, &aes, key)) return 0;
    uint8_t iv[kIvSize], ivWork[kIvSize];
    if (!HistRandom(iv, sizeof iv)) return 0;
    memcpy(ivWork, iv, sizeof iv);
    ULONG needed = 0;
    if (BCryptEncrypt(aes.handle, (PUCHAR)plain.data(), (ULONG)plain.size(), nullptr, ivWork, sizeof ivWork, nullptr, 0,
                      &needed, BCRYPT_BLOCK_PADDING) != 0)
        return 0;
    std::string out(kIvSize + needed + HIST_MAC_SIZE, '\0');
    memcpy(&out[0], iv, kIvSize);
    ULONG written = 0;
    if (BCryptEncrypt(aes.handle, (PUCHAR)plain.data(), (ULONG)plain.size(), nullptr, ivWork, sizeof ivWork,
                      (PUCHAR)&out[kIvSize], needed, &written, BCRYPT_BLOCK_PADDING) != 0)
        return 0;
    out.resize(kIvSize + written + HIST_MAC_SIZE);
    if (!HistMac(key, out.data(), kIvSize + written, (uint8_t*)&out[kIvSize + written])) return 0;
    *sealed = out;
    return 1;
}

int HistOpen(const uint8_t key[HIST_KEY_SIZE], const std::string& sealed, std::string* plain)
{
    if (sealed.size() < kIvSize + 16 + HIST_MAC_SIZE || (sealed.size() - kIvSize - HIST_MAC_SIZE) % 16 != 0) return 0;
    size_t body = sealed.size() - HIST_MAC_SIZE;
    uint8_t mac[HIST_MAC_SIZE];
    if (!HistMac(key, sealed.data(), body, mac)) return 0;
    unsigned diff = 0;
    for (size_t i = 0; i < HIST_MAC_SIZE; ++i) diff |= mac[i] ^ (uint8_t)sealed[body + i];
    if (diff) return 0;
    AlgHandle alg;
    KeyHandle aes;
    if (!OpenAes(&alg, &aes, key)) return 0;
    uint8_t iv[kIvSize];
    memcpy(iv, sealed.data(), kIvSize);
    std::string out(body - kIvSize, '\0');
    ULONG written = 0;
    if (BCryptDecrypt(aes.handle, (PUCHAR)sealed.data() + kIvSize, (ULONG)(body - kIvSize), nullptr, iv, sizeof iv,
                      (PUCHAR)&out[0], (ULONG)out.size(), &written, BCRYPT_BLOCK_PADDING) != 0)
        return 0;
    out.resize(written);
    *plain = out;
    return 1;
}
