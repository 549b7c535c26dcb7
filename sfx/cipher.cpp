// MD5 and AES-128-CBC for self-extracting files (see cipher.h).
#include "sfx/cipher.h"

#include <cstring>

const uint8_t kSfxInitVector[AES_BLOCK_BYTES] = {'7', '0', '5', '1', '9', '3', '8', '2',
                                                 '6', '4', '1', '9', '3', '0', '5', '8'};

// ---------------------------------------------------------------- MD5

namespace {

const uint32_t kMd5Sines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
const uint8_t kMd5Shifts[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

void Md5Transform(uint32_t state[4], const uint8_t block[64]) {
    uint32_t m[16];
    for (int i = 0; i < 16; i++)
        m[i] = (uint32_t)block[i * 4] | ((uint32_t)block[i * 4 + 1] << 8) | ((uint32_t)block[i * 4 + 2] << 16) |
               ((uint32_t)block[i * 4 + 3] << 24);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; i++) {
        uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        uint32_t next = d;
        d = c;
        c = b;
        b = b + RotateLeft(a + f + kMd5Sines[i] + m[g], kMd5Shifts[i]);
        a = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

}  // namespace

void Md5Init(Md5Context* context) {
    context->state[0] = 0x67452301;
    context->state[1] = 0xefcdab89;
    context->state[2] = 0x98badcfe;
    context->state[3] = 0x10325476;
    context->bitCount = 0;
}

void Md5Update(Md5Context* context, const void* data, size_t size) {
    const uint8_t* bytes = (const uint8_t*)data;
    size_t used = (size_t)((context->bitCount >> 3) & 63);
    context->bitCount += (uint64_t)size << 3;
    while (size > 0) {
        size_t take = 64 - used;
        if (take > size) take = size;
        memcpy(context->buffer + used, bytes, take);
        used += take;
        bytes += take;
        size -= take;
        if (used == 64) {
            Md5Transform(context->state, context->buffer);
            used = 0;
        }
    }
}

void Md5Final(Md5Context* context, uint8_t digest[MD5_DIGEST_BYTES]) {
    uint8_t length[8];
    uint64_t bits = context->bitCount;
    for (int i = 0; i < 8; i++) length[i] = (uint8_t)(bits >> (8 * i));
    static const uint8_t kPadding[64] = {0x80};
    size_t used = (size_t)((bits >> 3) & 63);
    size_t pad = used < 56 ? 56 - used : 120 - used;
    Md5Update(context, kPadding, pad);
    Md5Update(context, length, 8);
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++) digest[i * 4 + j] = (uint8_t)(context->state[i] >> (8 * j));
}

void ComputeMd5(const void* data, size_t size, uint8_t digest[MD5_DIGEST_BYTES]) {
    Md5Context context;
    Md5Init(&context);
    Md5Update(&context, data, size);
    Md5Final(&context, digest);
}

// ---------------------------------------------------------------- AES-128

namespace {

struct AesTables {
    uint8_t sbox[256];
    uint8_t inverse[256];
};

uint8_t Times2(uint8_t x) { return (uint8_t)((x << 1) ^ ((x & 0x80) ? 0x1b : 0)); }

uint8_t MultiplyGf(uint8_t a, uint8_t b) {
    uint8_t product = 0;
    while (b) {
        if (b & 1) product ^= a;
        a = Times2(a);
        b >>= 1;
    }
    return product;
}

// The S-box computed from its definition (multiplicative inverse in GF(2^8), then the affine
// map), which leaves no 256-entry table to mistype.
AesTables MakeAesTables() {
    AesTables t;
    for (int x = 0; x < 256; x++) {
        uint8_t inv = 0;
        if (x)
            for (int y = 1; y < 256; y++)
                if (MultiplyGf((uint8_t)x, (uint8_t)y) == 1) {
                    inv = (uint8_t)y;
                    break;
                }
        uint8_t s = inv;
        for (int r = 1; r < 5; r++) s ^= (uint8_t)((inv << r) | (inv >> (8 - r)));
        s ^= 0x63;
        t.sbox[x] = s;
        t.inverse[s] = (uint8_t)x;
    }
    return t;
}

const AesTables& Tables() {
    static const AesTables tables = MakeAesTables();
    return tables;
}

void AddRoundKey(uint8_t* state, const uint8_t* roundKey) {
    for (int i = 0; i < 16; i++) state[i] ^= roundKey[i];
}

// State bytes in column order: state[4 * column + row].
void ShiftRows(uint8_t* s) {
    uint8_t t[16];
    for (int c = 0; c < 4; c++)
        for (int r = 0; r < 4; r++) t[4 * c + r] = s[4 * ((c + r) % 4) + r];
    memcpy(s, t, 16);
}

void InverseShiftRows(uint8_t* s) {
    uint8_t t[16];
    for (int c = 0; c < 4; c++)
        for (int r = 0; r < 4; r++) t[4 * ((c + r) % 4) + r] = s[4 * c + r];
    memcpy(s, t, 16);
}

void MixColumns(uint8_t* s) {
    for (int c = 0; c < 4; c++) {
        uint8_t* col = s + 4 * c;
        uint8_t a0 = col[0], a1 = col[1], a2 = col[2], a3 = col[3];
        col[0] = (uint8_t)(Times2(a0) ^ (Times2(a1) ^ a1) ^ a2 ^ a3);
        col[1] = (uint8_t)(a0 ^ Times2(a1) ^ (Times2(a2) ^ a2) ^ a3);
        col[2] = (uint8_t)(a0 ^ a1 ^ Times2(a2) ^ (Times2(a3) ^ a3));
        col[3] = (uint8_t)((Times2(a0) ^ a0) ^ a1 ^ a2 ^ Times2(a3));
    }
}

void InverseMixColumns(uint8_t* s) {
    for (int c = 0; c < 4; c++) {
        uint8_t* col = s + 4 * c;
        uint8_t a0 = col[0], a1 = col[1], a2 = col[2], a3 = col[3];
        col[0] = (uint8_t)(MultiplyGf(a0, 14) ^ MultiplyGf(a1, 11) ^ MultiplyGf(a2, 13) ^ MultiplyGf(a3, 9));
        col[1] = (uint8_t)(MultiplyGf(a0, 9) ^ MultiplyGf(a1, 14) ^ MultiplyGf(a2, 11) ^ MultiplyGf(a3, 13));
        col[2] = (uint8_t)(MultiplyGf(a0, 13) ^ MultiplyGf(a1, 9) ^ MultiplyGf(a2, 14) ^ MultiplyGf(a3, 11));
        col[3] = (uint8_t)(MultiplyGf(a0, 11) ^ MultiplyGf(a1, 13) ^ MultiplyGf(a2, 9) ^ MultiplyGf(a3, 14));
    }
}

}  // namespace

void ExpandAes128Key(const uint8_t key[16], Aes128Key* expanded) {
    const uint8_t* sbox = Tables().sbox;
    uint8_t* w = expanded->roundKeys;
    memcpy(w, key, 16);
    uint8_t rcon = 1;
    for (int i = 16; i < 176; i += 4) {
        uint8_t t[4] = {w[i - 4], w[i - 3], w[i - 2], w[i - 1]};
        if (i % 16 == 0) {
            uint8_t first = t[0];
            t[0] = (uint8_t)(sbox[t[1]] ^ rcon);
            t[1] = sbox[t[2]];
            t[2] = sbox[t[3]];
            t[3] = sbox[first];
            rcon = Times2(rcon);
        }
        for (int j = 0; j < 4; j++) w[i + j] = (uint8_t)(w[i - 16 + j] ^ t[j]);
    }
}

void EncryptAesBlock(const Aes128Key* key, uint8_t block[AES_BLOCK_BYTES]) {
    const uint8_t* sbox = Tables().sbox;
    AddRoundKey(block, key->roundKeys);
    for (int round = 1; round <= 10; round++) {
        for (int i = 0; i < 16; i++) block[i] = sbox[block[i]];
        ShiftRows(block);
        if (round < 10) MixColumns(block);
        AddRoundKey(block, key->roundKeys + 16 * round);
    }
}

void DecryptAesBlock(const Aes128Key* key, uint8_t block[AES_BLOCK_BYTES]) {
    const uint8_t* inverse = Tables().inverse;
    AddRoundKey(block, key->roundKeys + 160);
    for (int round = 9; round >= 0; round--) {
        InverseShiftRows(block);
        for (int i = 0; i < 16; i++) block[i] = inverse[block[i]];
        AddRoundKey(block, key->roundKeys + 16 * round);
        if (round > 0) InverseMixColumns(block);
    }
}

void EncryptAesCbc(const Aes128Key* key, const uint8_t iv[AES_BLOCK_BYTES], uint8_t* data, size_t size) {
    const uint8_t* previous = iv;
    for (size_t at = 0; at + AES_BLOCK_BYTES <= size; at += AES_BLOCK_BYTES) {
        for (int i = 0; i < AES_BLOCK_BYTES; i++) data[at + i] ^= previous[i];
        EncryptAesBlock(key, data + at);
        previous = data + at;
    }
}

void DecryptAesCbc(const Aes128Key* key, const uint8_t iv[AES_BLOCK_BYTES], uint8_t* data, size_t size) {
    uint8_t previous[AES_BLOCK_BYTES], cipher[AES_BLOCK_BYTES];
    memcpy(previous, iv, AES_BLOCK_BYTES);
    for (size_t at = 0; at + AES_BLOCK_BYTES <= size; at += AES_BLOCK_BYTES) {
        memcpy(cipher, data + at, AES_BLOCK_BYTES);
        DecryptAesBlock(key, data + at);
        for (int i = 0; i < AES_BLOCK_BYTES; i++) data[at + i] ^= previous[i];
        memcpy(previous, cipher, AES_BLOCK_BYTES);
    }
}

// ---------------------------------------------------------------- self-extractor blocks

void DeriveSfxKey(const char* password, Aes128Key* key) {
    uint8_t digest[MD5_DIGEST_BYTES];
    ComputeMd5(password, password ? strlen(password) : 0, digest);
    ExpandAes128Key(digest, key);
}

size_t SfxEncryptedLength(size_t size) { return (size + AES_BLOCK_BYTES - 1) / AES_BLOCK_BYTES * AES_BLOCK_BYTES; }

size_t EncryptSfxBlock(const Aes128Key* key, uint8_t* buffer, size_t size) {
    size_t length = SfxEncryptedLength(size);
    memset(buffer + size, 0, length - size);
    EncryptAesCbc(key, kSfxInitVector, buffer, length);
    return length;
}

void DecryptSfxBlock(const Aes128Key* key, uint8_t* buffer, size_t size) {
    DecryptAesCbc(key, kSfxInitVector, buffer, size);
}
