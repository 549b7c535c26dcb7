// The archive cipher of self-extracting files, shared by the builder in the main program and
// by the stub: MD5 (RFC 1321) of the password gives the 16-byte key; AES-128 in CBC mode
// encrypts the archive in blocks of SFX_CIPHER_BLOCK bytes, each block started again from the
// fixed initialisation vector, the last block padded to a multiple of 16 with zero bytes.
// Self-contained (no Windows, no outside library) so that the small stub can carry it.
#pragma once
#include <cstddef>
#include <cstdint>

enum { SFX_CIPHER_BLOCK = 131072, AES_BLOCK_BYTES = 16, MD5_DIGEST_BYTES = 16 };

// The initialisation vector every block starts from: the ASCII text "7051938264193058".
extern const uint8_t kSfxInitVector[AES_BLOCK_BYTES];

// ---- MD5 ----
struct Md5Context {
    uint32_t state[4];
    uint64_t bitCount;
    uint8_t buffer[64];
};
// Starts a digest.
void Md5Init(Md5Context* context);
// Adds size bytes of data (data may be null when size is 0).
void Md5Update(Md5Context* context, const void* data, size_t size);
// Ends the digest and writes its 16 bytes to digest; the context must be started again after.
void Md5Final(Md5Context* context, uint8_t digest[MD5_DIGEST_BYTES]);
// The digest of size bytes in one call.
void ComputeMd5(const void* data, size_t size, uint8_t digest[MD5_DIGEST_BYTES]);

// ---- AES-128 ----
struct Aes128Key {
    uint8_t roundKeys[176];  // the expanded key: 11 round keys of 16 bytes
};
// Expands a 16-byte key.
void ExpandAes128Key(const uint8_t key[16], Aes128Key* expanded);
// Encrypts / decrypts one 16-byte block in place.
void EncryptAesBlock(const Aes128Key* key, uint8_t block[AES_BLOCK_BYTES]);
void DecryptAesBlock(const Aes128Key* key, uint8_t block[AES_BLOCK_BYTES]);
// CBC over size bytes in place (size a multiple of 16; a rest is left untouched), starting
// from iv.
void EncryptAesCbc(const Aes128Key* key, const uint8_t iv[AES_BLOCK_BYTES], uint8_t* data, size_t size);
void DecryptAesCbc(const Aes128Key* key, const uint8_t iv[AES_BLOCK_BYTES], uint8_t* data, size_t size);

// ---- the self-extractor's use of both ----
// The archive key: the MD5 digest of the password's characters (no terminating NUL), expanded.
void DeriveSfxKey(const char* password, Aes128Key* key);
// Length of the encrypted form of a block of size bytes: size rounded up to a multiple of 16.
size_t SfxEncryptedLength(size_t size);
// Encrypts one block of size bytes (at most SFX_CIPHER_BLOCK) in place from the fixed vector.
// buffer must hold SfxEncryptedLength(size) bytes; the fill bytes become zero before
// encryption. Returns the encrypted length.
size_t EncryptSfxBlock(const Aes128Key* key, uint8_t* buffer, size_t size);
// Decrypts the whole 16-byte blocks of one block of size bytes in place from the fixed vector.
void DecryptSfxBlock(const Aes128Key* key, uint8_t* buffer, size_t size);
