// CNG pieces of history.dll: PBKDF2-SHA256 keys, AES-256-CBC records checked by HMAC-SHA256.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

enum { HIST_SALT_SIZE = 16, HIST_KEY_SIZE = 64, HIST_MAC_SIZE = 32 };

// Fills out with size random bytes from the system generator. 1 on success.
int HistRandom(uint8_t* out, size_t size);
// Derives 64 bytes (32 AES key, 32 HMAC key) from the password with PBKDF2-SHA256. 1 on success.
int HistDeriveKey(const char* password, size_t length, const uint8_t* salt, uint32_t iterations,
                  uint8_t key[HIST_KEY_SIZE]);
// HMAC-SHA256 of data with the key's second half. 1 on success.
int HistMac(const uint8_t key[HIST_KEY_SIZE], const void* data, size_t size, uint8_t mac[HIST_MAC_SIZE]);
// iv (16) + AES-256-CBC (PKCS#7) of plain + HMAC of both. 1 on success.
int HistSeal(const uint8_t key[HIST_KEY_SIZE], const std::string& plain, std::string* sealed);
// The reverse of HistSeal: 1 with plain filled, 0 when the check fails or the bytes are cut.
int HistOpen(const uint8_t key[HIST_KEY_SIZE], const std::string& sealed, std::string* plain);
